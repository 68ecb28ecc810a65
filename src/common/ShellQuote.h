#ifndef VN_COMMON_SHELLQUOTE_H
#define VN_COMMON_SHELLQUOTE_H

#include <string>

// The one way to put a value into a command text for /bin/sh. Every command builder passes
// each value (file names, package names, addresses, subjects, ...) through it; where no shell
// is needed, use an argument vector instead.
//
// A non-empty word made only of A-Za-z0-9 and _@%+=:,./- is returned unchanged, so the logged
// command of an ordinary name reads as it always did. Anything else is put in single quotes,
// each ' written as '\'' ; the empty text becomes ''. The result is exactly one shell word
// whose value is the input, byte for byte.
std::string shellQuote(const std::string& word);

#endif
