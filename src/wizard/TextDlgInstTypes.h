#ifndef VN_WIZARD_TEXTDLGINSTTYPES_H
#define VN_WIZARD_TEXTDLGINSTTYPES_H

#include <string>

#include "DlgInstTypes.h"
#include "TextDialog.h"

// The installation types of one product at a time; with several products, the products come
// first in the numbering and a number there switches the product shown.
class TextDlgInstTypes : public DlgInstTypes, public TextDialog {
public:
    using DlgInstTypes::DlgInstTypes;
    ~TextDlgInstTypes() override;
    // 200 (also after 'L', with viewComponents set), 201 or 202. An empty table: 200 at once.
    int run() override;
    void show();
    // A number typed by the user; one that names nothing is ignored.
    void choose(int number);

    // The product whose types are listed; the first product at the start of every run.
    std::string currentProduct;
};

#endif
