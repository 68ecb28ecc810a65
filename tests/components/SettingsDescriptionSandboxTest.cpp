// Settings descriptions read into setting trees: kinds, texts, behaviours, defaults and every
// refusal. (A manager writes the answers file when it goes, hence the sandbox.)
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/Messages.h"
#include "common/tinybind.h"
#include "components/ParamManager.h"
#include "components/ParamTree.h"
#include "components/TreeCatalogue.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::describeParams;
using testutil::SettingsXml;

class SettingsDescriptions : public testutil::EnglishTest {
protected:
    // The tree made from `xml`, or the failure: "(codes) text" of an error, "tinybind N text"
    // of an XML access failure; then what was made before it, after "made:".
    std::string load(const std::string& xml) {
        SettingsXml settings(xml);
        EXPECT_NE(settings.root, nullptr) << xml;
        if (!settings.root) return "";
        ParamManager manager;
        std::string failure;
        try {
            manager.createFromElements(component.get(), settings.root);
        } catch (const error& e) {
            failure = testutil::codesOf(e) + " " + e.text();
        } catch (const tinybind::err& e) {
            failure = "tinybind " + std::to_string(e.code) + " " + e.message + "\n";
        }
        const std::string tree = describeParams(manager.getParams());
        return failure.empty() ? tree : failure + (tree.empty() ? "" : "made:\n" + tree);
    }

    testutil::TreeCatalogue mail{"mail"};
    std::shared_ptr<VnComponent> component = mail.component("server", 1);
};

TEST_F(SettingsDescriptions, ElementsBecomeSettingsOrAreRefused) {
    struct Row {
        const char* label;
        std::string xml;
        std::string outcome;
    };
    const Row rows[] = {
        {"empty", "<settings/>", ""},
        {"a comment and one setting", "<settings><!-- c --><setting id=\"a\" type=\"url\"/></settings>", "a:url\n"},
        {"a choice at the top", "<settings><setting id=\"a\" type=\"url\"/><choice id=\"x\"/></settings>",
         "(1,1,1,3) Unsupported tag <choice> in config.\nmade:\na:url\n"},
        {"a name at the top", "<settings><name>x</name></settings>", "(1,1,1,3) Unsupported tag <name> in config.\n"},
        {"the same inside a group is passed over",
         "<settings><group><choice id=\"x\"/><name>n</name><setting id=\"a\" type=\"email\"/></group></settings>",
         "__SUBGROUP:__group_no_type__doh1Oolo__ name=__group_cant_have_name__ err=__group_cant_have_errmsg__\n"
         "  []\n"
         "    a:email\n"},
        {"no id", "<settings><setting type=\"url\"/></settings>",
         "(1,1,1,3) ERROR: invalid '<setting id=' in config: ''\n"},
        {"an id with a dot", "<settings><setting id=\"a.b\" type=\"url\"/></settings>",
         "(1,1,1,3) ERROR: invalid '<setting id=' in config: 'a.b'\n"},
        {"an id of two lines", "<settings><setting id=\"a&#10;b\" type=\"url\"/></settings>",
         "(1,1,1,3) ERROR: invalid '<setting id=' in config: 'a\nb'\n"},
        {"unknown type", "<settings><setting id=\"a\" type=\"foo\"/></settings>",
         "(1,1,1,3) Unsupported 'setting type' in config: foo\n"},
        {"no type", "<settings><setting id=\"a\"/></settings>", "(1,1,1,3) Unsupported 'setting type' in config: \n"},
        {"a type in capitals", "<settings><setting id=\"a\" type=\"URL\"/></settings>",
         "(1,1,1,3) Unsupported 'setting type' in config: URL\n"},
        {"a path needs exists", "<settings>\n  <setting id=\"a\" type=\"path\"/></settings>",
         "tinybind 1 There is no attribute 'exists' in element setting (row:2 col:3)\n"},
        {"exists in capitals", "<settings>\n\n    <setting id=\"a\" type=\"path\" exists=\"True\"/></settings>",
         "tinybind 1 There is incorrect boolean attribute 'exists' in element setting (row:3 col:5). Must be "
         "'true' or 'false'.\n"},
        {"detectable without its value",
         "<settings><setting id=\"a\" type=\"hidden\" behaviour=\"detectable\"/></settings>",
         "tinybind 1 There is no child element 'read-setting-value' in tag 'setting'\n"},
        {"an unknown behaviour", "<settings><setting id=\"a\" type=\"url\" behaviour=\"Secure\"/></settings>",
         "(1,1,1,3) Unsupported attribute 'behaviour' value Secure\n"},
        {"regular and empty behaviours",
         "<settings><setting id=\"a\" type=\"url\" behaviour=\"regular\"/><setting id=\"b\" type=\"url\" "
         "behaviour=\"\"/></settings>",
         "a:url\nb:url\n"},
        {"an empty default is a default",
         "<settings><setting id=\"a\" type=\"url\" default-value=\"\"/><setting id=\"b\" type=\"url\"/></settings>",
         "a:url default=\"\"\nb:url\n"},
        {"a name without text", "<settings><setting id=\"a\" type=\"url\"><name/></setting></settings>",
         "tinybind 1 Text node not found in element 'name' (row:1 col:38)\n"},
        {"sub-settings of a kind without branches are ignored",
         "<settings><setting id=\"a\" type=\"string\"><setting id=\"b\" type=\"url\"/></setting></settings>",
         "a:string length=.. regex=\n"},
        {"a failure below keeps the parent filed",
         "<settings><setting id=\"a\" type=\"boolean\"><setting id=\"b\" type=\"url\"/><setting id=\"c\"/>"
         "</setting></settings>",
         "(1,1,1,3) Unsupported 'setting type' in config: \nmade:\na:boolean\n  [true]\n    b:url\n"},
        {"two settings of one id stay apart",
         "<settings><setting id=\"a\" type=\"url\"/><setting id=\"a\" type=\"email\"/></settings>", "a:url\na:email\n"},
    };
    for (const Row& r : rows) EXPECT_EQ(load(r.xml), r.outcome) << r.label;
}

