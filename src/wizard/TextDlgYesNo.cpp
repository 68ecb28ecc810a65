#include "TextDlgYesNo.h"

#include <iostream>

#include "../common/Messages.h"

TextDlgYesNo::~TextDlgYesNo() = default;

void TextDlgYesNo::show() { std::cout << "\n" << question << "\n\n" << Messages::getMessage("yesno_bottom"); }

int TextDlgYesNo::run() {
    for (;;) {
        show();
        // A blank as the default letter: an empty line must never count as an answer.
        const Choice choice = readChoice(' ');
        if (!choice.isNumber && choice.letter == 'Y') return PageResult::yes;
        if (!choice.isNumber && choice.letter == 'N') return PageResult::no;
        waitForEnter(Messages::getMessage("wizard_listed_only"));
    }
}
