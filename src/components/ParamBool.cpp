#include "ParamBool.h"

#include "../common/error.h"
#include "../common/utils.h"

namespace {

// 1 for a yes, 0 for a no, -1 for anything else.
int truth(std::string text) {
    toLower(text);
    if (text == "true" || text == "y" || text == "yes") return 1;
    if (text == "false" || text == "n" || text == "no") return 0;
    return -1;
}

}  // namespace

ParamBool::ParamBool(VnComponent* owner, const std::string& id) : SubParams(owner, id) {}

ParamBool::~ParamBool() = default;

std::string ParamBool::getType() const { return "boolean"; }

bool ParamBool::validate(const std::string& text) { return truth(text) >= 0; }

void ParamBool::assign(const std::string& text) {
    const int answer = truth(text);
    if (answer < 0) throw internalError("ParamBool", 40);
    value = answer ? "true" : "false";
}
