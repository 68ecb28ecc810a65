#ifndef VN_COMPONENTS_PARAMEMAIL_H
#define VN_COMPONENTS_PARAMEMAIL_H

#include <string>

#include "Param.h"

// A mail address: one "@" with text before and after it, and no other "@" or backslash.
class ParamEmail : public Param {
public:
    ParamEmail(VnComponent* owner, const std::string& id);
    ~ParamEmail() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
};

#endif
