#include <gtest/gtest.h>

#include <algorithm>
#include <boost/format.hpp>
#include <regex>
#include <set>

#include "common/Log.h"
#include "common/Messages.h"
#include "support/CatalogueCheck.h"
#include "support/TestUtil.h"

namespace {

using testutil::CatalogueEntry;
typedef std::map<std::string, std::string> TextMap;
typedef void (Messages::messages_rep::*Filler)();

struct Group {
    const char* name;
    Filler filler;
    size_t keys;
};
const Group groups[] = {
    {"console", &Messages::messages_rep::loadConsoleEn, 250},
    {"web", &Messages::messages_rep::loadWebEn, 124},
    {"errors", &Messages::messages_rep::loadErrorsEn, 291},
};

// What one filler stores when it runs on an empty map.
TextMap storedBy(Filler filler) {
    Messages::messages_rep rep("C");
    rep.map.clear();
    (rep.*filler)();
    return rep.map;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == '\n')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

class EnglishCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        Log::resetForTest();
        Messages::resetForTest();
        Messages::setLocale("en_US");
        fixture = testutil::readCatalogueFixture(std::string(VN_FIXTURES_DIR) + "/messages/catalogue-en.txt");
    }
    void TearDown() override {
        Log::resetForTest();
        Messages::resetForTest();
    }
    std::vector<CatalogueEntry> entriesOf(const std::string& group) const {
        std::vector<CatalogueEntry> out;
        for (const CatalogueEntry& e : fixture)
            if (e.group == group) out.push_back(e);
        return out;
    }
    std::vector<CatalogueEntry> fixture;
};

TEST_F(EnglishCatalogue, EachFillerStoresExactlyTheKeysOfItsGroup) {
    std::set<std::string> all;
    for (const Group& g : groups) {
        const TextMap stored = storedBy(g.filler);
        std::set<std::string> expected;
        for (const CatalogueEntry& e : entriesOf(g.name)) expected.insert(e.key);
        EXPECT_EQ(expected.size(), g.keys) << g.name << ": the fixture is incomplete";
        EXPECT_EQ(stored.size(), g.keys) << g.name;
        for (const std::string& k : expected) EXPECT_TRUE(stored.count(k)) << g.name << " lacks " << k;
        for (const auto& s : stored) EXPECT_TRUE(expected.count(s.first)) << g.name << " stores the stray key " << s.first;
        for (const auto& s : stored) all.insert(s.first);
    }
    // err_rc_param is stored by the console and by the error group.
    EXPECT_EQ(all.size(), 664u);
    EXPECT_EQ(Messages::messages_rep("C").map.size(), 664u);
}

TEST_F(EnglishCatalogue, QuotedTextsAreStoredByteForByte) {
    size_t compared = 0;
    for (const Group& g : groups) {
        const TextMap stored = storedBy(g.filler);
        for (const CatalogueEntry& e : entriesOf(g.name)) {
            if (e.kind != CatalogueEntry::Exact) continue;
            auto it = stored.find(e.key);
            ASSERT_NE(it, stored.end()) << e.key;
            EXPECT_EQ(it->second, e.text) << g.name << " " << e.key;
            ++compared;
        }
    }
    EXPECT_GT(compared, 500u);
}

// Where the design leaves the wording to us, the text stays one plain line.
TEST_F(EnglishCatalogue, OpenTextsAreSingleLinesWithoutPlaceholders) {
    const TextMap all = Messages::messages_rep("C").map;
    size_t open = 0;
    for (const CatalogueEntry& e : fixture) {
        if (e.kind != CatalogueEntry::Open) continue;
        const std::string& text = all.at(e.key);
        EXPECT_FALSE(text.empty()) << e.key;
        EXPECT_EQ(text.find_first_of("\n%"), std::string::npos) << e.key << ": " << text;
        ++open;
    }
    EXPECT_GT(open, 100u);
}

TEST_F(EnglishCatalogue, EveryTextKeepsTheRulesOfTheCatalogue) {
    for (const Group& g : groups) {
        std::map<std::string, int> counts;
        for (const CatalogueEntry& e : entriesOf(g.name)) counts[e.key] = e.placeholders;
        const TextMap stored = storedBy(g.filler);
        for (const std::string& problem : testutil::checkCatalogueTexts(stored, counts, true))
            ADD_FAILURE() << g.name << ": " << problem;
        for (const std::string& problem : testutil::checkWebTexts(stored)) ADD_FAILURE() << g.name << ": " << problem;
    }
}

