#include "Dependency.h"

#include <set>

#include "Package.h"

namespace {

// Never destroyed: dependencies may be asked about it from static destructors.
std::set<std::string>& ignoredNames() {
    static std::set<std::string>* const names = new std::set<std::string>;
    return *names;
}

}  // namespace

Package* Dependency::dummyMaster() {
    static Package* const dummy = [] {
        Package* p = new Package("dummy_masterpackage_for_dependency", "1.2.3");
        p->setType('d');
        return p;
    }();
    return dummy;
}

Dependency::Dependency(Package* master) : master(master ? master : dummyMaster()) {}

Dependency::~Dependency() = default;

void Dependency::addResolver(const Dependency* provide) { resolvers.push_back(provide); }

const Dependency* Dependency::getResolver(unsigned index) const {
    return index < resolvers.size() ? resolvers[index] : nullptr;
}

bool Dependency::isSatisfiedBy(const Package* p) const {
    for (unsigned i = 0; const Dependency* provide = p->getProvide(i); ++i)
        if (matches(provide)) return true;
    return matches(p->getSelfDependency());
}

bool Dependency::isIgnoredName(const std::string& name) {
    return name.compare(0, 7, "rpmlib(") == 0 || ignoredNames().count(name) != 0;
}

void Dependency::addIgnoredName(const char* name) { ignoredNames().insert(name); }

std::ostream& operator<<(std::ostream& out, const Dependency& dep) { return dep.print(out); }
