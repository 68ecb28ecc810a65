#include "Param.h"

#include <cstdint>

#include "../common/Log.h"
#include "../common/Regexp.h"
#include "../common/error.h"
#include "../common/utils.h"
#include "ParamManager.h"
#include "VnComponent.h"

Param::Param(VnComponent* owner, const std::string& id)
    : id(id), hasDefault(false), valid(true), components(1, checked_pointer<VnComponent>(owner)), unset(true),
      behaviour(regular) {}

Param::~Param() = default;

bool Param::isSet() const { return !unset; }

void Param::assign(const std::string& text) { value = text; }

bool Param::setValue(const std::string& text) {
    if (is_readonly()) throw error(3, 1, 1, 2) << "Param::setValue: try to change read-only param";
    input = text;
    const bool ok = validate(text);
    if (ok) {
        assign(text);
        unset = false;
        valid = true;
    } else {
        valid = false;
    }
    return ok;
}

bool Param::is_readonly() const {
    bool readonly = false;
    for (const checked_pointer<VnComponent>& owner : components) {
        const int status = owner->getStatus();
        if (status == 2 || status == 3) {
            readonly = true;
            break;
        }
    }
    Log(3) << "Param::is_readonly: " << id << " return " << (readonly ? "true" : "false") << "\n";
    return readonly;
}

std::string Param::getDefault() const {
    if (!hasDefault) throw error(3, 1, 1, 3) << "Param::getDefault - default value is not set for opton " << id;
    return expandDefaultValue(defaultValue);
}

std::string Param::getValue() const {
    if (isSet()) return value;
    if (hasDefault) return getDefault();
    return std::string();
}

const std::vector<checked_pointer<VnComponent>>& Param::getComponents() const {
    if (components.empty()) throw internalError("Param", 98);
    return components;
}

bool Param::hasUnselectedOwner() const {
    for (const checked_pointer<VnComponent>& owner : components)
        if (!owner->isSelected()) return true;
    return false;
}

void Param::setTexts(const std::string& newName, const std::string& newDescription,
                     const std::string& newErrorMessage) {
    name = newName;
    description = newDescription;
    errorMessage = newErrorMessage;
}

void Param::setDefault(const std::string& text) {
    defaultValue = text;
    hasDefault = true;
}

void Param::setDetectable(const std::string&, bool) {}

bool Param::holdsLineBreak(const std::string& text) {
    return text.find_first_of(std::string("\n\0", 2)) != std::string::npos;
}

Param::TextCheck Param::checkText(const std::string& text, const std::string& minLength, const std::string& maxLength,
                                  const std::string& pattern) {
    const uint32_t length = static_cast<uint32_t>(text.size());
    if (!minLength.empty() && length < static_cast<uint32_t>(stringToInt(minLength))) return textTooShort;
    if (!maxLength.empty() && static_cast<uint32_t>(stringToInt(maxLength)) < length) return textTooLong;
    if (pattern.empty() || Regexp(pattern).match(text)) return textAccepted;
    return textNoMatch;
}
