// The parameter manager in memory: its walk, the counts, references in defaults and the
// loading of given values. (A manager writes the answers file when it goes, hence the
// sandbox.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "components/ComponentManager.h"
#include "components/ParamManager.h"
#include "components/ParamTree.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::SettingsXml;
using testutil::TraceVisitor;

class ParamManagerTest : public testutil::EnglishTest {
protected:
    // Files the settings of `xml` for `owner`.
    void add(VnComponent* owner, const std::string& xml) {
        SettingsXml settings(xml);
        ASSERT_NE(settings.root, nullptr) << xml;
        manager.createFromElements(owner, settings.root);
    }
    // The first setting of that id, top level or below, whatever the values chosen.
    std::shared_ptr<Param> find(const std::string& id) {
        std::shared_ptr<Param> found = findIn(manager.getParams(), id);
        EXPECT_TRUE(found) << id;
        return found;
    }
    static std::shared_ptr<Param> findIn(const ParamManager::ParamList& list, const std::string& id) {
        for (const std::shared_ptr<Param>& p : list) {
            if (p->getId() == id) return p;
            if (auto* sub = dynamic_cast<SubParams*>(p.get()))
                for (const std::string& b : sub->getBranchValues())
                    if (std::shared_ptr<Param> below = findIn(sub->getBranch(b), id)) return below;
        }
        return nullptr;
    }
    std::string trace(const std::shared_ptr<Param>& start = nullptr, bool skipUnselected = false) {
        TraceVisitor t;
        manager.visit(t, start, skipUnselected);
        return t.trace;
    }

    // A further component, kept as long as the manager (which reads its settings' owners
    // to the end).
    std::shared_ptr<VnComponent> own(const std::string& name, int status, testutil::TreeCatalogue* catalogue = nullptr) {
        owners.push_back((catalogue ? *catalogue : tarnix).component(name, status));
        return owners.back();
    }

    testutil::TreeCatalogue tarnix{"tarnix"};
    std::shared_ptr<VnComponent> base = tarnix.component("base", 1);
    std::shared_ptr<VnComponent> extra = tarnix.component("extra", 1);
    std::vector<std::shared_ptr<VnComponent>> owners;
    ParamManager manager;
};

const char* const branching =
    "<settings>"
    "<setting id=\"flag\" type=\"boolean\"><setting id=\"sub\" type=\"url\"/></setting>"
    "<setting id=\"mode\" type=\"enum\"><choice id=\"9\"><setting id=\"nine\" type=\"url\"/></choice>"
    "<choice id=\"10\"><setting id=\"ten\" type=\"url\"/></choice><choice id=\"x\"/></setting>"
    "</settings>";

TEST_F(ParamManagerTest, WalksFollowTheChosenBranches) {
    add(base.get(), branching);
    add(extra.get(), "<settings><setting id=\"last\" type=\"url\"/></settings>");
    extra->setSelected(false);
    base->setSelected(true);

    const std::string flagAll = "visit:flag enter:flag branch:flag=true visit:sub /branch:flag=true /enter:flag ";
    const std::string modeAll =
        "visit:mode enter:mode branch:mode=10 visit:ten /branch:mode=10 branch:mode=9 visit:nine /branch:mode=9 "
        "/enter:mode ";
    EXPECT_EQ(trace(), "begin " + flagAll + modeAll + "visit:last end") << "unset: every branch, in byte order";
    EXPECT_EQ(trace(nullptr, true), "begin " + flagAll + modeAll + "end") << "the unselected owner's setting goes";

    ASSERT_TRUE(find("flag")->setValue("false"));
    ASSERT_TRUE(find("mode")->setValue("x"));
    EXPECT_EQ(trace(), "begin visit:flag enter:flag /enter:flag visit:mode enter:mode /enter:mode visit:last end")
        << "false has no branch, nor has the choice x";
    ASSERT_TRUE(find("flag")->setValue("yes"));
    ASSERT_TRUE(find("mode")->setValue("9"));
    EXPECT_EQ(trace(nullptr, true),
              "begin " + flagAll + "visit:mode enter:mode branch:mode=9 visit:nine /branch:mode=9 /enter:mode end");
}

