#ifndef VN_COMPONENTS_PARAMSTATIC_H
#define VN_COMPONENTS_PARAMSTATIC_H

#include <string>

#include "Param.h"

// A text shown among the settings; it accepts every value.
class ParamStatic : public Param {
public:
    ParamStatic(VnComponent* owner, const std::string& id);
    ~ParamStatic() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
};

#endif
