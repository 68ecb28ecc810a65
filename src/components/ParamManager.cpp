#include "ParamManager.h"

#include <map>
#include <mutex>

#include "../common/Messages.h"

namespace {

// The text variables by name, process-wide. The web engine expands texts on its main thread
// while an installation thread may expand setting defaults, so the table has a lock.
std::map<std::string, std::string> textVariables;
std::mutex textVariablesMutex;

std::string localeVariable() {
    std::string locale = Messages::getLocale();
    locale = locale.substr(0, locale.find('.'));
    if (locale.size() > 3 && locale[2] == '_') locale[2] = '-';
    return locale;
}

}  // namespace

int expandTextVariables(std::string& text) {
    const std::string locale = localeVariable();
    std::lock_guard<std::mutex> lock(textVariablesMutex);
    std::map<std::string, std::string>& variables = textVariables;
    variables["LOCALE"] = locale;

    std::string::size_type pos = 0;
    for (;;) {
        const std::string::size_type open = text.find('[', pos);
        if (open == std::string::npos) return 0;
        const std::string::size_type close = text.find(']', open + 1);
        if (close == std::string::npos) return -1;
        auto found = variables.find(text.substr(open + 1, close - open - 1));
        if (found == variables.end()) {
            pos = close;
            continue;
        }
        text.replace(open, close - open + 1, found->second);
        pos = open + found->second.size();
    }
}

std::string expandDefaultValue(const std::string& text) { return text; }
