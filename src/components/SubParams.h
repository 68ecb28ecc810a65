#ifndef VN_COMPONENTS_SUBPARAMS_H
#define VN_COMPONENTS_SUBPARAMS_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Param.h"

// A setting whose value decides which further settings apply: the sub-settings are filed
// under the value (a branch) that brings them in.
class SubParams : public Param {
public:
    typedef std::vector<std::shared_ptr<Param>> ParamList;

    SubParams(VnComponent* owner, const std::string& id);
    ~SubParams() override;

    // Unset: false. A value that names no branch: true. Otherwise whether every setting of
    // that branch is set, each asked the same way.
    bool isSet() const override;
    // A branching kind without a rule of its own accepts nothing: error (3,1,1,2).
    bool validate(const std::string& text) override;

    // Appends to the branch, making it when missing; the same handle may be filed twice. An
    // empty handle is an internal error.
    void addBranchParam(const std::string& branch, const std::shared_ptr<Param>& param);
    // A copy of the branch's handles; an unknown branch is an internal error.
    ParamList getBranch(const std::string& branch) const;
    // Ascending byte order.
    std::vector<std::string> getBranchValues() const;

private:
    std::map<std::string, ParamList> branches;
};

#endif
