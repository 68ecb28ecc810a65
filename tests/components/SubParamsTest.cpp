// Settings with branches: which branch a value brings in, when the whole is set, the
// branch lists, and the group that holds no value.
#include "components/SubParams.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "components/ParamBool.h"
#include "components/ParamEnum.h"
#include "components/ParamGroup.h"
#include "components/ParamInteger.h"
#include "components/ParamString.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;
using testutil::TreeCatalogue;

class SubParamsTest : public testutil::EnglishTest {
protected:
    TreeCatalogue tarnix{"tarnix"};
    std::shared_ptr<VnComponent> owner = tarnix.component("base", 1);
};

// A boolean whose branch "true" holds a port, which is itself asked; the steps run in order
// on the same settings.
TEST_F(SubParamsTest, ABooleanIsSetWhenItsChosenBranchIsSet) {
    auto ssl = std::make_shared<ParamBool>(owner.get(), "ssl");
    auto port = std::make_shared<ParamInteger>(owner.get(), "ssl_port", "", "");
    ssl->addBranchParam("true", port);
    struct Step {
        const char* what;
        std::shared_ptr<Param> param;
        const char* text;
        bool set;
    };
    const Step steps[] = {
        {"unset", nullptr, nullptr, false},
        {"no", ssl, "false", true},
        {"yes, its port unset", ssl, "true", false},
        {"a refused port", port, "x", false},
        {"the port set", port, "443", true},
        {"no again", ssl, "N", true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.param) s.param->setValue(s.text);
        EXPECT_EQ(ssl->isSet(), s.set);
        EXPECT_EQ(ssl->hasOwnValue(), s.param != nullptr) << "the base test asks no branch";
    }
}

TEST_F(SubParamsTest, BranchesNestAndTheFirstUnsetSettingDecides) {
    auto mail = std::make_shared<ParamBool>(owner.get(), "mail");
    auto relay = std::make_shared<ParamBool>(owner.get(), "relay");
    auto host = std::make_shared<ParamString>(owner.get(), "relay_host", "", "", "");
    auto note = std::make_shared<ParamString>(owner.get(), "note", "", "", "");
    mail->addBranchParam("true", relay);
    mail->addBranchParam("true", note);
    relay->addBranchParam("true", host);

    mail->setValue("yes");
    note->setValue("n");
    relay->setValue("yes");
    EXPECT_FALSE(mail->isSet()) << "the relay host two levels down is unset";
    host->setValue("mx.example.com");
    EXPECT_TRUE(mail->isSet());
}

TEST_F(SubParamsTest, AnEnumIsSetWhenItsChoiceHasNoBranchOrAFullOne) {
    auto db = std::make_shared<ParamEnum>(owner.get(), "db");
    db->setChoices({{"local", "On this server"}, {"remote", "Elsewhere"}});
    auto dbHost = std::make_shared<ParamString>(owner.get(), "db_host", "", "", "");
    db->addBranchParam("remote", dbHost);

    EXPECT_FALSE(db->isSet());
    db->setValue("local");
    EXPECT_TRUE(db->isSet()) << "no branch for this choice";
    db->setValue("remote");
    EXPECT_FALSE(db->isSet());
    dbHost->setValue("db.example.com");
    EXPECT_TRUE(db->isSet());
}

TEST_F(SubParamsTest, BranchValuesComeInByteOrderAndBranchesAreCopies) {
    auto db = std::make_shared<ParamEnum>(owner.get(), "db");
    auto a = std::make_shared<ParamString>(owner.get(), "a", "", "", "");
    auto b = std::make_shared<ParamString>(owner.get(), "b", "", "", "");
    for (const char* branch : {"b", "a", "", "9", "10"}) db->addBranchParam(branch, a);
    EXPECT_EQ(db->getBranchValues(), (std::vector<std::string>{"", "10", "9", "a", "b"}));

    db->addBranchParam("a", b);
    db->addBranchParam("a", a);
    SubParams::ParamList list = db->getBranch("a");
    ASSERT_EQ(list.size(), 3u) << "the same handle is listed again";
    EXPECT_EQ(list[0], a);
    EXPECT_EQ(list[1], b);
    EXPECT_EQ(list[2], a);
    list.clear();
    EXPECT_EQ(db->getBranch("a").size(), 3u) << "the caller's list is a copy";
}

TEST_F(SubParamsTest, AnUnknownBranchIsAnInternalError) {
    auto db = std::make_shared<ParamEnum>(owner.get(), "db");
    db->addBranchParam("a", std::make_shared<ParamString>(owner.get(), "a", "", "", ""));
    testutil::LogCapture log(3);
    const error e = raisedError([&] { db->getBranch("z"); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 Param, line 189.\n");
    EXPECT_NE(log.text().find("DEBUG: SubParams::getBranch: br=z, param ID db\n"), std::string::npos) << log.text();

    const error empty = raisedError([&] { db->addBranchParam("a", nullptr); });
    EXPECT_EQ(empty.text(), "An internal error occured in vantrell, rev.297274 SubParams, line 27.\n");
    EXPECT_EQ(db->getBranch("a").size(), 1u);
}

TEST_F(SubParamsTest, AGroupTakesNoValue) {
    auto group = std::make_shared<ParamGroup>(owner.get(), ParamGroup::groupId);
    group->setTexts(ParamGroup::groupName, "Mail settings", ParamGroup::groupErrorMessage);
    auto member = std::make_shared<ParamString>(owner.get(), "relay", "", "", "");
    group->addBranchParam("", member);
    member->setValue("mx");

    const error e = raisedError([&] { group->setValue(""); });
    EXPECT_EQ(codesOf(e), "(3,1,1,2)");
    EXPECT_EQ(e.text(), "SubParams::validate: need to override this in subclasses\n");
    EXPECT_FALSE(group->isSet()) << "a group is never set, whatever its members";
    EXPECT_EQ(group->getId(), "__SUBGROUP");
    EXPECT_EQ(group->getName(), "__group_cant_have_name__");
    EXPECT_EQ(group->getErrorMessage(), "__group_cant_have_errmsg__");
}

TEST_F(SubParamsTest, ABooleanStoresOnlyTrueOrFalse) {
    ParamBool b(owner.get(), "ssl");
    const error e = raisedError([&] { b.assign("maybe"); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
    EXPECT_EQ(e.text(), "An internal error occured in vantrell, rev.297274 ParamBool, line 40.\n");
    EXPECT_EQ(b.getStoredValue(), "");
}

}  // namespace
