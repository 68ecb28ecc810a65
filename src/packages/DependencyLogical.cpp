#include "DependencyLogical.h"

#include <cstdint>
#include <new>
#include <sstream>

#include "../common/Log.h"
#include "../common/error.h"
#include "Package.h"
#include "internString.h"

namespace {

// Names of this file and its lines in internal errors; they stay fixed from build to build.
const char* const sourceName = "DependencyLogical";
const int lineEmptyText = 27;
const int lineNameCopy = 116;
const int lineNoRelation = 282;

bool isOperatorChar(char c) { return c == '<' || c == '=' || c == '>'; }

bool inEqual(int relation) { return relation == 1 || relation == 3 || relation == 4; }
bool inLess(int relation) { return relation == 2 || relation == 3; }
bool inGreater(int relation) { return relation == 4 || relation == 5; }

uint32_t rotateRight(uint32_t value, unsigned bits) { return (value >> bits) | (value << (32 - bits)); }

int relationOf(const std::string& op) {
    if (op.size() == 1) {
        switch (op[0]) {
            case '=': return 1;
            case '<': return 2;
            default: return 5;
        }
    }
    // "<>" and "=<" are no real operators but occur; they read as the nearest real one.
    if (op[0] == '<') return 3;
    if (op[0] == '>') return 4;
    return 1;
}

}  // namespace

DependencyLogical::DependencyLogical(const std::string& text, Package* master)
    : Dependency(master), name(internString("")), relation(REL_NONE) {
    if (text.empty()) {
        std::ostringstream who;
        who << static_cast<const void*>(this->master) << " ";
        this->master->print(who);
        Log(0) << "Error: empty data for dependency of package " << who.str() << "\n";
        throw internalError(sourceName, lineEmptyText);
    }
    parse(text.c_str());
}

DependencyLogical::DependencyLogical(Package* master, const char* name, int relation)
    : Dependency(master), name(name), relation(relation) {}

DependencyLogical::~DependencyLogical() = default;

Version* DependencyLogical::createVersion(const std::string& text) const { return new Version(text); }

void DependencyLogical::parse(const char* text) {
    const std::string s = text ? text : "";
    // Positions below count from 0; the first character always belongs to the name.
    size_t lastBlank = s.rfind(' ');
    size_t opEnd = 0;
    size_t opStart = 0;
    bool bare = lastBlank == std::string::npos || lastBlank < 1;
    if (!bare) {
        opEnd = lastBlank - 1;
        while (opEnd > 0 && s[opEnd] == ' ') --opEnd;
        bare = opEnd == 0 || !isOperatorChar(s[opEnd]);
    }
    if (!bare) {
        size_t blankBefore = opEnd - 1;
        while (blankBefore >= 1 && s[blankBefore] != ' ') --blankBefore;
        // An operator glued to the name ("foo>= 1") has no reading of its own: bare name.
        bare = blankBefore < 1;
        opStart = blankBefore + 1;
    }

    if (bare) {
        name = internString(s.c_str());
        version.reset();
        relation = REL_NONE;
        return;
    }

    size_t nameEnd = opStart - 1;
    while (nameEnd > 0 && s[nameEnd] == ' ') --nameEnd;
    try {
        name = internString(s.substr(0, nameEnd + 1).c_str());
    } catch (const std::bad_alloc&) {
        throw internalError(sourceName, lineNameCopy);
    }

    version.reset();
    relation = REL_NONE;
    version.reset(createVersion(s.substr(lastBlank + 1)));
    relation = relationOf(s.substr(opStart, opEnd + 1 - opStart));
}

const char* DependencyLogical::relationText() const {
    switch (relation) {
        case REL_NONE: throw internalError(sourceName, lineNoRelation);
        case REL_EQ: return " = ";
        case REL_LT: return " < ";
        case REL_LE: return " <= ";
        case REL_GE: return " >= ";
        case REL_GT: return " > ";
        default: return "";
    }
}

std::string DependencyLogical::getName() const { return name; }

bool DependencyLogical::matches(const Dependency* other) const {
    const DependencyLogical* b = dynamic_cast<const DependencyLogical*>(other);
    if (!b || b->name != name) return false;
    if ((relation == REL_NONE && b->relation == REL_NONE) || !version.get() || !b->version.get()) return true;

    const Version& va = *version;
    const Version& vb = *b->version;
    int sense;
    if (va.hasEpoch() && vb.hasEpoch())
        sense = va.compareEpoch(vb);
    else if (va.hasEpoch() && va.getEpoch() != 0)
        sense = 1;
    else if (vb.hasEpoch() && vb.getEpoch() != 0)
        sense = -1;
    else
        sense = 0;

    if (sense == 0) {
        sense = va.compareVersion(vb);
        // A missing release on either side leaves the versions equal: "foo = 2" is 2-anything.
        if (sense == 0 && !va.getRelease().empty() && !vb.getRelease().empty()) sense = va.compareRelease(vb);
    }

    if (sense < 0) return inGreater(relation) || inLess(b->relation);
    if (sense > 0) return inLess(relation) || inGreater(b->relation);
    return (inEqual(relation) && inEqual(b->relation)) || (inLess(relation) && inLess(b->relation)) ||
           (inGreater(relation) && inGreater(b->relation));
}

uint32_t DependencyLogical::hash() const {
    return rotateRight(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name)), 11) * 5u;
}

bool DependencyLogical::sameKey(const Dependency* other) const {
    const DependencyLogical* b = dynamic_cast<const DependencyLogical*>(other);
    return b && b->name == name;
}

bool DependencyLogical::equals(const Dependency* other) const {
    const DependencyLogical* b = dynamic_cast<const DependencyLogical*>(other);
    if (!b || b->name != name || b->relation != relation) return false;
    if (!version.get() || !b->version.get()) return !version.get() && !b->version.get();
    return version->compare(*b->version) == 0;
}

Dependency* DependencyLogical::clone() const {
    DependencyLogical* copy = new DependencyLogical(master, name, relation);
    if (version.get()) {
        // Through createVersion, so the copy has the kind of version this class makes; then
        // every field of the original, whatever its text would read back as.
        Version* v = copy->createVersion(version->toString());
        *v = *version;
        copy->version.reset(v);
    }
    return copy;
}

std::ostream& DependencyLogical::print(std::ostream& out) const {
    out << name;
    if (version.get()) out << relationText() << version->toString();
    return out;
}
