#ifndef VN_COMPONENTS_PARAMPATH_H
#define VN_COMPONENTS_PARAMPATH_H

#include <string>

#include "Param.h"

// A directory given as a full path of plain characters; with `mustExist`, one that exists.
// A refusal leaves its reason in the validation message.
class ParamPath : public Param {
public:
    ParamPath(VnComponent* owner, const std::string& id, bool mustExist);
    ~ParamPath() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
    // Stores the text without any trailing '/'.
    void assign(const std::string& text) override;

    bool getMustExist() const { return mustExist; }

private:
    bool mustExist;
};

#endif
