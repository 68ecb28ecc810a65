// The installation types, components and settings pages over trees loaded from the build
// descriptions of tests/fixtures/wizard/components, with scripted console input.
#include <gtest/gtest.h>

#include <iostream>
#include <set>
#include <vector>
#include <memory>
#include <string>

#include "components/VnRadioGroup.h"
#include "support/LogCapture.h"
#include "wizard/ScriptedConsole.h"
#include "wizard/TextDlgComponents.h"
#include "wizard/TextDlgInstTypes.h"
#include "wizard/TextDlgMaker.h"
#include "wizard/TextDlgOptions.h"
#include "wizard/WizardTree.h"

namespace {

using testutil::ScriptedConsole;
using wizardtest::WizardTreeTest;

using Outcome = testutil::PageOutcome;
using testutil::runPage;

const std::string rule(79, '=');

std::string header(const std::string& title) { return "\n\n\n\n\n" + title + "\n" + rule + "\n\n"; }

const std::string listedOnly = "\n\nPlease type one of the listed characters.\n(press Enter to continue) ";

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

// Fragments that an output must hold, in this order.
void expectInOrder(const std::string& out, const std::vector<std::string>& fragments, const char* label) {
    size_t from = 0;
    for (const std::string& fragment : fragments) {
        const size_t at = out.find(fragment, from);
        ASSERT_NE(std::string::npos, at) << label << ": missing, or out of order:\n" << fragment << "\n--- in:\n" << out;
        from = at + fragment.size();
    }
}

// --- Installation types

const std::string typesBottom =
    "N) Continue installation with selected type; P) Go the previous page; Q) Cancel installing;\n"
    "L) View or change components marked for installation;\n"
    "To select an installation type or choose another product, type the respective number;\n"
    "Select an action [N]: ";

class InstTypesPage : public WizardTreeTest {};

TEST_F(InstTypesPage, OneProductNamesItInTheHeaderAndNumbersTheTypesFromOne) {
    load(wizardtest::usualHost(), {{"alpha", "alpha-2.0"}});
    TextDlgInstTypes page(&tree());
    const Outcome o = runPage(page, "N\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_EQ(header("Select the installation type for Alpha Server") +
                  "Installation types for the product:\n\n"
                  " 1. (*) Typical\n"
                  "       Base, web pages and the control panel\n\n"
                  " 2. ( ) Minimal\n"
                  "       The base only\n\n"
                  " 3. ( ) Full\n"
                  "       Install all components.\n\n"
                  " 4. ( ) Custom\n"
                  "       Custom components selection. Recommended only for experienced users.\n\n"
                  "\n" +
                  typesBottom,
              o.out);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"alpha", "Typical"}}), page.choices);
}