TEST_F(ParamManagerTest, AWalkFromAStartReportsWhatFollowsIt) {
    add(base.get(), branching);
    add(extra.get(), "<settings><setting id=\"last\" type=\"url\"/></settings>");
    extra->setSelected(false);
    const std::shared_ptr<Param> sub = find("sub");
    const std::shared_ptr<Param> last = find("last");

    base->setSelected(true);
    const std::string modeAll =
        "visit:mode enter:mode branch:mode=10 visit:ten /branch:mode=10 branch:mode=9 visit:nine /branch:mode=9 "
        "/enter:mode ";
    EXPECT_EQ(trace(sub), "begin visit:sub /branch:flag=true /enter:flag " + modeAll + "visit:last end")
        << "the enclosing setting is left without having been entered";
    EXPECT_EQ(trace(find("ten"), true),
              "begin visit:ten /branch:mode=10 branch:mode=9 visit:nine /branch:mode=9 /enter:mode end");
    EXPECT_EQ(trace(find("mode"), true), "begin " + modeAll + "end");
    EXPECT_EQ(trace(last), "begin visit:last end");
    EXPECT_EQ(trace(last, true), "begin end") << "a skipped start starts nothing";

    // By identity: another setting of the same id is no start.
    add(base.get(), "<settings><setting id=\"sub\" type=\"url\"/></settings>");
    EXPECT_EQ(trace(manager.getParams().back()), "begin visit:sub end");
}

TEST_F(ParamManagerTest, CountsScoreEditableTopLevelSettings) {
    const auto settings = [](int count) {
        std::string xml = "<settings>";
        for (int i = 0; i < count; ++i) xml += "<setting id=\"s" + std::to_string(i) + "\" type=\"url\"/>";
        return xml + "<setting id=\"unset\" type=\"url\"/></settings>";
    };
    const auto fill = [](const ParamManager::ParamList& params, size_t from) {
        for (size_t i = from; i < params.size(); ++i)
            if (params[i]->getId() != "unset") {
                ASSERT_TRUE(params[i]->setValue("http://h/"));
            }
    };
    add(base.get(), settings(100));
    fill(manager.getParams(), 0);
    EXPECT_EQ(manager.countConfiguredComponents(), 1);
    EXPECT_EQ(manager.countReadyComponents(), 0) << "100 set and 1 unset score 0";

    add(extra.get(), settings(101));
    fill(manager.getParams(), 101);
    EXPECT_EQ(manager.countConfiguredComponents(), 2);
    EXPECT_EQ(manager.countReadyComponents(), 1) << "101 set and 1 unset score 1";

    const std::shared_ptr<VnComponent> installed = own("installed", 2);
    add(installed.get(), "<settings><setting id=\"fixed\" type=\"url\"/></settings>");
    EXPECT_EQ(manager.countConfiguredComponents(), 2) << "read-only settings are not counted";
    EXPECT_EQ(manager.countReadyComponents(), 1);

    // Only top-level settings count: an unset sub-setting weighs through its parent's isSet.
    const std::shared_ptr<VnComponent> third = own("third", 1);
    add(third.get(), branching);
    EXPECT_EQ(manager.countConfiguredComponents(), 3);
    EXPECT_EQ(manager.countReadyComponents(), 1);
}

TEST_F(ParamManagerTest, OnlyASelectedUndeterminedComponentStopsTheRun) {
    ComponentManager tree;
    const std::shared_ptr<VnComponent> unknown = own("unknown", 0);
    const std::shared_ptr<VnComponent> member = own("member", 0);
    tree.nodes = {base, unknown, tarnix.radioGroup("switch", {member})};
    base->setSelected(true);
    manager.investigateComponentsStatus(tree);

    // Selection reads the status, so it is made while the status is known.
    const auto selectUndetermined = [](VnComponent& c, bool select) {
        c.setStatus(1);
        c.setSelected(select);
        c.setStatus(0);
    };
    selectUndetermined(*unknown, true);
    EXPECT_EQ(testutil::codesOf(testutil::raisedError([&] { manager.investigateComponentsStatus(tree); })),
              "(3,1,1,3)");
    selectUndetermined(*unknown, false);
    selectUndetermined(*member, true);
    EXPECT_EQ(testutil::codesOf(testutil::raisedError([&] { manager.investigateComponentsStatus(tree); })),
              "(3,1,1,3)")
        << "radio group members are read too";
}

