#include "Regexp.h"

#include <boost/cregex.hpp>
#include <boost/format.hpp>

#include "Messages.h"
#include "error.h"

struct Regexp::Pattern {
    Pattern() = default;
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;
    ~Pattern() {
        if (compiled) boost::regfreeA(&expression);
    }

    bool subexpressions = false;
    bool compiled = false;
    boost::regex_tA expression{};
};

namespace {

error keyError(int eclass, int rep, int sys, int supp, const char* key) {
    error e(eclass, rep, sys, supp);
    e << Messages::getMessage(key);
    return e;
}

}  // namespace

Regexp::Regexp(const std::string& text, bool subexpressions) : pattern(std::make_shared<Pattern>()) {
    pattern->subexpressions = subexpressions;
    int flags = boost::REG_EXTENDED | boost::REG_NEWLINE;
    if (!subexpressions) flags |= boost::REG_NOSUB;
    int rc = boost::regcompA(&pattern->expression, text.c_str(), flags);
    if (rc != 0) {
        // The library has already released what it built.
        char reason[4096];
        boost::regerrorA(rc, &pattern->expression, reason, sizeof reason);
        throw error(0, 1, 1, 2)
            << boost::format(Messages::getMessage("err_bad_regexp")) % text % reason;
    }
    pattern->compiled = true;
}

bool Regexp::match(const char* text) const {
    if (text == nullptr) throw keyError(3, 1, 1, 3, "err_bad_match_arg");
    boost::regmatch_t whole[1];
    int rc = boost::regexecA(&pattern->expression, text, 0, whole, 0);
    if (rc == 0) return true;
    if (static_cast<boost::reg_error_t>(rc) == boost::REG_ESPACE)
        throw keyError(0, 1, 1, 2, "err_regexp_nomem");
    return false;
}

bool Regexp::matchSub(const std::string& text) {
    if (!pattern->subexpressions) throw keyError(3, 1, 1, 3, "err_bad_subexpr2");
    groups.clear();
    const size_t n = pattern->expression.re_nsub + 1;
    std::vector<boost::regmatch_t> positions(n);
    int rc = boost::regexecA(&pattern->expression, text.c_str(), n, positions.data(), 0);
    if (rc != 0) {
        if (static_cast<boost::reg_error_t>(rc) == boost::REG_ESPACE)
            throw keyError(0, 1, 1, 3, "err_regexp_nomem2");
        return false;
    }
    groups.reserve(n);
    for (const boost::regmatch_t& m : positions) {
        if (m.rm_so < 0 || m.rm_eo < m.rm_so)
            groups.emplace_back();
        else
            groups.push_back(text.substr(static_cast<size_t>(m.rm_so),
                                         static_cast<size_t>(m.rm_eo - m.rm_so)));
    }
    return true;
}

std::string Regexp::getMatch(unsigned index) const {
    if (!pattern->subexpressions) throw keyError(3, 1, 1, 3, "err_bad_submatch");
    if (groups.empty()) throw keyError(3, 1, 1, 3, "err_badmatch");
    return groups.at(index);
}

int Regexp::getNumSubexpr() const {
    if (!pattern->subexpressions) throw keyError(3, 1, 1, 3, "err_bad_subexpr");
    return static_cast<int>(pattern->expression.re_nsub) + 1;
}

bool matchAny(const std::vector<Regexp>& list, const std::string& text) {
    for (const Regexp& r : list)
        if (r.match(text)) return true;
    return false;
}
