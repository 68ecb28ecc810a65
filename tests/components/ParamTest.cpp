// The setting base: offering values, read-only settings of installed components, defaults,
// owners, and the kinds that accept everything.
#include "components/Param.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "components/ParamBool.h"
#include "components/ParamDomain.h"
#include "components/ParamEmail.h"
#include "components/ParamEnum.h"
#include "components/ParamFloat.h"
#include "components/ParamGroup.h"
#include "components/ParamHidden.h"
#include "components/ParamHostname.h"
#include "components/ParamInteger.h"
#include "components/ParamPassword.h"
#include "components/ParamPath.h"
#include "components/ParamStatic.h"
#include "components/ParamString.h"
#include "components/ParamUrl.h"
#include "components/ParamCases.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::TreeCatalogue;

class ParamTest : public testutil::EnglishTest {
protected:
    TreeCatalogue tarnix{"tarnix"};
};

TEST_F(ParamTest, ANewSettingIsUnsetAndValid) {
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    ParamInteger p(owner.get(), "port", "", "");
    EXPECT_FALSE(p.isSet());
    EXPECT_FALSE(p.hasOwnValue());
    EXPECT_TRUE(p.isValid());
    EXPECT_EQ(p.getValue(), "");
    EXPECT_EQ(p.getBehaviour(), Param::regular);
    EXPECT_FALSE(p.hasDefaultValue());
    ASSERT_EQ(p.getComponents().size(), 1u);
    EXPECT_EQ(p.getComponents()[0].get(), owner.get());

    p.setTexts("Port", "The port to listen on", "Give a number");
    p.setBehaviour(Param::secure);
    EXPECT_EQ(p.getName(), "Port");
    EXPECT_EQ(p.getDescription(), "The port to listen on");
    EXPECT_EQ(p.getErrorMessage(), "Give a number");
    EXPECT_EQ(p.getBehaviour(), Param::secure);
}

// One setting is offered texts in turn; each row shows the state after its offer.
TEST_F(ParamTest, ARefusedTextKeepsTheEarlierValueAndSetState) {
    struct Row {
        const char* text;
        bool result;
        const char* value;
        bool set;
        bool valid;
    };
    const Row rows[] = {
        {"x", false, "", false, false},   // refused while unset: still unset
        {"42", true, "42", true, true},   // the first accepted text sets it
        {"4.2", false, "42", true, false},  // refused: the value and the set state stay
        {"", true, "", true, true},       // an accepted empty text replaces the value; still set
        {"7", true, "7", true, true},
    };
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    ParamInteger p(owner.get(), "port", "", "");
    p.setDefault("8443");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(p.setValue(r.text), r.result);
        EXPECT_EQ(p.getStoredValue(), r.value);
        EXPECT_EQ(p.isSet(), r.set);
        EXPECT_EQ(p.isValid(), r.valid);
        EXPECT_EQ(p.getInput(), r.text);
        EXPECT_EQ(p.getValue(), r.set ? r.value : "8443");
    }
}

TEST_F(ParamTest, ASettingOfAnInstalledComponentCannotChange) {
    struct Row {
        int status;
        bool microUpdate;
        bool readonly;
    };
    const Row rows[] = {
        {1, false, false}, {4, false, false}, {2, false, true}, {3, false, true},
        // an up-to-date component with a pending patch reads as an upgrade: still installed
        {3, true, true},
    };
    testutil::LogCapture log(3);
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.status) + (r.microUpdate ? " with a micro-update" : ""));
        // A build of no release: the micro-update has nobody to tell.
        VnComponent owner(std::make_shared<Build>(), "base", "Base", "", {});
        owner.setStatus(r.status);
        if (r.microUpdate) owner.setMicroUpdateAvailable();
        ParamInteger p(&owner, "port", "", "");
        EXPECT_EQ(p.is_readonly(), r.readonly);
        if (!r.readonly) {
            EXPECT_TRUE(p.setValue("80"));
            EXPECT_EQ(p.getStoredValue(), "80");
            continue;
        }
        for (const char* text : {"80", "not a number"}) {
            const error e = raisedError([&] { p.setValue(text); });
            EXPECT_EQ(codesOf(e), "(3,1,1,2)");
            EXPECT_EQ(e.text(), "Param::setValue: try to change read-only param\n");
        }
        EXPECT_EQ(p.getInput(), "") << "nothing changes, not even the input";
        EXPECT_FALSE(p.isSet());
        EXPECT_TRUE(p.isValid());
    }
    const std::string text = log.text();
    EXPECT_NE(text.find("Param::is_readonly: port return true\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Param::is_readonly: port return false\n"), std::string::npos) << text;
}

