#include "SpaceSeparatedValues.h"

#include <boost/format.hpp>

#include "Messages.h"
#include "error.h"
#include "listSpace.h"

SpaceSeparatedValues::SpaceSeparatedValues(const std::string& line) {
    const size_t n = line.size();
    size_t pos = 0;
    for (;;) {
        while (pos < n && isListSpace(line[pos])) ++pos;
        if (pos == n) break;

        char quote = 0;
        if (line[pos] == '"' || line[pos] == '\'') quote = line[pos++];

        std::string value;
        while (pos < n) {
            char c = line[pos];
            if (quote == 0 ? isListSpace(c) : c == quote) break;
            if (quote == '"' && c == '\\' && pos + 1 < n) c = line[++pos];
            value += c;
            ++pos;
        }
        if (quote != 0 && pos < n) ++pos;
        if (pos < n && !isListSpace(line[pos]))
            throw error(0, 1, 1, 2) << boost::format(Messages::getMessage("err_spsepval")) % line;
        push_back(value);
    }
}
