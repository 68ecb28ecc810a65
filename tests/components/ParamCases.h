#ifndef VN_TESTS_COMPONENTS_PARAMCASES_H
#define VN_TESTS_COMPONENTS_PARAMCASES_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/Param.h"

namespace testutil {

// One text offered to a fresh parameter of some kind.
struct ParamCase {
    std::string text;
    bool accepted;
    // What an accepted text is stored as; null: as offered.
    const char* stored;
    // Why the row is there, for the rows that keep an odd rule or guard a mended fault.
    const char* why;
};

// Offers each case's text to a new parameter from `make` and checks the outcome, the stored
// value, the set and valid states, and the kept input. Kinds that explain no refusal leave
// the validation message empty.
inline void expectParamCases(const std::function<std::shared_ptr<Param>()>& make, const std::vector<ParamCase>& cases,
                             bool explains = false) {
    for (const ParamCase& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" " + (c.why ? c.why : ""));
        std::shared_ptr<Param> p = make();
        EXPECT_EQ(p->setValue(c.text), c.accepted);
        EXPECT_EQ(p->isValid(), c.accepted);
        EXPECT_EQ(p->isSet(), c.accepted);
        EXPECT_EQ(p->getInput(), c.text);
        EXPECT_EQ(p->getStoredValue(), c.accepted ? std::string(c.stored ? c.stored : c.text) : std::string());
        if (!explains) {
            EXPECT_EQ(p->getValidationMessage(), "");
        }
    }
}

}  // namespace testutil

#endif
