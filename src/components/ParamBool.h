#ifndef VN_COMPONENTS_PARAMBOOL_H
#define VN_COMPONENTS_PARAMBOOL_H

#include <string>

#include "SubParams.h"

// A yes/no setting; its sub-settings sit in the branch "true".
class ParamBool : public SubParams {
public:
    ParamBool(VnComponent* owner, const std::string& id);
    ~ParamBool() override;

    std::string getType() const override;
    // "true", "y", "yes", "false", "n" or "no" in any case.
    bool validate(const std::string& text) override;
    // Stores "true" or "false"; a text that validation refuses is an internal error.
    void assign(const std::string& text) override;
};

#endif
