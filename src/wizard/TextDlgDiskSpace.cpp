#include "TextDlgDiskSpace.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include "../common/Messages.h"

namespace {

void megabytes(uint64_t kib) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(2) << static_cast<double>(kib) / 1024.0 << " Mb.\n\n";
    std::cout << text.str();
}

}  // namespace

TextDlgDiskSpace::~TextDlgDiskSpace() = default;

void TextDlgDiskSpace::show() {
    showHeader(Messages::getMessage("diskspace_page_hdr"));
    std::cout << Messages::getMessage("diskspace_page_body1") << directory << "'.\n\n";
    std::cout << Messages::getMessage("diskspace_page_body2");
    if (required != 0)
        megabytes(required);
    else
        std::cout << "unknown.\n\n";
    std::cout << Messages::getMessage("diskspace_page_body3");
    megabytes(available);
    std::cout << "\n" << Messages::getMessage("diskspace_page_bottom");
}

int TextDlgDiskSpace::run() {
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        const char letter = choice.isNumber ? 0 : choice.letter;
        if (letter == 'P') return PageResult::previous;
        if (letter == 'Q') return PageResult::quit;
        if (letter == 'N') {
            if (hasEnoughSpace()) return PageResult::next;
            continue;
        }
        waitForEnter(Messages::getMessage("wizard_listed_only"));
    }
}
