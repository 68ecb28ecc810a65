#ifndef VN_COMPONENTS_VNCOMPNODE_H
#define VN_COMPONENTS_VNCOMPNODE_H

#include <string>

// A node of the component tree: a component, or a group of them.
class VnCompNode {
public:
    virtual ~VnCompNode();
    // One character that marks the node in lists.
    virtual char getMark() const = 0;
    // The display text.
    virtual std::string getName() const = 0;
    // The id of the product whose release the node belongs to; "" when it has none.
    virtual std::string getProductId() const = 0;
};

#endif
