#ifndef VN_COMPONENTS_PARAMPASSWORD_H
#define VN_COMPONENTS_PARAMPASSWORD_H

#include <string>

#include "Param.h"

// A password within byte-length bounds, matching the description's pattern when it gives
// one. Bounds and pattern are kept as the description writes them ("" for none) and read at
// each validation. A refusal leaves its reason in the validation message.
class ParamPassword : public Param {
public:
    ParamPassword(VnComponent* owner, const std::string& id, const std::string& minLength, const std::string& maxLength,
                  const std::string& pattern, const std::string& validateWithLogin);
    ~ParamPassword() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;

    const std::string& getMinLength() const { return minLength; }
    const std::string& getMaxLength() const { return maxLength; }
    const std::string& getPattern() const { return pattern; }
    // Kept from the description; no rule reads it.
    const std::string& getValidateWithLogin() const { return validateWithLogin; }

private:
    std::string minLength;
    std::string maxLength;
    std::string pattern;
    std::string validateWithLogin;
};

#endif
