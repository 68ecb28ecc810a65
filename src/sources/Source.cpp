#include "Source.h"

#include "../packages/Package.h"
#include "../packages/Repository.h"

Source::Source(Repository* repository) : repository(repository), briefRead(false), fullRead(false), priority(500) {
    this->repository->registerSource(this);
}

Source::~Source() {
    repository->unregisterSource(this);
    dropPackages();
}

bool Source::isRemote() const { return false; }

std::ostream& Source::print(std::ostream& out) const {
    return out << "Package_source_" << static_cast<const void*>(this);
}

void Source::getBrief() {
    if (briefRead) return;
    doGetBrief();
    briefRead = true;
}

void Source::getFull() {
    if (!briefRead) getBrief();
    if (fullRead) return;
    doGetFull();
    fullRead = true;
}

void Source::dropPackages() {
    for (Package* p : repository->pkgList)
        if (p->getSource() == this) p->setType('z');
    repository->removeMarkedPackages();
}
