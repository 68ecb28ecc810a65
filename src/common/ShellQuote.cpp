#include "ShellQuote.h"

namespace {

bool isPlain(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
    case '_': case '@': case '%': case '+': case '=': case ':': case ',': case '.': case '/':
    case '-':
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string shellQuote(const std::string& word) {
    bool plain = !word.empty();
    for (char c : word) {
        if (!isPlain(static_cast<unsigned char>(c))) {
            plain = false;
            break;
        }
    }
    if (plain) return word;

    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}
