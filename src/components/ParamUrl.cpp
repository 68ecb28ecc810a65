#include "ParamUrl.h"

#include "../common/Regexp.h"

ParamUrl::ParamUrl(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamUrl::~ParamUrl() = default;

std::string ParamUrl::getType() const { return "url"; }

bool ParamUrl::validate(const std::string& text) { return Regexp("\\w+://.+/.*").match(text); }
