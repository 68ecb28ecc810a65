// The component tree's walk and its components' ties to their builds.
#include "components/ComponentManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "components/TreeCatalogue.h"
#include "components/VnComponent.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

using Catalogue = testutil::TreeCatalogue;

class Names : public ComponentManager::Visitor {
public:
    void visit(VnComponent* c) override { seen.push_back(c->getFullName()); }
    std::vector<std::string> seen;
};

// A node kind the walk does not know.
class OtherNode : public VnCompNode {
public:
    char getMark() const override { return '?'; }
    std::string getName() const override { return "other"; }
    std::string getProductId() const override { return ""; }
};

class ComponentManagerTest : public testutil::EnglishTest {};

TEST_F(ComponentManagerTest, WalksTheComponentsInOrder) {
    Catalogue tarnix("tarnix");
    Catalogue mardell("mardell");
    ComponentManager manager;
    Names empty;
    manager.visit(empty);
    EXPECT_TRUE(empty.seen.empty());

    manager.nodes = {tarnix.component("base"), mardell.component("base"), tarnix.component("mail")};
    Names names;
    manager.visit(names);
    EXPECT_EQ(names.seen, (std::vector<std::string>{"tarnix/base", "mardell/base", "tarnix/mail"}));
}

TEST_F(ComponentManagerTest, AnUnknownOrNullNodeEndsTheWalkWithAnInternalError) {
    Catalogue tarnix("tarnix");
    for (std::shared_ptr<VnCompNode> bad : {std::shared_ptr<VnCompNode>(std::make_shared<OtherNode>()),
                                            std::shared_ptr<VnCompNode>()}) {
        ComponentManager manager;
        manager.nodes = {tarnix.component("base"), bad, tarnix.component("mail")};
        Names names;
        const error e = raisedError([&] { manager.visit(names); });
        EXPECT_EQ(codesOf(e), "(3,1,1,3)");
        ASSERT_FALSE(e.lines.empty());
        EXPECT_NE(e.lines[0].find(" ComponentManager, line 682."), std::string::npos) << e.lines[0];
        EXPECT_EQ(names.seen, std::vector<std::string>{"tarnix/base"});
    }
}

// A visitor that drops the tree while it visits: the node in hand stays alive.
class Dropper : public ComponentManager::Visitor {
public:
    explicit Dropper(ComponentManager& manager) : manager(manager) {}
    void visit(VnComponent* c) override {
        manager.nodes.clear();
        name = c->getFullName();
    }
    ComponentManager& manager;
    std::string name;
};

TEST_F(ComponentManagerTest, ANodeOutlivesItsOwnVisit) {
    Catalogue tarnix("tarnix");
    ComponentManager manager;
    manager.nodes = {tarnix.component("base")};
    Dropper dropper(manager);
    manager.visitNode(dropper, manager.nodes[0]);
    EXPECT_EQ(dropper.name, "tarnix/base");
}

TEST_F(ComponentManagerTest, AComponentKeepsItsBuildAndNeedsOne) {
    std::shared_ptr<VnComponent> component;
    std::weak_ptr<Build> build;
    {
        Catalogue tarnix("tarnix");
        component = tarnix.component("base");
        build = tarnix.build;
        EXPECT_EQ(component->getProductId(), "tarnix");
        EXPECT_EQ(component->getName(), "base description");
        EXPECT_EQ(component->name, "base");
    }
    // the component shares the build; the release behind it is gone with the catalogue
    EXPECT_FALSE(build.expired());
    EXPECT_EQ(component->getProductId(), "");
    EXPECT_EQ(component->getFullName(), "base");

    const error e = raisedError([] { VnComponent(nullptr, "base", "d", "", {}); });
    EXPECT_EQ(codesOf(e), "(3,1,1,3)");
}

TEST_F(ComponentManagerTest, StatusIsReadOnlyOnceDetected) {
    Catalogue tarnix("tarnix");
    std::shared_ptr<VnComponent> component = tarnix.component("base");
    EXPECT_EQ(codesOf(raisedError([&] { component->getStatus(); })), "(3,1,1,3)");
    struct Row {
        int status;
        char mark;
    } rows[] = {{1, ' '}, {2, ' '}, {3, '='}, {4, '!'}};
    for (const Row& r : rows) {
        component->setStatus(r.status);
        EXPECT_EQ(component->getStatus(), r.status);
        EXPECT_EQ(component->getMark(), r.mark) << r.status;
    }
}

}  // namespace
