#include "TextDlgMessage.h"

TextDlgMessage::~TextDlgMessage() = default;

int TextDlgMessage::run() {
    waitForEnter(text);
    return PageResult::done;
}
