#ifndef VN_COMPONENTS_PARAMHIDDEN_H
#define VN_COMPONENTS_PARAMHIDDEN_H

#include <string>

#include "Param.h"

// A setting the user is never asked; it accepts every value.
class ParamHidden : public Param {
public:
    ParamHidden(VnComponent* owner, const std::string& id);
    ~ParamHidden() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
};

#endif
