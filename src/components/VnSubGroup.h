#ifndef VN_COMPONENTS_VNSUBGROUP_H
#define VN_COMPONENTS_VNSUBGROUP_H

#include <memory>
#include <string>
#include <vector>

#include "VnGroup.h"

// A foldable section of the component list. It owns its children: components, radio groups
// and further sub-groups, in description order.
class VnSubGroup : public VnGroup {
public:
    VnSubGroup(const std::string& name, const std::string& description, const std::shared_ptr<Release>& release);
    ~VnSubGroup() override;

    // ' ' without children, the children's mark when they all show the same, else '.'.
    char getMark() const override;
    // "<+> <description> // <m> of <n> components selected": m counts every child whose mark
    // is not ' ', so up-to-date, unavailable and mixed children count as selected.
    std::string getName() const override;
    bool isEmpty() const override;

    std::vector<std::shared_ptr<VnCompNode>> children;
};

#endif
