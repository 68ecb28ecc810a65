#include "SubParams.h"

#include "../common/Log.h"
#include "../common/error.h"

SubParams::SubParams(VnComponent* owner, const std::string& id) : Param(owner, id) {}

SubParams::~SubParams() = default;

bool SubParams::isSet() const {
    if (!Param::isSet()) return false;
    auto branch = branches.find(value);
    if (branch == branches.end()) return true;
    for (const std::shared_ptr<Param>& param : branch->second)
        if (!param->isSet()) return false;
    return true;
}

bool SubParams::validate(const std::string&) {
    throw error(3, 1, 1, 2) << "SubParams::validate: need to override this in subclasses";
}

void SubParams::addBranchParam(const std::string& branch, const std::shared_ptr<Param>& param) {
    // Every walk and every isSet would trip over an empty handle later.
    if (!param) throw internalError("SubParams", 27);
    branches[branch].push_back(param);
}

SubParams::ParamList SubParams::getBranch(const std::string& branch) const {
    Log(3) << "DEBUG: SubParams::getBranch: br=" << branch << ", param ID " << id << "\n";
    auto found = branches.find(branch);
    if (found == branches.end()) throw internalError("Param", 189);
    return found->second;
}

std::vector<std::string> SubParams::getBranchValues() const {
    std::vector<std::string> values;
    values.reserve(branches.size());
    for (const auto& branch : branches) values.push_back(branch.first);
    return values;
}
