#ifndef VN_PACKAGES_PACKAGELISTINDEX_H
#define VN_PACKAGES_PACKAGELISTINDEX_H

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "Package.h"

// Look-ups beside a list of packages that someone else owns: is a package listed, where do
// the packages of a name stand. The list keeps its order; the index only answers questions
// about it in constant time instead of a walk.
//
// The index follows the list by itself while the list grows at its end, which is how the
// resolver's lists change. A list that is replaced, cut or changed in place needs reset().
class PackageListIndex {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    explicit PackageListIndex(const std::vector<const Package*>* list) : list(list) {}

    // The list from now on is another one, or the same one with other contents.
    void reset() {
        indexed = 0;
        positions.clear();
        byName.clear();
        firstByName.clear();
    }

    bool contains(const Package* p);
    // Where the first package named `name` (interned) stands; npos when there is none.
    size_t firstOfName(const char* name);
    // Where every package named `name` (interned) stands, in list order.
    const std::vector<size_t>& positionsOfName(const char* name);
    // Where `p` stands, in list order (the same object may be listed twice).
    const std::vector<size_t>& positionsOf(const Package* p);
    // A listed package with p's name, an equal version and the same arch text.
    bool hasCopyOf(const Package* p);

private:
    void update();

    const std::vector<const Package*>* list;
    // How many elements of the list the maps hold, and the last of them: a list that is
    // shorter now, or has another package there, was replaced behind the index's back.
    size_t indexed = 0;
    const Package* last = nullptr;
    std::unordered_map<const Package*, std::vector<size_t>> positions;
    std::unordered_map<const char*, std::vector<size_t>> byName;
    std::unordered_map<const char*, size_t> firstByName;
};

#endif
