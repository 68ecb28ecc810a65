#ifndef VN_COMMON_BASE64_H
#define VN_COMMON_BASE64_H

#include <cstddef>
#include <string>
#include <vector>

// Base64 with the standard alphabet and "=" padding, in lines of 76 characters: a CR LF
// follows every full group that brings its line to 76 characters, so the text ends with one
// exactly when the input length is a multiple of 57. A padded last group never gets one.
std::string base64Encode(const unsigned char* data, size_t length);
std::string base64Encode(const std::vector<unsigned char>& bytes);

#endif
