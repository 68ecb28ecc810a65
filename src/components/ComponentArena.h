#ifndef VN_COMPONENTS_COMPONENTARENA_H
#define VN_COMPONENTS_COMPONENTARENA_H

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Build;
class VnComponent;

// Keeps every component of a run alive for as long as someone holds the arena. Settings,
// radio groups and visitors keep plain component pointers; the tree drops components while it
// collapses radio groups and build loading replaces some, so the tree alone cannot own them.
// The tree's nodes share ownership with the arena: the owner the arena hands out is the one
// the tree holds, never a second one made from a plain pointer.
class ComponentArena {
public:
    ComponentArena();
    ~ComponentArena();
    ComponentArena(const ComponentArena&) = delete;
    ComponentArena& operator=(const ComponentArena&) = delete;

    // Makes a component (a null build is the component's internal error) and keeps it.
    std::shared_ptr<VnComponent> make(const std::shared_ptr<Build>& build, const std::string& name,
                                      const std::string& description, const std::string& environment,
                                      const std::vector<std::vector<std::string>>& keyPackages);
    // Keeps a component made elsewhere; a second call for it changes nothing. A null is an
    // internal error.
    void add(const std::shared_ptr<VnComponent>& component);

    // The arena's owner of `component`; null when the component is not kept here.
    std::shared_ptr<VnComponent> ownerOf(const VnComponent* component) const;
    bool holds(const VnComponent* component) const { return index.count(component) != 0; }
    // Every component kept, in the order they came.
    const std::vector<std::shared_ptr<VnComponent>>& components() const { return kept; }
    size_t size() const { return kept.size(); }

private:
    std::vector<std::shared_ptr<VnComponent>> kept;
    std::unordered_map<const VnComponent*, size_t> index;
};

#endif