TEST_F(ParamManagerTest, DefaultsReferToTopLevelSettings) {
    add(base.get(),
        "<settings>"
        "<setting id=\"a\" type=\"url\"/>"
        "<setting id=\"b\" type=\"string\"/>"
        "<setting id=\"c\" type=\"string\" default-value=\"[a]/[b]\"/>"
        "<setting id=\"host\" type=\"host-name\" default-value=\"mail.[LOCALE].[b]\"/>"
        "<setting id=\"flag\" type=\"boolean\"><setting id=\"sub\" type=\"string\" default-value=\"s\"/></setting>"
        "<setting id=\"d\" type=\"string\" default-value=\"[sub]|[nope]|[c]|[b\"/>"
        "<setting id=\"e\" type=\"string\" default-value=\"[b]\"/>"
        "</settings>");
    ASSERT_TRUE(find("b")->setValue("x"));
    EXPECT_EQ(find("c")->getValue(), "/x") << "an empty value first, then a set one";
    EXPECT_EQ(find("host")->getValue(), "mail.en-US.x");
    EXPECT_EQ(find("d")->getValue(), "[sub]|[nope]|/x|[b") << "sub-settings and unknown names stay";
    // Expanded afresh at every call.
    ASSERT_TRUE(find("b")->setValue("y"));
    EXPECT_EQ(find("e")->getValue(), "y");

    std::string text = "[LOCALE]:[b]:[a";
    manager.expandParamReferences(text);
    EXPECT_EQ(text, "en-US:y:[a");
}

TEST_F(ParamManagerTest, ADefaultThatReachesItselfStaysUnexpanded) {
    add(base.get(),
        "<settings>"
        "<setting id=\"self\" type=\"string\" default-value=\"[self]\"/>"
        "<setting id=\"many\" type=\"string\" default-value=\"[many][many][many][many][many][many]\"/>"
        "<setting id=\"ping\" type=\"string\" default-value=\"p[pong]\"/>"
        "<setting id=\"pong\" type=\"string\" default-value=\"q[ping]\"/>"
        "<setting id=\"fine\" type=\"string\" default-value=\"[LOCALE]\"/>"
        "</settings>");
    struct Row {
        const char* id;
        const char* value;
        const char* warned;
    } rows[] = {
        {"self", "[self]", "[self]"},
        {"many", "[many][many][many][many][many][many]", "[many][many][many][many][many][many]"},
        {"ping", "p[pong]", "p[pong]"},
        {"fine", "en-US", nullptr},
    };
    for (const Row& r : rows) {
        testutil::LogCapture log(1);
        EXPECT_EQ(find(r.id)->getValue(), r.value) << r.id;
        const std::string warning = "Warning: recursive reference in default value, left unexpanded: ";
        if (r.warned) {
            EXPECT_EQ(log.text(), warning + r.warned + "\n") << r.id;
        } else {
            EXPECT_EQ(log.text(), "") << r.id;
        }
    }
}

TEST_F(ParamManagerTest, TheRunsComponentsLiveAsLongAsTheManager) {
    auto tree = std::make_unique<ComponentManager>();
    std::weak_ptr<VnComponent> owner = tarnix.component(*tree->arena(), "web", 1);
    owner.lock()->setSelected(true);
    add(owner.lock().get(), "<settings><setting id=\"port\" type=\"integer\"/></settings>");
    manager.keepComponents(tree->arena());
    tree.reset();
    ASSERT_FALSE(owner.expired()) << "the tree went, the settings' owner stays";
    ASSERT_TRUE(manager.getParams().front()->setValue("80"));
    manager.finish();
}

TEST(ParamManagerCurrent, TheNewestManagerIsCurrentUntilItGoes) {
    testutil::TreeCatalogue tarnix{"tarnix"};
    const std::shared_ptr<VnComponent> base = tarnix.component("base", 1);
    EXPECT_EQ(ParamManager::current, nullptr);
    EXPECT_EQ(expandDefaultValue("[LOCALE]"), "[LOCALE]") << "without a manager nothing is expanded";
    {
        ParamManager first;
        EXPECT_EQ(ParamManager::current, &first);
        auto second = std::make_unique<ParamManager>();
        EXPECT_EQ(ParamManager::current, second.get());
        SettingsXml settings("<settings><setting id=\"a\" type=\"url\" default-value=\"http://h/\"/></settings>");
        second->createFromElements(base.get(), settings.root);
        EXPECT_EQ(expandDefaultValue("[a]"), "http://h/");
        first.finish();
        EXPECT_EQ(ParamManager::current, second.get()) << "an older one does not release the newer";
        second.reset();
        EXPECT_EQ(ParamManager::current, nullptr);
    }
    EXPECT_EQ(ParamManager::current, nullptr);
}

class ParamLoaderTest : public ParamManagerTest {};

