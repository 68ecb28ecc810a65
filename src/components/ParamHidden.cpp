#include "ParamHidden.h"

ParamHidden::ParamHidden(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamHidden::~ParamHidden() = default;

std::string ParamHidden::getType() const { return "__type_hidden__tei9Rae9__"; }

bool ParamHidden::validate(const std::string&) { return true; }
