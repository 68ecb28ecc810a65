#ifndef VN_WIZARD_TEXTDLGPACKAGES_H
#define VN_WIZARD_TEXTDLGPACKAGES_H

#include "DlgPackages.h"
#include "TextDialog.h"

// The package counts; 'S' shows the whole list through a pager.
class TextDlgPackages : public DlgPackages, public TextDialog {
public:
    using DlgPackages::DlgPackages;
    ~TextDlgPackages() override;
    // 200 (after the kernel consent), 201 or 202. An error while the list is shown leaves the
    // page with an "err_show_pkglist" line.
    int run() override;
    void show();
    // The list in its text form, through "less" when it runs, else "more", else on the
    // standard output after a warning. Quitting the pager early ends the writing, nothing
    // more.
    void showPackages();
};

#endif
