#ifndef VN_COMPONENTS_PARAMGROUP_H
#define VN_COMPONENTS_PARAMGROUP_H

#include <string>

#include "SubParams.h"

// A titled group of settings with no value of its own: its members sit in the empty branch.
// It accepts no value, so it is never set.
class ParamGroup : public SubParams {
public:
    // The id, name and error message the settings reader gives every group.
    static const char* const groupId;
    static const char* const groupName;
    static const char* const groupErrorMessage;

    ParamGroup(VnComponent* owner, const std::string& id);
    ~ParamGroup() override;

    std::string getType() const override;
};

#endif
