#include "ParamEmail.h"

#include "../common/Regexp.h"

ParamEmail::ParamEmail(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamEmail::~ParamEmail() = default;

std::string ParamEmail::getType() const { return "email"; }

bool ParamEmail::validate(const std::string& text) {
    return !holdsLineBreak(text) && Regexp("^([^\\@]+){1}\\@([^\\@]+){1}$").match(text);
}
