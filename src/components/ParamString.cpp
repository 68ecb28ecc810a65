#include "ParamString.h"

#include "../common/error.h"

ParamString::ParamString(VnComponent* owner, const std::string& id, const std::string& minLength,
                         const std::string& maxLength, const std::string& pattern)
    : Param(owner, id), minLength(minLength), maxLength(maxLength), pattern(pattern) {}

ParamString::~ParamString() = default;

std::string ParamString::getType() const { return "string"; }

bool ParamString::validate(const std::string& text) {
    try {
        return checkText(text, minLength, maxLength, pattern) == textAccepted;
    } catch (const error&) {
        return false;
    }
}