TEST_F(ParamLoaderTest, GivenValuesAreOfferedAlongTheWalk) {
    const std::shared_ptr<VnComponent> installed = own("installed", 2);
    const std::shared_ptr<VnComponent> other = own("other", 1);
    other->setSelected(false);
    add(base.get(),
        "<settings>"
        "<setting id=\"port\" type=\"integer\"><error-message>Give a port.</error-message></setting>"
        "<setting id=\"pw\" type=\"password\" min-length=\"6\"><error-message>Bad password.</error-message></setting>"
        "<setting id=\"token\" type=\"string\" behaviour=\"secure\"/>"
        "<setting id=\"notice\" type=\"static-text\"/>"
        "<setting id=\"key\" type=\"hidden\"/>"
        "<setting id=\"flag\" type=\"boolean\"><setting id=\"sub\" type=\"url\"/></setting>"
        "<setting id=\"on\" type=\"boolean\"><setting id=\"onsub\" type=\"url\"/></setting>"
        "<setting id=\"missing\" type=\"url\"/>"
        "</settings>");
    add(installed.get(), "<settings><setting id=\"fixed\" type=\"integer\"/></settings>");
    add(other.get(), "<settings><setting id=\"elsewhere\" type=\"integer\"/></settings>");

    const ParamManager::Values values = {
        {"tarnix",
         {{"port", "8o"},
          {"pw", "abc"},
          {"token", "t0ken-value"},
          {"notice", "n"},
          {"key", "k"},
          {"flag", "false"},
          {"sub", "http://sub/"},
          {"on", "true"},
          {"onsub", "http://onsub/"},
          {"fixed", "80"},
          {"elsewhere", "7"}}},
        {"other-product", {{"missing", "http://x/"}}},
    };
    testutil::LogCapture log(3);
    int refused = 0;
    manager.loadFromOptions(values, &refused);
    EXPECT_EQ(refused, 2);

    struct Row {
        const char* id;
        bool set;
        const char* value;
    } rows[] = {
        {"port", false, ""},         {"pw", false, ""},
        {"token", true, "t0ken-value"}, {"notice", false, ""},
        {"key", false, ""},          {"flag", true, "false"},
        {"sub", false, ""},  // its parent was loaded "false" first: passed over in the same walk
        {"on", true, "true"},        {"onsub", true, "http://onsub/"},
        {"fixed", false, ""},        {"elsewhere", true, "7"},  // an unselected owner's settings load too
        {"missing", false, ""},      // values of another product
    };
    for (const Row& r : rows) {
        EXPECT_EQ(find(r.id)->hasOwnValue(), r.set) << r.id;
        EXPECT_EQ(find(r.id)->getStoredValue(), r.value) << r.id;
    }
    EXPECT_EQ(find("port")->getInput(), "8o");

    const std::string text = log.text();
    for (const char* line : {
             "ParamManager::ParamLoader::visit: entry\n",
             "DEBUG: ParamLoader: skip of set read-only option: [tarnix][fixed]=80\n",
             "DEBUG: ParamLoader: set component from option: [tarnix][port]=8o\n",
             "DEBUG: ParamLoader: Set param error: Give a port.\n",
             "DEBUG: ParamLoader: set component from option: [tarnix][pw]=***\n",
             "DEBUG: ParamLoader: Set param error: Bad password. - The specified password is too short. The "
             "password should be at least 6 characters long.\n",
             "DEBUG: ParamLoader: set component from option: [tarnix][token]=***\n",
             "DEBUG: ParamLoader: set component from option: [tarnix][elsewhere]=7\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << "--- log ---\n" << text;
    for (const char* absent : {"abc", "t0ken", "[tarnix][notice]", "[tarnix][key]", "[tarnix][sub]"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;

    // Without a counter refusals are only logged.
    manager.loadFromOptions(values);
}

TEST_F(ParamLoaderTest, ASettingWithoutProductIsAnInternalError) {
    testutil::TreeCatalogue nameless{""};
    const std::shared_ptr<VnComponent> orphan = own("orphan", 1, &nameless);
    add(orphan.get(), "<settings><setting id=\"a\" type=\"url\"/></settings>");
    const error e = testutil::raisedError([&] { manager.loadFromOptions({{"", {{"a", "http://h/"}}}}); });
    EXPECT_EQ(testutil::codesOf(e), "(3,1,1,3)");
    EXPECT_NE(e.text().find("ParamManager"), std::string::npos) << e.text();
}

}  // namespace
