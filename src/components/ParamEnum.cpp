#include "ParamEnum.h"

ParamEnum::ParamEnum(VnComponent* owner, const std::string& id) : SubParams(owner, id) {}

ParamEnum::~ParamEnum() = default;

std::string ParamEnum::getType() const { return "enum"; }

bool ParamEnum::validate(const std::string& text) {
    for (const auto& choice : choices)
        if (choice.first == text) return true;
    return false;
}

void ParamEnum::setChoices(const Choices& list) { choices = list; }
