#include "ParamPath.h"

#include <boost/filesystem.hpp>
#include <exception>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Regexp.h"
#include "../common/fileops.h"

namespace {

// After the leading '/': letters, digits, '_', blanks, parentheses, backslash, '/' and '-'.
const char* const allowedPattern = "^/[[:alnum:]_[:blank:]()\\\\/-]+$";

}  // namespace

ParamPath::ParamPath(VnComponent* owner, const std::string& id, bool mustExist)
    : Param(owner, id), mustExist(mustExist) {}

ParamPath::~ParamPath() = default;

std::string ParamPath::getType() const { return "path"; }

bool ParamPath::validate(const std::string& text) {
    validationMessage.clear();
    try {
        if (!boost::filesystem::path(text).has_root_directory()) {
            validationMessage = Messages::getMessage("param_path_not_full");
            return false;
        }
        if (fileops::exists(text) && !fileops::is_directory(text)) {
            validationMessage = Messages::getMessage("param_path_not_directory");
            return false;
        }
        if (holdsLineBreak(text) || !Regexp(allowedPattern).match(text)) {
            validationMessage = Messages::getMessage("param_path_contains_invalid_characters");
            Log(3) << "DEBUG: The regular expression " << allowedPattern << "\n";
            Log(3) << "       did not match the pattern " << text << "\n";
            return false;
        }
        if (mustExist && !fileops::exists(text)) {
            validationMessage = Messages::getMessage("param_path_not_exists");
            return false;
        }
    } catch (const std::exception&) {
        // The file system could not be asked about the path (a name too long, say): it cannot
        // be judged, so it is not valid.
        validationMessage = Messages::getMessage("param_path_not_valid");
        return false;
    }
    return true;
}

void ParamPath::assign(const std::string& text) {
    value = text;
    fileops::strip_trailing(value, '/');
}
