#include "TextDlgInstTypes.h"

#include <boost/format.hpp>
#include <iomanip>
#include <iostream>

#include "../common/Messages.h"

TextDlgInstTypes::~TextDlgInstTypes() = default;

int TextDlgInstTypes::run() {
    viewComponents = false;
    if (choices.empty()) return PageResult::next;
    currentProduct = choices.front().first;
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        if (choice.isNumber) {
            choose(choice.number);
            continue;
        }
        switch (choice.letter) {
            case 'L':
                viewComponents = true;
                return PageResult::next;
            case 'N':
                return PageResult::next;
            case 'P':
                return PageResult::previous;
            case 'Q':
                return PageResult::quit;
            default:
                waitForEnter(Messages::getMessage("wizard_listed_only"));
        }
    }
}

void TextDlgInstTypes::show() {
    const InstTypes::ProductTypes& current = instTypes->forProduct(currentProduct);
    const std::string productHeader =
        (boost::format(Messages::getMessage("insttypes_page_hdr1")) % current.product_name).str();
    int n = 1;
    if (choices.size() == 1) {
        showHeader(productHeader);
        std::cout << Messages::getMessage("insttypes_page_body") << "\n\n";
    } else {
        showHeader(Messages::getMessage("insttypes_page_hdr"));
        std::cout << Messages::getMessage("insttypes_page_body") << "\n\n";
        for (const InstTypes::ProductTypes& entry : instTypes->products()) {
            const InstTypes::Type& chosen = InstTypes::findType(entry, choiceFor(entry.product_id));
            std::cout << std::setw(2) << n << ". (" << (entry.product_id == currentProduct ? '*' : ' ') << ") "
                      << entry.product_name << " (" << chosen.name << " installation)\n";
            ++n;
        }
        std::cout << "\n" << productHeader << ":\n\n";
    }
    const std::string& chosenName = choiceFor(currentProduct);
    for (const InstTypes::Type& type : current.types) {
        std::cout << std::setw(2) << n << ". (" << (type.name == chosenName ? '*' : ' ') << ") " << type.name
                  << "\n       " << type.description << "\n\n";
        ++n;
    }
    std::cout << "\n" << Messages::getMessage("insttypes_page_bottom");
}

void TextDlgInstTypes::choose(int number) {
    int first = 1;
    if (choices.size() >= 2) {
        const auto& products = instTypes->products();
        const int count = static_cast<int>(products.size());
        if (number >= 1 && number <= count) {
            currentProduct = products[number - 1].product_id;
            return;
        }
        first = count + 1;
    }
    const auto& types = instTypes->forProduct(currentProduct).types;
    // In 64 bits: a number near INT_MAX must not wrap into the range.
    const long long index = static_cast<long long>(number) - first;
    if (index >= 0 && index < static_cast<long long>(types.size())) choiceFor(currentProduct) = types[index].name;
}
