#include "TextDlgOptions.h"

#include <boost/format.hpp>
#include <iostream>

#include "../common/Messages.h"
#include "../components/Param.h"
#include "../components/ParamBool.h"
#include "../components/ParamEnum.h"
#include "../components/ParamHidden.h"
#include "../components/ParamPassword.h"
#include "../components/ParamStatic.h"
#include "../components/SubParams.h"
#include "../components/VnComponent.h"

namespace {

// Offers the answer; a refusal is explained and answers false.
bool offer(Param& param, const std::string& answer) {
    if (param.setValue(answer)) return true;
    std::cout << param.getErrorMessage();
    if (!param.getValidationMessage().empty()) std::cout << " - " << param.getValidationMessage();
    std::cout << "\n";
    return false;
}

void listedOnly(TextDialog& dialog) { dialog.waitForEnter(Messages::getMessage("wizard_listed_only")); }

}  // namespace

TextDlgOptions::~TextDlgOptions() = default;

void TextDlgOptions::show() {
    showHeader(Messages::getMessage("options_page_hdr"));
    const int configured = paramManager->countConfiguredComponents();
    const int ready = paramManager->countReadyComponents();
    std::cout << configured << Messages::getMessage("options_page_body1");
    if (ready == 0) {
        std::cout << Messages::getMessage("options_page_body3") << "\n" << Messages::getMessage("options_page_bottom");
        mode = 1;
    } else if (configured == ready) {
        std::cout << Messages::getMessage("options_page_body4") << "\n" << Messages::getMessage("options_page_bottom3");
        mode = 0;
    } else {
        std::cout << boost::format(Messages::getMessage("options_page_body2")) % (configured - ready)
                  << Messages::getMessage("options_page_bottom2");
        mode = 2;
    }
}

int TextDlgOptions::run() {
    for (;;) {
        show();
        const Choice choice = readChoice('N');
        const char letter = choice.isNumber ? 0 : choice.letter;
        switch (letter) {
            case 'L':
                return PageResult::previous;
            case 'N':
                if (mode == 0) return PageResult::next;
                return askAll(false);
            case 'Q':
                return PageResult::quit;
            case 'R':
                if (mode == 0) return askAll(false);
                break;
            case 'U':
                if (mode == 2) return askAll(true);
                if (mode == 0) return askAll(false);
                break;
            default:
                break;
        }
        listedOnly(*this);
    }
}

int TextDlgOptions::askAll(bool undefinedOnly) {
    Asker asker(undefinedOnly);
    do {
        asker.componentCount = 0;
        asker.currentComponent = nullptr;
        asker.redo = false;
        paramManager->visit(asker, asker.firstParam, true);
    } while (asker.redo);
    return PageResult::next;
}

TextDlgOptions::Asker::Asker(bool undefinedOnly_)
    : currentComponent(nullptr), componentCount(0), redo(false), undefinedOnly(undefinedOnly_) {}

TextDlgOptions::Asker::~Asker() = default;

void TextDlgOptions::Asker::visit(const std::shared_ptr<Param>& param) {
    if (redo) return;
    if (param->is_readonly()) return;
    if (undefinedOnly && !asked.count(param.get())) {
        // A choice already made is not asked again; the walk still enters its branch, whose
        // own settings answer for themselves. Groups hold no value: their heading stays.
        const bool answered = dynamic_cast<SubParams*>(param.get()) ? param->hasOwnValue() : param->isSet();
        if (answered) return;
    }
    VnComponent* component = param->getComponents().front().checked();
    if (component != currentComponent) {
        if (currentComponent) {
            askComponentDone();
            if (redo) return;
        }
        ++componentCount;
        currentComponent = component;
        firstParam = param;
        std::cout << "\n\n" << componentCount << ") Component: " << component->name << "\n\n";
    }
    asked.insert(param.get());
    askParam(param);
}

void TextDlgOptions::Asker::end() {
    if (!redo) askComponentDone();
}

void TextDlgOptions::Asker::askComponentDone() {
    if (!currentComponent) return;
    for (;;) {
        std::cout << boost::format(Messages::getMessage("options_page_body5")) % currentComponent->name;
        const Choice choice = readChoice('N');
        if (!choice.isNumber && choice.letter == 'N') return;
        if (!choice.isNumber && choice.letter == 'R') {
            redo = true;
            return;
        }
        listedOnly(*this);
    }
}

void TextDlgOptions::Asker::askParam(const std::shared_ptr<Param>& param) {
    Param& p = *param;
    // The value accepted earlier (a branching setting's own, whatever its branch holds),
    // else the default.
    const std::string current =
        p.hasOwnValue() ? p.getStoredValue() : (p.hasDefaultValue() ? p.getDefault() : std::string());

    if (auto* list = dynamic_cast<ParamEnum*>(&p)) {
        std::cout << p.getDescription() << "\n";
        const ParamEnum::Choices& choices = list->getChoices();
        int offered = 1;
        for (size_t i = 0; i < choices.size(); ++i) {
            std::cout << "  " << i + 1 << ") " << choices[i].second << "\n";
            if (choices[i].first == current) offered = static_cast<int>(i) + 1;
        }
        // Nothing could be accepted.
        if (choices.empty()) return;
        for (;;) {
            std::cout << boost::format(Messages::getMessage("options_page_body7")) % offered;
            const Choice choice = readChoice('N');
            if (choice.isNumber && choice.number >= 1 && choice.number <= static_cast<int>(choices.size())) {
                p.setValue(choices[choice.number - 1].first);
                return;
            }
            if (!choice.isNumber && choice.letter == 'N') {
                p.setValue(choices[offered - 1].first);
                return;
            }
            listedOnly(*this);
        }
    }
    if (dynamic_cast<ParamBool*>(&p)) {
        std::cout << p.getDescription() << "\n";
        const std::string shown = current == "true" ? "yes" : current == "false" ? "no" : current;
        while (!offer(p, askString(p.getName(), shown))) {
        }
        return;
    }
    if (dynamic_cast<SubParams*>(&p)) {
        std::cout << "\n\n --- " << p.getDescription() << " ---\n\n";
        return;
    }
    if (dynamic_cast<ParamPassword*>(&p)) {
        std::cout << p.getDescription() << "\n";
        while (!offer(p, askPassword(p.getName(), current))) {
        }
        return;
    }
    if (dynamic_cast<ParamStatic*>(&p)) {
        const std::string text = p.getDefault();
        std::cout << "\n" << p.getDescription() << "\n" << p.getName() << ": " << text << "\n\n";
        p.setValue(text);
        return;
    }
    if (dynamic_cast<ParamHidden*>(&p)) {
        p.setValue(p.getDefault());
        return;
    }
    std::cout << p.getDescription() << "\n";
    while (!offer(p, askString(p.getName(), current))) {
    }
}
