#include "ProgressRecord.h"

#include <cstring>

void ProgressRecord::storeText(char* field, std::size_t size, const std::string& value) {
    std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(field, value.data(), n);
    field[n] = '\0';
}

std::string ProgressRecord::readText(const char* field, std::size_t size) {
    return std::string(field, ::strnlen(field, size));
}
