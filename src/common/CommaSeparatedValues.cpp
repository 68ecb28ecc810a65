#include "CommaSeparatedValues.h"

#include "Messages.h"
#include "error.h"
#include "listSpace.h"

CommaSeparatedValues::CommaSeparatedValues(const std::string& line) {
    const size_t n = line.size();
    size_t pos = 0;
    while (pos < n) {
        while (pos < n && isListSpace(line[pos])) ++pos;
        if (pos == n) break;

        if (line[pos] == '"') {
            std::string value;
            for (++pos; pos < n; ++pos) {
                char c = line[pos];
                if (c == '\\' && pos + 1 < n && line[pos + 1] == '"') {
                    value += '"';
                    ++pos;
                } else if (c == '"') {
                    ++pos;
                    break;
                } else {
                    value += c;
                }
            }
            push_back(value);
            // Whatever follows the closing quote belongs to no value.
            while (pos < n && line[pos] != ',') ++pos;
            if (pos < n) ++pos;
        } else if (line[pos] == ',') {
            emplace_back();
            ++pos;
        } else {
            size_t start = pos;
            while (pos < n && !isListSpace(line[pos]) && line[pos] != ',') ++pos;
            push_back(line.substr(start, pos - start));
            while (pos < n && isListSpace(line[pos])) ++pos;
            if (pos < n) {
                if (line[pos] != ',') throw error() << Messages::getMessage("err_csv_no_quote");
                ++pos;
            }
        }
    }
}