// The checkers must see the faults they are there for.
TEST_F(EnglishCatalogue, CheckersReportBrokenTexts) {
    const std::map<std::string, int> counts = {{"a", 1}, {"b", 0}, {"c", 0}, {"d", 2}, {"e", 0}, {"f", 0}};
    const TextMap texts = {{"a", "no placeholder"}, {"b", "100% sure"},      {"c", "tab\there"},
                           {"d", "%s and %s"},      {"e", "caf\xc3\xa9"}, {"x", "stray"}};
    const std::vector<std::string> problems = testutil::checkCatalogueTexts(texts, counts, true);
    const std::vector<std::string> expected = {
        "f: missing",
        "a: 0 placeholders, callers fill 1",
        "b: a \"%\" that is no \"%s\"",
        "c: holds a tab or NUL",
        "e: not 7-bit ASCII",
        "x: not an expected key",
    };
    for (const std::string& p : expected)
        EXPECT_NE(std::find(problems.begin(), problems.end(), p), problems.end()) << p;
    for (const std::string& p : problems) EXPECT_NE(p.compare(0, 2, "d:"), 0) << "the sound text: " << p;
    // "a" and "b" cannot be formatted with the values their callers feed.
    EXPECT_EQ(std::count_if(problems.begin(), problems.end(),
                            [](const std::string& p) { return p.find("formatting") != std::string::npos; }),
              2);

    const TextMap web = {{"web_iup_cancel_confirm", "Not finished.\nCancel?"},  // a real line feed, no "\n"
                         {"web_caption", "A <b>bold</b> title"},
                         {"web_compcount2", "\" of "},
                         {"web_selfupgrade_autorefresh1", "one<br>two<br>"},
                         {"err_any", "<not a web text>"}};
    EXPECT_EQ(testutil::checkWebTexts(web).size(), 6u);
}

// The design tells these texts in words; the parts it fixes are checked here.
TEST_F(EnglishCatalogue, TextsToldInWords) {
    const TextMap all = Messages::messages_rep("C").map;
    struct Line {
        size_t index;
        const char* begins;
        const char* ends;  // nullptr: the line is exactly `begins`
    };
    struct Case {
        const char* key;
        size_t lineCount;
        bool finalLineFeed;
        std::vector<Line> fixed;
    } cases[] = {
        {"mirroring_mode_is_deprecated", 4, false,
         {{0, "Mirroring functionality might be removed from", nullptr},
          {1, "the future versions of Corvane Products Installer.", nullptr},
          {2, "Visit ", " to learn how to"},
          {3, "set up mirrors using rsync utility.", nullptr}}},
        {"releases_no_avail", 6, true,
         {{0, "Installation will not continue because your operating system", nullptr},
          {1, "\"%s\" is not supported.", nullptr},
          {2, "", nullptr},
          {3, "Refer to ", " for"},
          {4, "the complete list of supported operating systems.", nullptr}}},
        {"hello_page_body3", 14, false,
         {{0, "------ IMPORTANT ------", nullptr},
          {1, "", nullptr},
          {2, "* Before installing or upgrading Corvane products, be sure to back up your data.", nullptr},
          {3, "", nullptr},
          {4, "* New installation of product(s) should be performed on clean servers only.", nullptr},
          {5, "  Only the operating system with the networking option should be", nullptr},
          {6, "  installed for new installations.", nullptr},
          {7, "  Corvane will not be held liable for damages resulting from installation", nullptr},
          {8, "  of products on a server with anything other than a fresh installation of the", nullptr},
          {9, "  operating system for which the product installation was intended.", nullptr},
          {10, "", nullptr}}},
        {"err_not_email", 1, false, {{0, "Please specify an e-mail address in the ", " format"}}},
        {"err_not_domain", 1, false, {{0, "Please specify a domain name in the ", " format"}}},
        {"err_not_hostname", 1, false, {{0, "Please specify either a domain name (like ", ") or an IP address"}}},
        {"err_bad_ports_url", 2, false,
         {{0, "The URL of the ports archive that you specified is incorrect or incomplete.", nullptr},
          {1, "The URL must look like \"ftp://", "/pub/FreeBSD/ports/ports.tar.gz\"."}}},
        {"web_copyright", 1, false, {}},
        {"web_copyright_notice", 1, false, {}},
    };
    for (const Case& c : cases) {
        const std::string& text = all.at(c.key);
        EXPECT_FALSE(text.empty()) << c.key;
        const std::vector<std::string> ls = lines(text);
        ASSERT_EQ(ls.size(), c.lineCount) << c.key << ":\n" << text;
        EXPECT_EQ(ls.back().empty(), c.finalLineFeed) << c.key;
        for (const Line& l : c.fixed) {
            const std::string& got = ls[l.index];
            if (!l.ends) {
                EXPECT_EQ(got, l.begins) << c.key << " line " << l.index;
                continue;
            }
            const std::string begins = l.begins, ends = l.ends;
            EXPECT_EQ(got.compare(0, begins.size(), begins), 0) << c.key << ": " << got;
            EXPECT_TRUE(endsWith(got, ends)) << c.key << ": " << got;
            EXPECT_GT(got.size(), begins.size() + ends.size()) << c.key << ": nothing between the fixed parts";
        }
    }
    // The closing paragraph of the welcome notice names the terms of use by their address.
    const std::string& notice = all.at("hello_page_body3");
    EXPECT_NE(notice.find("http://", notice.rfind("\n\n")), std::string::npos);
    // The footer writes "Corvane &copy; " before the years and the maker.
    EXPECT_TRUE(std::regex_match(all.at("web_copyright"), std::regex("[0-9]{4}(-[0-9]{4})? Corvane")))
        << all.at("web_copyright");
}

