#include "VnSubGroup.h"

#include <set>

#include "../common/error.h"

namespace {

// A null child breaks the tree's invariant.
const VnCompNode& child(const std::shared_ptr<VnCompNode>& node) {
    if (!node) throw internalError("VnSubGroup", 34);
    return *node;
}

}  // namespace

VnSubGroup::VnSubGroup(const std::string& name, const std::string& description, const std::shared_ptr<Release>& release)
    : VnGroup(name, description, release) {}

VnSubGroup::~VnSubGroup() = default;

char VnSubGroup::getMark() const {
    std::set<char> marks;
    for (const std::shared_ptr<VnCompNode>& node : children) marks.insert(child(node).getMark());
    if (marks.empty()) return ' ';
    return marks.size() == 1 ? *marks.begin() : '.';
}

std::string VnSubGroup::getName() const {
    size_t marked = 0;
    for (const std::shared_ptr<VnCompNode>& node : children)
        if (child(node).getMark() != ' ') ++marked;
    return "<+> " + description + " // " + std::to_string(marked) + " of " + std::to_string(children.size()) +
           " components selected";
}

bool VnSubGroup::isEmpty() const { return children.empty(); }