TEST_F(SettingsDescriptions, EveryKindFromARealDescription) {
    tinybind::Document doc(std::string(VN_FIXTURES_DIR) + "/settings/mail-server.xml");
    ParamManager manager;
    testutil::LogCapture log(3);
    manager.createFromElements(component.get(), doc.rootElement("settings"));
    EXPECT_EQ(describeParams(manager.getParams()),
              "hostname:host-name name=Host name desc=The name the server greets with err=Specify a host name. "
              "default=\"mail.[LOCALE].example.com\"\n"
              "domain:domain-name name=Domain\n"
              "port:integer name=Port default=\"25\" range=1..65535\n"
              "ratio:float name=Spam ratio range=0..1\n"
              "admin_email:email name=Administrator\n"
              "queue_dir:path name=Queue default=\"/var/spool/[hostname]\" may-be-missing\n"
              "mirror:url name=Mirror\n"
              "banner:string name=Banner default=\"\" length=0..80 regex=^[[:print:]]*$\n"
              "admin_password:password name=Password behaviour=1 length=6..16 regex= login=admin\n"
              "notice:static-text name=Read the manual first.\n"
              "install_key:__type_hidden__tei9Rae9__ behaviour=2\n"
              "tls:boolean name=Use TLS default=\"false\"\n"
              "  [true]\n"
              "    tls_cert:path name=Certificate exists\n"
              "    __SUBGROUP:__group_no_type__doh1Oolo__ name=__group_cant_have_name__ desc=Ciphers "
              "err=__group_cant_have_errmsg__\n"
              "      []\n"
              "        tls_ciphers:string name=Cipher list length=.. regex=\n"
              "storage:enum name=Storage default=\"maildir\" choices=mbox/One file per folder,maildir/One file per "
              "message,10/Ten,\n"
              "  [10]\n"
              "    ten:integer range=..\n"
              "  [maildir]\n"
              "    maildir_path:path name=Mail directory may-be-missing\n"
              "__SUBGROUP:__group_no_type__doh1Oolo__ name=__group_cant_have_name__ desc=Limits "
              "err=__group_cant_have_errmsg__\n"
              "  []\n"
              "    max_size:integer name=Largest message default=\"10\" range=..\n");
    // Only the top level is pushed; sub-settings go into their branches.
    const std::string text = log.text();
    EXPECT_NE(text.find("ParamManager::create: push back hostname\n"), std::string::npos);
    EXPECT_NE(text.find("ParamManager::create: push back __SUBGROUP\n"), std::string::npos);
    EXPECT_EQ(text.find("push back tls_cert"), std::string::npos);
    EXPECT_NE(text.find("DEBUG: ParamManager::get_localized_text_from_subnode. Find for lang=en_US\n"),
              std::string::npos);
    for (const auto& p : manager.getParams()) EXPECT_EQ(p->getComponents().front().get(), component.get());
}

TEST_F(SettingsDescriptions, TextsFollowTheCatalogueLanguage) {
    const std::string xml =
        "<settings><setting id=\"a\" type=\"url\"><name>First</name><name lang=\"de_DE\">A</name>"
        "<name lang=\"de_DE\">B</name><name lang=\"de_DE.UTF-8\">C</name><name lang=\"ja_JP\">J</name></setting>"
        "<setting id=\"b\" type=\"url\"><name lang=\"de_DE\">Nur deutsch</name><name>Second</name></setting>"
        "</settings>";
    struct Row {
        const char* locale;
        const char* names;
    } rows[] = {
        {"de_DE.UTF-8", "B|Nur deutsch"},
        {"ja_JP.UTF-8", "J|Nur deutsch"},
        {"en_US.UTF-8", "First|Nur deutsch"},
        {"C", "First|Nur deutsch"},
    };
    for (const Row& r : rows) {
        // The C locale comes from the environment of a fresh process only.
        const std::string names = testutil::inChild([&] {
            testutil::ScopedEnv all("LC_ALL", r.locale);
            Messages::resetForTest();
            testutil::LogCapture log(3);
            SettingsXml settings(xml);
            ParamManager manager;
            manager.createFromElements(component.get(), settings.root);
            const std::string locale = r.locale;
            const std::string lang = "Find for lang=" + locale.substr(0, locale.find('.'));
            return manager.getParams().at(0)->getName() + "|" + manager.getParams().at(1)->getName() +
                   (log.text().find(lang + "\n") == std::string::npos ? " (" + lang + " not logged)" : "");
        });
        EXPECT_EQ(names, r.names) << r.locale;
    }
}

}  // namespace
