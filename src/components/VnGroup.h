#ifndef VN_COMPONENTS_VNGROUP_H
#define VN_COMPONENTS_VNGROUP_H

#include <memory>
#include <string>

#include "VnCompNode.h"

class Release;

// A named group of tree nodes, declared by the build description of one release.
class VnGroup : public VnCompNode {
public:
    // A null release is an internal error; nothing is made then.
    VnGroup(const std::string& name, const std::string& description, const std::shared_ptr<Release>& release);
    ~VnGroup() override;

    // The description.
    std::string getName() const override;
    // The id of the release's product.
    std::string getProductId() const override;
    // Whether the group has no members.
    virtual bool isEmpty() const = 0;

    // What a component's requires list may name.
    std::string name;
    std::string description;
    // Never null.
    std::shared_ptr<Release> release;
};

#endif
