#ifndef VN_COMPONENTS_PARAMINTEGER_H
#define VN_COMPONENTS_PARAMINTEGER_H

#include <string>

#include "Param.h"

// A whole number in the range of int, written in digits and signs only ("" reads as 0).
// The description's bounds are kept as written for reports; values are not compared with
// them.
class ParamInteger : public Param {
public:
    ParamInteger(VnComponent* owner, const std::string& id, const std::string& min, const std::string& max);
    ~ParamInteger() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;

    const std::string& getMin() const { return min; }
    const std::string& getMax() const { return max; }

private:
    std::string min;
    std::string max;
};

#endif
