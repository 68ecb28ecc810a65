#include "ParamGroup.h"

const char* const ParamGroup::groupId = "__SUBGROUP";
const char* const ParamGroup::groupName = "__group_cant_have_name__";
const char* const ParamGroup::groupErrorMessage = "__group_cant_have_errmsg__";

ParamGroup::ParamGroup(VnComponent* owner, const std::string& id) : SubParams(owner, id) {}

ParamGroup::~ParamGroup() = default;

std::string ParamGroup::getType() const { return "__group_no_type__doh1Oolo__"; }
