#include "error.h"

#include "BuildInfo.h"
#include "Messages.h"

error::error() : lines(1), e_class(0), e_rep(0), e_sys(0), e_supp(0) {}

error::error(int eclass, int rep, int sys, int supp)
    : lines(1), e_class(eclass), e_rep(rep), e_sys(sys), e_supp(supp) {}

error::~error() = default;

void error::fillCodes(int eclass, int rep, int sys, int supp) {
    if (e_class == 0) e_class = eclass;
    if (e_rep == 0) e_rep = rep;
    if (e_sys == 0) e_sys = sys;
    if (e_supp == 0) e_supp = supp;
}

error& error::qualify(int eclass, int rep, int sys, int supp) {
    lines.emplace_back();
    fillCodes(eclass, rep, sys, supp);
    return *this;
}

error& error::qualifyFront(int eclass, int rep, int sys, int supp) {
    lines.emplace_front();
    fillCodes(eclass, rep, sys, supp);
    return *this;
}

std::string error::text() const {
    std::string out;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        out += *it;
        out += "\n";
    }
    return out;
}

std::string error::report() const {
    std::string out = text();
    if (e_class == 2) return out;

    switch (e_sys) {
        case sys_stable: out += Messages::getMessage("error_sys_stable"); break;
        case sys_unsure: out += Messages::getMessage("error_sys_unsure"); break;
        case sys_broken: out += Messages::getMessage("error_sys_broken"); break;
        default: break;
    }
    if (e_rep == rep_again) {
        out += "\n";
        out += Messages::getMessage("error_rep_again");
    }
    switch (e_supp) {
        case supp_none: out += "\n" + Messages::getMessage("error_supp_none"); break;
        case supp_maybe: out += "\n" + Messages::getMessage("error_supp_maybe"); break;
        case supp_need: out += "\n" + Messages::getMessage("error_supp_need"); break;
        default: break;
    }
    return out;
}

const char* error::className() const {
    switch (e_class) {
        case 1: return "repository";
        case 2: return "user";
        case 3: return "internal";
        case 4: return "system";
        case 5: return "dependencies";
        case 6: return "packages";
        default: return "e_class broken";
    }
}

error internalError(const char* file, int line) {
    error e(3, 1, 1, 3);
    e << "An internal error occured in vantrell, rev." << buildinfo::sourceRevision << " " << file
      << ", line " << line << ".";
    return e;
}
