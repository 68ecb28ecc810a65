#include "ParamPassword.h"

#include "../common/Messages.h"
#include "../common/error.h"

ParamPassword::ParamPassword(VnComponent* owner, const std::string& id, const std::string& minLength,
                             const std::string& maxLength, const std::string& pattern,
                             const std::string& validateWithLogin)
    : Param(owner, id),
      minLength(minLength),
      maxLength(maxLength),
      pattern(pattern),
      validateWithLogin(validateWithLogin) {}

ParamPassword::~ParamPassword() = default;

std::string ParamPassword::getType() const { return "password"; }

bool ParamPassword::validate(const std::string& text) {
    validationMessage.clear();
    try {
        switch (checkText(text, minLength, maxLength, pattern)) {
            case textAccepted:
                return true;
            case textTooShort:
                validationMessage = Messages::fill("param_password_too_short", minLength);
                return false;
            case textTooLong:
                validationMessage = Messages::fill("param_password_too_long", maxLength);
                return false;
            case textNoMatch:
                validationMessage = Messages::getMessage("param_password_contains_invalid_characters");
                return false;
        }
    } catch (const error&) {
    }
    validationMessage = Messages::getMessage("param_password_validation_failed");
    return false;
}
