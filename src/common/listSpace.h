#ifndef VN_COMMON_LISTSPACE_H
#define VN_COMMON_LISTSPACE_H

// White space between the values of a list: that of the "C" locale, whatever locale the
// process runs in (isspace would follow the user's locale).
inline bool isListSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

#endif
