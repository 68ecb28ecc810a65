#ifndef VN_WIZARD_TEXTDLGOPTIONS_H
#define VN_WIZARD_TEXTDLGOPTIONS_H

#include <memory>
#include <set>

#include "../components/ParamManager.h"
#include "DlgOptions.h"
#include "TextDialog.h"

class Param;
class VnComponent;

// How many configurable components are complete, then, on request, every setting of the
// selected components, component by component; after each component the user may ask it
// again.
class TextDlgOptions : public DlgOptions, public TextDialog {
public:
    // Asks the settings one walk reaches. Read-only settings (those of components already
    // installed or being upgraded) are passed over: they cannot change, and a component with
    // nothing else gets no heading.
    class Asker : public ParamManager::Visitor, public TextDialog {
    public:
        // With `undefinedOnly`, settings that are already set are passed over too (a choice
        // that has a value, whatever its branch holds), except those asked earlier by this
        // asker, so that asking a component again asks them.
        explicit Asker(bool undefinedOnly = false);
        ~Asker() override;
        void visit(const std::shared_ptr<Param>& param) override;
        void end() override;
        // Asks until a value is accepted; groups, static and hidden settings ask nothing.
        void askParam(const std::shared_ptr<Param>& param);
        // After a component's last setting: go on, or set `redo`.
        void askComponentDone();

        // Not owned; null before the first heading of a pass.
        VnComponent* currentComponent;
        int componentCount;
        // The first setting asked of currentComponent: where a redo starts again.
        std::shared_ptr<Param> firstParam;
        bool redo;
        bool undefinedOnly;

    private:
        std::set<const Param*> asked;
    };

    using DlgOptions::DlgOptions;
    ~TextDlgOptions() override;
    // 200, 201 or 202.
    int run() override;
    // The summary; sets `mode`.
    void show();
    // Walks the settings of the selected components until no redo is asked for; 200.
    int askAll(bool undefinedOnly);

    // 0 every configurable component is complete, 1 none is, 2 some are.
    int mode = 0;
};

#endif
