#include "ParamDomain.h"

#include "../common/Regexp.h"
#include "../common/utils.h"

namespace {

// Labels of 1 to 63 characters that begin and end with a letter or digit, at least two.
const char* const labelsPattern =
    "^[A-Za-z0-9]([A-Za-z0-9\\-]{0,61}[A-Za-z0-9]){0,1}(\\.[A-Za-z0-9]([A-Za-z0-9\\-]{0,61}[A-Za-z0-9]){0,1}){1,}$";
const char* const dottedQuadPattern = "\\d+\\.\\d+\\.\\d+\\.\\d+";

}  // namespace

ParamDomain::ParamDomain(VnComponent* owner, const std::string& id) : Param(owner, id) {}

ParamDomain::~ParamDomain() = default;

std::string ParamDomain::getType() const { return "domain-name"; }

bool ParamDomain::validate(const std::string& text) { return isName(text, false); }

bool ParamDomain::isName(const std::string& text, bool dottedQuad) {
    if (text.size() > 255) return false;
    if (text == "localhost.rev") return false;
    if (endsWith(text, ".in-addr.arpa")) return false;
    if (!holdsLineBreak(text) && Regexp(labelsPattern).match(text)) return true;
    return dottedQuad && Regexp(dottedQuadPattern).match(text);
}
