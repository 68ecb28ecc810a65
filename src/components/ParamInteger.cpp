#include "ParamInteger.h"

#include "../common/error.h"
#include "../common/utils.h"

ParamInteger::ParamInteger(VnComponent* owner, const std::string& id, const std::string& min, const std::string& max)
    : Param(owner, id), min(min), max(max) {}

ParamInteger::~ParamInteger() = default;

std::string ParamInteger::getType() const { return "integer"; }

bool ParamInteger::validate(const std::string& text) {
    try {
        stringToInt(text);
        return true;
    } catch (const error&) {
        return false;
    }
}
