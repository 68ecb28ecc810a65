#include "TextDlgStrongYesNo.h"

#include <iostream>

#include "../common/Messages.h"

TextDlgStrongYesNo::~TextDlgStrongYesNo() = default;

void TextDlgStrongYesNo::show() { std::cout << "\n" << question << "\n"; }

int TextDlgStrongYesNo::run() {
    show();
    for (;;) {
        const std::string answer = askString(Messages::getMessage("strong_yesno_bottom"), "N");
        // Only this spelling says yes: "yes" or "y" typed by habit is asked again.
        if (answer == "Yes") return PageResult::yes;
        if (answer == "No" || answer == "no" || answer == "N" || answer == "n") return PageResult::no;
        std::cout << Messages::getMessage("wizard_listed_only") << "\n";
    }
}