TEST_F(ParamTest, AnUndetectedOwnerOrANullOneIsAnError) {
    std::shared_ptr<VnComponent> undetected = tarnix.component("base");
    ParamInteger p(undetected.get(), "port", "", "");
    const error status = raisedError([&] { p.setValue("1"); });
    EXPECT_EQ(status.text(), "An internal error occured in vantrell, rev.297274 VnComponent, line 112.\n");
    EXPECT_EQ(p.getInput(), "");

    ParamInteger orphan(nullptr, "port", "", "");
    for (const auto& use : std::vector<std::function<void()>>{[&] { orphan.setValue("1"); },
                                                              [&] { orphan.hasUnselectedOwner(); }}) {
        const error e = raisedError(use);
        EXPECT_EQ(codesOf(e), "(3,1,0,3)");
        EXPECT_EQ(e.text().rfind("Try of use NULL pointer: ", 0), 0u) << e.text();
    }
}

TEST_F(ParamTest, DefaultsAreOptionalAndTheMissingOneIsNamed) {
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    ParamInteger p(owner.get(), "port", "", "");
    const error e = raisedError([&] { p.getDefault(); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "Param::getDefault - default value is not set for opton port\n");

    // A default that is there but empty still counts as a default.
    p.setDefault("");
    EXPECT_TRUE(p.hasDefaultValue());
    EXPECT_EQ(p.getDefault(), "");
    EXPECT_EQ(p.getValue(), "");

    // Without a parameter manager of the run, nothing is expanded.
    p.setDefault("[LOCALE]/[port]");
    EXPECT_EQ(p.getDefault(), "[LOCALE]/[port]");
    EXPECT_EQ(p.getRawDefault(), "[LOCALE]/[port]");
}

TEST_F(ParamTest, AnUnselectedOwnerIsReported) {
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    ParamInteger p(owner.get(), "port", "", "");
    EXPECT_TRUE(p.hasUnselectedOwner());
    owner->setSelected(true);
    EXPECT_FALSE(p.hasUnselectedOwner());
}

TEST_F(ParamTest, StaticTextAndHiddenSettingsAcceptEveryText) {
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
    const std::vector<testutil::ParamCase> cases = {
        {"", true, nullptr, nullptr},
        {"any text; with @ and \\", true, nullptr, nullptr},
        {"two\nlines", true, nullptr, nullptr},
    };
    testutil::expectParamCases([&] { return std::make_shared<ParamStatic>(owner.get(), "note"); }, cases);
    testutil::expectParamCases([&] { return std::make_shared<ParamHidden>(owner.get(), "key"); }, cases);
}

// The settings reader picks the kind by these names and the reports print them.
TEST_F(ParamTest, EveryKindNamesItsType) {
    VnComponent* o = nullptr;
    const std::vector<std::pair<std::shared_ptr<Param>, const char*>> kinds = {
        {std::make_shared<ParamPath>(o, "i", false), "path"},
        {std::make_shared<ParamUrl>(o, "i"), "url"},
        {std::make_shared<ParamBool>(o, "i"), "boolean"},
        {std::make_shared<ParamHostname>(o, "i"), "host-name"},
        {std::make_shared<ParamInteger>(o, "i", "", ""), "integer"},
        {std::make_shared<ParamEnum>(o, "i"), "enum"},
        {std::make_shared<ParamString>(o, "i", "", "", ""), "string"},
        {std::make_shared<ParamPassword>(o, "i", "", "", "", ""), "password"},
        {std::make_shared<ParamFloat>(o, "i", "", ""), "float"},
        {std::make_shared<ParamEmail>(o, "i"), "email"},
        {std::make_shared<ParamDomain>(o, "i"), "domain-name"},
        {std::make_shared<ParamStatic>(o, "i"), "static-text"},
        {std::make_shared<ParamHidden>(o, "i"), "__type_hidden__tei9Rae9__"},
        {std::make_shared<ParamGroup>(o, "i"), "__group_no_type__doh1Oolo__"},
    };
    for (const auto& kind : kinds) EXPECT_EQ(kind.first->getType(), kind.second);
}

}  // namespace
