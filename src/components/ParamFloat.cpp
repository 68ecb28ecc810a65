#include "ParamFloat.h"

#include <cmath>
#include <cstdlib>

#include "../common/Regexp.h"

namespace {

const char* const numberPattern = "[-+]?(\\d+(\\.\\d*)?|\\d*\\.\\d+)([eE][-+]?\\d+)?";

// The single-precision number at the start of `text`; false when nothing there reads as one
// (NaN included: it would pass every comparison).
bool readNumber(const std::string& text, float& number) {
    const char* start = text.c_str();
    char* end = nullptr;
    number = std::strtof(start, &end);
    return end != start && !std::isnan(number);
}

}  // namespace

ParamFloat::ParamFloat(VnComponent* owner, const std::string& id, const std::string& min, const std::string& max)
    : Param(owner, id), min(min), max(max) {}

ParamFloat::~ParamFloat() = default;

std::string ParamFloat::getType() const { return "float"; }

bool ParamFloat::validate(const std::string& text) {
    if (!Regexp(numberPattern).match(text)) return false;
    if (min.empty() && max.empty()) return true;
    float number = 0;
    if (!readNumber(text, number)) return false;
    float bound = 0;
    if (!min.empty() && (!readNumber(min, bound) || number < bound)) return false;
    if (!max.empty() && (!readNumber(max, bound) || number > bound)) return false;
    return true;
}
