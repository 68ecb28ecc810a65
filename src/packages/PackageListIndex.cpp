#include "PackageListIndex.h"

#include <cstring>

namespace {

const std::vector<size_t>& none() {
    static const std::vector<size_t> empty;
    return empty;
}

}  // namespace

void PackageListIndex::update() {
    const std::vector<const Package*>& l = *list;
    if (l.size() < indexed || (indexed > 0 && l[indexed - 1] != last)) reset();
    for (; indexed < l.size(); ++indexed) {
        const Package* p = l[indexed];
        positions[p].push_back(indexed);
        byName[p->getName()].push_back(indexed);
        firstByName.emplace(p->getName(), indexed);
    }
    if (indexed > 0) last = l[indexed - 1];
}

bool PackageListIndex::contains(const Package* p) {
    update();
    return positions.count(p) != 0;
}

size_t PackageListIndex::firstOfName(const char* name) {
    update();
    auto it = firstByName.find(name);
    return it == firstByName.end() ? npos : it->second;
}

const std::vector<size_t>& PackageListIndex::positionsOfName(const char* name) {
    update();
    auto it = byName.find(name);
    return it == byName.end() ? none() : it->second;
}

const std::vector<size_t>& PackageListIndex::positionsOf(const Package* p) {
    update();
    auto it = positions.find(p);
    return it == positions.end() ? none() : it->second;
}

bool PackageListIndex::hasCopyOf(const Package* p) {
    for (size_t at : positionsOfName(p->getName())) {
        const Package* listed = (*list)[at];
        if (*listed->getVersion() == *p->getVersion() && std::strcmp(listed->getArch(), p->getArch()) == 0)
            return true;
    }
    return false;
}
