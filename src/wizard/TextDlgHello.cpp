#include "TextDlgHello.h"

#include <iostream>

#include "../common/Messages.h"

TextDlgHello::~TextDlgHello() = default;

void TextDlgHello::show() {
    showHeader(Messages::getMessage("hello_page_hdr"));
    std::cout << Messages::getMessage("hello_page_body1") << "\n\n"
              << Messages::getMessage("hello_page_body2") << "\n\n"
              << Messages::getMessage("hello_page_body3") << "\n\n"
              << Messages::getMessage("hello_page_bottom");
}

int TextDlgHello::run() {
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        if (!choice.isNumber && choice.letter == 'N') return PageResult::next;
        if (!choice.isNumber && choice.letter == 'Q') return PageResult::quit;
        waitForEnter(Messages::getMessage("wizard_listed_only"));
    }
}
