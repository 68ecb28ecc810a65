#include "ParamStatic.h"

ParamStatic::ParamStatic(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamStatic::~ParamStatic() = default;

std::string ParamStatic::getType() const { return "static-text"; }

bool ParamStatic::validate(const std::string&) { return true; }