// Addresses in the texts are examples: they must never lead to a real host.
TEST_F(EnglishCatalogue, AddressesUseReservedExampleDomains) {
    size_t found = 0;
    for (const std::string& problem : testutil::checkAddresses(Messages::messages_rep("C").map, &found))
        ADD_FAILURE() << problem;
    EXPECT_GE(found, 8u);  // the help, the wizard's notices and the input checks hold some
}

TEST_F(EnglishCatalogue, LookupResults) {
    const struct {
        const char* key;
        std::string text;
    } exact[] = {
        {"Vantrell", "Corvane Products Installer"},
        {"error_rep_none", ""},
        {"err_rc_param", "Unknown parameter in rc file: "},                             // the error group's text
        {"err_empty_version", "Version is not specified. Error in Version, line 91."},  // the later store
        {"web_iup_cancel_confirm", "Product installation was not finished.\\nCancel anyway?"},
        {"no_base_kv", "Warning: an KV template for the base component was not found on the node."},
        {"strong_yesno_bottom", "Type either Yes or No: \n"},
        {"hello_page_bottom", "N) Next page;  Q) Cancel installing\nSelect an action [N]: "},
        {"err_lock_get", "Failed to lock the file &lt;file name&gt; due to system error."},
        {"err_repodata_badnumber", "Invalid number format in the file %s,  %s."},
    };
    for (const auto& c : exact) EXPECT_EQ(Messages::getMessage(c.key), c.text) << c.key;
    EXPECT_EQ(Messages::getMessage("web_iup_cancel_confirm").size(), 54u);
    EXPECT_TRUE(endsWith(Messages::getMessage("major_updates_skipped"),
                         "by the current setting\nof --disable-major-updates option.\n"));
    EXPECT_TRUE(endsWith(Messages::getMessage("err_unkn_arg"), "option:\n"));

    const struct {
        const char* key;
        std::vector<std::string> values;
        std::string text;
    } formatted[] = {
        {"components_page_num_selected", {"3", "10"}, "3 of 10 components selected"},
        {"err_no_diskspace", {"/tmp", "5"},
         "There is not enough free disk space in the /tmp directory. You need to free up 5 megabytes."},
        {"err_lock_failed", {"/tmp/nvo-installer.lock", "Resource temporarily unavailable"},
         "Unable to lock the file /tmp/nvo-installer.lock: Resource temporarily unavailable"},
        {"err_misheaders", {".inf3", ".hdr.gz"},
         "The Corvane Products Installer's configuration files .inf3 and .hdr.gz contain lists of packages that do "
         "not match."},
        {"err_rename", {"a", "b", "Permission denied"}, "Unable to rename the file a to b: Permission denied"},
    };
    for (const auto& c : formatted) {
        boost::format f(Messages::getMessage(c.key));
        for (const std::string& v : c.values) f % v;
        EXPECT_EQ(f.str(), c.text) << c.key;
    }
    // Callers pass numbers as numbers.
    EXPECT_EQ((boost::format(Messages::getMessage("components_page_num_selected")) % 3 % 10).str(),
              "3 of 10 components selected");
    EXPECT_THROW((boost::format(Messages::getMessage("err_no_diskspace")) % "/tmp").str(), boost::io::too_few_args);
    EXPECT_THROW(boost::format(Messages::getMessage("err_no_diskspace")) % "/tmp" % 5 % 6, boost::io::too_many_args);
}

TEST_F(EnglishCatalogue, NoKeyOfTheDesignShowsTheNonLocalizedForm) {
    for (const CatalogueEntry& e : fixture)
        EXPECT_FALSE(endsWith(Messages::getMessage(e.key), "_(non_localized)")) << e.key;
}

}  // namespace