TEST_F(InstTypesPage, TwoProductsComeFirstAndEachKeepsItsChoice) {
    load();
    TextDlgInstTypes page(&tree());
    const std::string twoProductsPage =
        header("Installation types") +
        "Installation types for the product:\n\n"
        " 1. (*) Alpha Server (Typical installation)\n"
        " 2. ( ) Beta Mail (Standard installation)\n"
        "\nSelect the installation type for Alpha Server:\n\n"
        " 3. (*) Typical\n"
        "       Base, web pages and the control panel\n\n"
        " 4. ( ) Minimal\n"
        "       The base only\n\n"
        " 5. ( ) Full\n"
        "       Install all components.\n\n"
        " 6. ( ) Custom\n"
        "       Custom components selection. Recommended only for experienced users.\n\n"
        "\n" +
        typesBottom;
    // Numbers that name nothing change nothing and say nothing: the same page three times.
    Outcome o = runPage(page, "0\n7\nN\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_EQ(twoProductsPage + twoProductsPage + twoProductsPage, o.out);

    struct Row {
        const char* label;
        std::string input;
        int result;
        std::vector<std::pair<std::string, std::string>> choices;
        std::vector<std::string> lastPage;
    };
    const Row rows[] = {
        {"a type of the first product", "4\nN\n", PageResult::next, {{"alpha", "Minimal"}, {"beta", "Standard"}},
         {" 1. (*) Alpha Server (Minimal installation)\n", " 4. (*) Minimal\n"}},
        {"the second product, then its Full type", "2\n4\nP\n", PageResult::previous,
         {{"alpha", "Minimal"}, {"beta", "Full"}},
         {" 1. ( ) Alpha Server (Minimal installation)\n", " 2. (*) Beta Mail (Full installation)\n",
          "Select the installation type for Beta Mail:\n\n 3. ( ) Standard\n", " 4. (*) Full\n", " 5. ( ) Custom\n"}},
        {"past the second product's last type", "2\n6\nQ\n", PageResult::quit,
         {{"alpha", "Minimal"}, {"beta", "Full"}},
         {" 2. (*) Beta Mail (Full installation)\n", " 5. ( ) Custom\n"}},
        {"a letter the page does not offer", "X\n\nQ\n", PageResult::quit,
         {{"alpha", "Minimal"}, {"beta", "Full"}},
         {listedOnly}},
    };
    // One page object throughout: choices outlive runs, and each run starts on the first product.
    for (const Row& row : rows) {
        o = runPage(page, row.input);
        EXPECT_EQ(row.result, o.result) << row.label << o.error;
        EXPECT_EQ(row.choices, page.choices) << row.label;
        expectInOrder(o.out, row.lastPage, row.label);
        EXPECT_NE(std::string::npos, o.out.find(" 1. (*) Alpha Server")) << row.label;
        EXPECT_FALSE(page.viewComponents) << row.label;
    }
}

TEST_F(InstTypesPage, LeavingWithLSetsTheComponentsFlagUntilTheNextRun) {
    load();
    TextDlgInstTypes page(&tree());
    Outcome o = runPage(page, "l\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_TRUE(page.viewComponents);
    o = runPage(page, "\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_FALSE(page.viewComponents);
}

TEST_F(InstTypesPage, TheProductLineShowsTheTableNameOfAChoiceWrittenInAnotherCase) {
    load();
    TextDlgInstTypes page(&tree());
    page.choiceFor("alpha") = "mINIMAL";
    const Outcome o = runPage(page, "N\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    expectInOrder(o.out, {" 1. (*) Alpha Server (Minimal installation)\n", " 4. ( ) Minimal\n"}, "case");
    // The mark compares exactly: no type is marked.
    EXPECT_EQ(std::string::npos, o.out.find(". (*) M"));
    // An unknown product gets an empty choice of its own.
    EXPECT_EQ("", page.choiceFor("gamma"));
    EXPECT_EQ(3u, page.choices.size());
}

TEST_F(InstTypesPage, AnEmptyTableLeavesAtOnceWithoutDrawing) {
    ComponentManager empty;
    TextDlgInstTypes page(&empty);
    const Outcome o = runPage(page, "");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_EQ("", o.out);
    EXPECT_NE(std::string::npos, testutil::raisedError([] { TextDlgInstTypes(nullptr); }).text().find("Try of use NULL pointer"));
}

// --- Components

const std::string mainBottom =
    "\nN) Next page; P) Go back;  Q) Cancel installing;\n"
    "A) Select all; D) Deselect all;\n"
    "Enter number to toggle the component or to view the group;\n"
    "Type a number or a character of desired action [N]: ";

const std::string alphaNodes =
    " 3.  *  Base of Alpha\n"
    " 4. [*] Web pages of Alpha\n"
    " 5. [ ] Control panel\n"
    " 6. [ ] Statistics\n"
    " 7. [=] Documentation\n"
    " 8. [!] Broken module\n"
    "\n"
    "  Mail transfer agent\n"
    " 9. (=) Small mail transfer agent\n"
    "10. ( ) Full mail transfer agent\n"
    "11. ( ) Tiny mail transfer agent\n"
    "\n"
    "12. [ ] <+> Tools // 0 of 2 components selected\n";

class ComponentsPage : public WizardTreeTest {
protected:
    std::unique_ptr<TextDlgComponents> page(const std::set<std::string>& products = {"alpha", "beta"}) {
        std::unique_ptr<TextDlgComponents> made(new TextDlgComponents(&tree(), catalogue.get()));
        made->productIds = products;
        return made;
    }
    std::string selection() { return joined(tree().getSelection()); }
};

TEST_F(ComponentsPage, TwoProductsComeFirstThenTheCurrentProductsTree) {
    load();
    auto p = page();
    // The base is to be installed: selected and required; web is to be upgraded: selected.
    EXPECT_EQ("alpha/base alpha/web", selection());
    const Outcome o = runPage(*p, "Q\n");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    // The legacy "Previous panel" has no line but counts: 11 = 10 components + 1 radio group.
    // A radio group counts for every product, so Beta's total holds Alpha's group.
    EXPECT_EQ(header("Primary components list") +
                  "Show components for the product:\n\n"
                  " 1. (*) Alpha Server  ........ 2 of 11 components selected\n"
                  " 2. ( ) Beta Mail  ........ 0 of 3 components selected\n"
                  "\nPlease select the components of Alpha Server you want to install:\n\n" +
                  alphaNodes + mainBottom,
              o.out);
}

TEST_F(ComponentsPage, OneOfferedProductHasNoProductLines) {
    load();
    auto p = page({"beta"});
    const Outcome o = runPage(*p, "Q\n");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    EXPECT_EQ(header("Main components list for Beta Mail") +
                  " 0 of 3 components selected\n"
                  "\nPlease select the components of Beta Mail you want to install:\n\n"
                  " 1. [ ] Base of Beta\n"
                  " 2. [ ] Beta tools\n"
                  "\nN) Next page; P) Go back;  Q) Cancel installing;\n"
                  "A) Select all; D) Deselect all;\n"
                  // Alpha's sub-group counts: the toggle text looks at every product's nodes.
                  "Enter number to toggle the component or to view the group;\n"
                  "Type a number or a character of desired action [N]: ",
              o.out);
}

TEST_F(ComponentsPage, ChoicesOnTheMainListAndInsideGroups) {
    const std::string needAlso =
        "\nThe component you selected works only together with the following components:\n\nstats\n\n"
        "Do you want to select them as well?\n\n";
    const std::string uncheckAlso =
        "\nThe following components work only together with the component you deselected:\n\nweb\n\n"
        "Do you want to deselect them as well?\n\n";
    struct Row {
        const char* label;
        std::string input;
        int result;
        std::string selection;
        std::vector<std::string> output;
    };
    const Row rows[] = {
        {"need-also question, yes", "5\nY\nN\n", PageResult::next, "alpha/base alpha/web alpha/panel alpha/stats",
         {needAlso, " 5. [*] Control panel\n 6. [*] Statistics\n"}},
        {"need-also question, no", "5\nn\nQ\n", PageResult::quit, "alpha/base alpha/web", {needAlso, " 5. [ ] Control panel\n"}},
        {"a component without ties", "6\nP\n", PageResult::previous, "alpha/base alpha/web alpha/stats",
         {" 6. [*] Statistics\n"}},
        {"an up-to-date component", "7\n\nQ\n", PageResult::quit, "alpha/base alpha/web",
         {"\n\nThe component docs is already installed.\n\n(press Enter to continue) "}},
        {"an unavailable component", "8\n\nQ\n", PageResult::quit, "alpha/base alpha/web",
         {"(press Enter to continue) "}},
        {"the required base: the tied web goes, then the base refuses", "3\nY\n\nQ\n", PageResult::quit, "alpha/base",
         {uncheckAlso, "\n(press Enter to continue) ", " 3.  *  Base of Alpha\n 4. [ ] Web pages of Alpha\n"}},
        {"a radio member, then the up-to-date member empties the group", "10\n9\nQ\n", PageResult::quit,
         "alpha/base alpha/web", {"10. (*) Full mail transfer agent\n", " 9. (=) Small mail transfer agent\n10. ( ) Full"}},
        {"the selected member again", "11\n11\nQ\n", PageResult::quit, "alpha/base alpha/web",
         {"11. (*) Tiny mail transfer agent\n", "11. ( ) Tiny mail transfer agent\n"}},
        {"into the sub-groups and out", "12\n1\n2\nA\nL\n\nQ\n", PageResult::quit,
         "alpha/base alpha/web alpha/backup alpha/filter alpha/archive",
         {header("Primary components list / tools") + "Select the components you want to install:\n\n"
              " 1. [ ] Backup tool\n"
              " 2. [ ] <+> Mail tools // 0 of 2 components selected\n"
              "\n(A) Select all, (D) Deselect all,\n"
              "(L) Back to primary components list,  (Q) Cancel installing\n"
              "Enter number to toggle the component or to view the group;\n"
              "Type a number or a character of desired action [L]: ",
          " 1. [*] Backup tool\n 2. [ ] <+> Mail tools // 0 of 2 components selected\n",
          header("Primary components list / mailtools") + "Select the components you want to install:\n\n",
          "To select or deselect a component, enter its number;\n",
          " 1. [*] Mail filter\n 2. [*] Mail archive\n",
          " 2. [*] <+> Mail tools // 2 of 2 components selected\n",
          "12. [*] <+> Tools // 2 of 2 components selected\n"}},
        {"P refused inside a group, D there", "12\nP\n\nA\nD\nQ\n", PageResult::quit, "alpha/base alpha/web",
         {listedOnly, " 1. [*] Backup tool\n 2. [*] <+> Mail tools // 2 of 2", " 1. [ ] Backup tool\n"}},
        {"select all: what can be selected", "A\nQ\n", PageResult::quit,
         "alpha/base alpha/web alpha/panel alpha/stats alpha/backup alpha/filter alpha/archive",
         {" 1. (*) Alpha Server  ........ 7 of 11 components selected\n"}},
        {"deselect all keeps the required base", "D\nQ\n", PageResult::quit, "alpha/base",
         {" 1. (*) Alpha Server  ........ 1 of 11 components selected\n"}},
        {"the second product", "2\n3\nQ\n", PageResult::quit, "alpha/base alpha/web beta/beta-core",
         {" 1. ( ) Alpha Server  ........ 2 of 11 components selected\n"
          " 2. (*) Beta Mail  ........ 0 of 3 components selected\n"
          "\nPlease select the components of Beta Mail you want to install:\n\n"
          " 3. [ ] Base of Beta\n"
          " 4. [ ] Beta tools\n",
          " 3. [*] Base of Beta\n"}},
        {"numbers that name no line", "0\n\n13\n\n-1\n\nQ\n", PageResult::quit, "alpha/base alpha/web",
         {"There is no item with the number you typed.\n(press Enter to continue) ",
          "There is no item with the number you typed.\n(press Enter to continue) ",
          "There is no item with the number you typed.\n(press Enter to continue) "}},
        {"a letter the main list does not offer", "L\n\nQ\n", PageResult::quit, "alpha/base alpha/web", {listedOnly}},
    };
    for (const Row& row : rows) {
        load();
        auto p = page();
        const Outcome o = runPage(*p, row.input);
        EXPECT_EQ(row.result, o.result) << row.label << "\n" << o.error;
        EXPECT_EQ(row.selection, selection()) << row.label;
        expectInOrder(o.out, row.output, row.label);
    }
}

TEST_F(ComponentsPage, RefusalsReachTheUserWithTheirTexts) {
    load();
    auto p = page();
    const Outcome o = runPage(*p, "8\n\n3\nN\nQ\n");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    expectInOrder(o.out,
                  {"\n\nThe component alpha/broken is not available.\n\n(press Enter to continue) ",
                   "Do you want to deselect them as well?\n\nY) Yes;  N) No\nType Y for yes, or N for No: \n\n\n\n\n"
                   "Primary components list\n"},
                  "refusals");
    // "No" changed nothing.
    EXPECT_EQ("alpha/base alpha/web", selection());
    // The texts themselves, as the page shows them.
    VnComponent& broken = component("alpha", "broken");
    EXPECT_EQ(4, broken.getStatus());
    const error notAvailable = testutil::raisedError([&] { p->toggleComponent(&broken); });
    EXPECT_EQ("The component alpha/broken is not available.\n", notAvailable.text());
    const error docs = testutil::raisedError([&] { p->toggleComponent(&component("alpha", "docs")); });
    EXPECT_EQ("The component docs is already installed.\n", docs.text());
    EXPECT_EQ(2, docs.e_class);
}

TEST_F(ComponentsPage, NextNeedsASelectedComponent) {
    // The base installed as offered: nothing is selected at the start.
    load({{"vnwiz-base", "2.0-1"}});
    auto p = page();
    EXPECT_EQ("", selection());
    const Outcome o = runPage(*p, "N\n\nQ\n");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    EXPECT_NE(std::string::npos, o.out.find("\n\nPlease select at least one component.\n(press Enter to continue) "));
}

TEST_F(ComponentsPage, EverythingUpToDateEndsTheWizard) {
    wizardtest::Installed all;
    for (const char* name : {"base", "web", "panel", "stats", "docs", "oldpanel", "broken", "backup", "filter",
                             "archive", "mta-light", "mta-full", "mta-tiny", "beta-base", "beta-tools"})
        all.emplace_back(std::string("vnwiz-") + name, "2.0-1");
    load(all);
    auto p = page();
    const Outcome o = runPage(*p, "");
    EXPECT_EQ(PageResult::quit, o.result) << o.error;
    EXPECT_EQ("\nYou already have the latest version of product(s) and all selected components\n"
              " installed. Installation will not continue.\n",
              o.out);
}

TEST_F(ComponentsPage, NoSelectedReleaseIsAnInternalError) {
    load();
    catalogue->deselectAll();
    const error e = testutil::raisedError([&] { TextDlgComponents(&tree(), catalogue.get()); });
    EXPECT_NE(std::string::npos, e.text().find("TextDlgComponents, line 29")) << e.text();
}

// --- Settings

const std::string settingsHeader = header("Component settings");
const std::string noneComplete =
    "Now you need to define each parameter you will be asked for.\n\n"
    "N) Start specifying parameters for all components,\n"
    "L) Return to primary components list, Q) Cancel installing\n"
    "Select an action [N]: ";

std::string componentDone(const std::string& name) {
    return "\nComponent '" + name +
           "': all required parameters were defined.\n\n"
           "R) Redefine the values I just entered; N) Proceed further\n"
           "Select an action [N]: ";
}

class OptionsPage : public WizardTreeTest {
protected:
    // As the driver has it after the components page: the base to install and web to upgrade
    // selected (so web's settings are read-only), the panel selected by the user.
    void SetUp() override {
        WizardTreeTest::SetUp();
        load();
        TextDlgComponents(&tree(), catalogue.get());
        component("alpha", "panel").setSelected(true);
    }
    std::string value(const std::string& id) { return param(id)->getStoredValue(); }
    // The settings of the base and of Beta complete; the panel's not.
    void completeAllButThePanel() {
        for (const auto& v : std::vector<std::pair<const char*, const char*>>{{"storage", "mbox"},
                                                                             {"tls", "true"},
                                                                             {"admin_password", "secret9"},
                                                                             {"beta_host", "beta.example.org"}})
            ASSERT_TRUE(param(v.first)->setValue(v.second)) << v.first;
    }
};

TEST_F(OptionsPage, AsksEveryEditableSettingComponentByComponentAndRedoesOnRequest) {
    TextDlgOptions page(&params());
    const Outcome o = runPage(page,
                            "N\n"
                            // base: enum (0 and 3 refused), port, bool, path (refused once), password
                            "0\n\n3\n\n2\n\n\nrelative\n\nsecret1\nsecret1\n"
                            // redo the base: every value offered back as the default
                            "R\n\n\n\n\n\nN\n"
                            // panel: only the path asks
                            "\nN\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    // Beta's unselected component counts among the three configurable ones.
    expectInOrder(o.out,
                  {settingsHeader + "3 components selected for installation require that you specify certain settings.\n" +
                       noneComplete,
                   "\n\n1) Component: base\n\n"
                   "How mail is stored\n"
                   "  1) One file per folder\n"
                   "  2) One file per message\n"
                   // The default text matches no choice: the first is offered.
                   "Enter a number to select an item [1]: " +
                       listedOnly + "Enter a number to select an item [1]: " + listedOnly +
                       "Enter a number to select an item [1]: "
                       // The chosen branch follows its choice.
                       "\n\n --- Limits ---\n\n"
                       "The port the server listens on\n"
                       "Port [25]: "
                       "Encrypt connections\n"
                       "Use TLS [yes]: "
                       "The certificate file\n"
                       "Certificate [/etc/alpha/certs]: "
                       "Specify an absolute path. - Specified path is not full. Please specify a full path.\n"
                       "Certificate [/etc/alpha/certs]: "
                       "The administrator password\n"
                       "Password: Retype password: " +
                       componentDone("base"),
                   "\n\n1) Component: base\n\n"
                   "How mail is stored\n"
                   "  1) One file per folder\n"
                   "  2) One file per message\n"
                   "Enter a number to select an item [2]: "
                   "\n\n --- Limits ---\n\n"
                   "The port the server listens on\n"
                   "Port [25]: "
                   "Encrypt connections\n"
                   "Use TLS [yes]: "
                   "The certificate file\n"
                   "Certificate [/etc/alpha/certs]: "
                   "The administrator password\n"
                   "Password [*******]: " +
                       componentDone("base"),
                   // web's setting is read-only: no question and no heading of its own.
                   "\n\n2) Component: panel\n\n"
                   "\nRead this first\nNotice: see the manual\n\n"
                   "Where the panel keeps its data\n"
                   "Data directory [/srv/alpha]: " +
                       componentDone("panel")},
                  "walk");
    EXPECT_EQ(std::string::npos, o.out.find("Component: web"));
    EXPECT_EQ(std::string::npos, o.out.find("3) Component"));
    EXPECT_EQ("maildir", value("storage"));
    EXPECT_EQ("true", value("tls"));
    EXPECT_EQ("/etc/alpha/certs", value("tls_cert"));
    EXPECT_EQ("25", value("port"));
    EXPECT_EQ("secret1", value("admin_password"));
    EXPECT_EQ("see the manual", value("notice"));
    EXPECT_EQ("K-1", value("install_key"));
    EXPECT_EQ("/srv/alpha", value("data_dir"));
    EXPECT_FALSE(param("web_title")->isSet());
    EXPECT_FALSE(param("beta_host")->isSet());
}

TEST_F(OptionsPage, UndefinedOnlyPassesOverWhatIsSetButEntersTheBranchOfAChoiceMade) {
    completeAllButThePanel();
    TextDlgOptions page(&params());
    const Outcome o = runPage(page, "U\n/srv/certs\nN\n\nN\n");
    EXPECT_EQ(PageResult::next, o.result) << o.error;
    EXPECT_EQ(2, page.mode);
    expectInOrder(o.out,
                  {"3 components selected for installation require that you specify certain settings.\n"
                   "Parameters for 2 components require specification.\n"
                   "N) Start specifying parameters for all components;\n"
                   "U) Specify undefined parameters only;\n",
                   // TLS is chosen already; its certificate is not.
                   "\n\n1) Component: base\n\nThe certificate file\nCertificate [/etc/alpha/certs]: " +
                       componentDone("base"),
                   "\n\n2) Component: panel\n\n"},
                  "undefined only");
    for (const char* asked : {"How mail is stored", "Encrypt connections", "Limits", "Port [", "Password"})
        EXPECT_EQ(std::string::npos, o.out.find(asked)) << asked;
    EXPECT_EQ("/srv/certs", value("tls_cert"));
    EXPECT_EQ("mbox", value("storage"));
}

TEST_F(OptionsPage, LettersByHowCompleteTheSettingsAre) {
    {
        // None complete: 'U' and 'R' refused.
        TextDlgOptions page(&params());
        const Outcome o = runPage(page, "U\n\nR\n\n5\n\nL\n");
        EXPECT_EQ(PageResult::previous, o.result) << o.error;
        EXPECT_EQ(1, page.mode);
        expectInOrder(o.out, {noneComplete + listedOnly, listedOnly, listedOnly}, "none complete");
        EXPECT_EQ(std::string::npos, o.out.find("Component:"));
    }
    completeAllButThePanel();
    ASSERT_TRUE(param("tls_cert")->setValue("/srv/certs"));
    ASSERT_TRUE(param("data_dir")->setValue("/srv/data"));
    ASSERT_TRUE(param("notice")->setValue("see the manual"));
    ASSERT_TRUE(param("install_key")->setValue("K-1"));
    {
        // All complete: 'N' skips the questions.
        TextDlgOptions page(&params());
        const Outcome o = runPage(page, "N\n");
        EXPECT_EQ(PageResult::next, o.result) << o.error;
        EXPECT_EQ(0, page.mode);
        EXPECT_EQ(settingsHeader + "3 components selected for installation require that you specify certain settings.\n"
                                   "Parameters for all components have already been defined.\n\n"
                                   "R) Redefine parameters for all components;\n"
                                   "N) Skip parameters specification;\n"
                                   "L) Return to primary components list; Q) Cancel installing\n"
                                   "Select an action [N]: ",
                  o.out);
    }
    {
        // ... and 'U' asks everything, as 'R' does.
        TextDlgOptions page(&params());
        const Outcome o = runPage(page, "U\n\n\n\n\nN\n\nN\n");
        EXPECT_EQ(PageResult::next, o.result) << o.error;
        expectInOrder(o.out, {"Enter a number to select an item [1]: ", "Use TLS [yes]: ", "Certificate [/srv/certs]: ",
                              "Password [*******]: ", "Data directory [/srv/data]: "},
                      "redefine");
        EXPECT_EQ("mbox", value("storage"));
    }
}

}  // namespace
