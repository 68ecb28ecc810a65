#ifndef VN_COMPONENTS_PARAMFLOAT_H
#define VN_COMPONENTS_PARAMFLOAT_H

#include <string>

#include "Param.h"

// A number: the text holds a decimal number somewhere, and, when the description sets a
// bound ("" for none), the number read from the text's start lies within the bounds. A value
// or bound whose start reads as no number cannot be compared and is refused then.
class ParamFloat : public Param {
public:
    ParamFloat(VnComponent* owner, const std::string& id, const std::string& min, const std::string& max);
    ~ParamFloat() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;

    const std::string& getMin() const { return min; }
    const std::string& getMax() const { return max; }

private:
    std::string min;
    std::string max;
};

#endif
