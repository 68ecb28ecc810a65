#include "ParamHostname.h"

#include "ParamDomain.h"

ParamHostname::ParamHostname(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamHostname::~ParamHostname() = default;

std::string ParamHostname::getType() const { return "host-name"; }

bool ParamHostname::validate(const std::string& text) { return ParamDomain::isName(text, true); }
