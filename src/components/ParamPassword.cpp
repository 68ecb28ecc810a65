#include "ParamPassword.h"

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/error.h"

namespace {

// The catalogue text with the bound in its "%s"; a translation without the place (or with
// more than one) still gives its text.
std::string withBound(const char* key, const std::string& bound) {
    boost::format text(Messages::getMessage(key));
    text.exceptions(boost::io::all_error_bits ^ (boost::io::too_many_args_bit | boost::io::too_few_args_bit));
    try {
        return (text % bound).str();
    } catch (const boost::io::format_error&) {
        return Messages::getMessage(key);
    }
}

}  // namespace

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
                validationMessage = withBound("param_password_too_short", minLength);
                return false;
            case textTooLong:
                validationMessage = withBound("param_password_too_long", maxLength);
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
