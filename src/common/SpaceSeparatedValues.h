#ifndef VN_COMMON_SPACESEPARATEDVALUES_H
#define VN_COMMON_SPACESEPARATEDVALUES_H

#include <string>
#include <vector>

// The values of one line separated by white space, quoted as a shell would: '...' literally,
// "..." with a backslash taking the next character as it is (a backslash that ends the line
// stays in the value), plain values up to the next white space. A closing quote must be
// followed by white space or the line end: error (0,1,1,2) "err_spsepval" with the line. An
// unclosed quote ends at the line end.
class SpaceSeparatedValues : public std::vector<std::string> {
public:
    explicit SpaceSeparatedValues(const std::string& line);
};

#endif
