#include "TextDlgPrompt.h"

TextDlgPrompt::~TextDlgPrompt() = default;

int TextDlgPrompt::run() {
    answer = askString(question, defaultAnswer);
    return PageResult::done;
}
