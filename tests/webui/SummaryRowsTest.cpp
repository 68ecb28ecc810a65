// The product rows of the summary page, from small `product` fixtures
// (tests/fixtures/webui/summary/*.xml) in, row text and operation bits out.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <string>
#include <vector>

#include "support/EnglishTest.h"
#include "support/TestUtil.h"
#include "webui/summaryPage.h"

namespace {

const unsigned iu = installUpgradeOperation;
const unsigned uc = updateComponentsOperation;
const unsigned ac = addComponentsOperation;

std::string fixture(const std::string& name) {
    return testutil::readFile(std::string(VN_FIXTURES_DIR) + "/webui/summary/" + name);
}

struct Rendered {
    std::string row;
    unsigned operations = 0;
};

Rendered render(const std::string& xml, unsigned operationsBefore = 0) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    Rendered out;
    out.operations = operationsBefore;
    renderSummaryRow(document.RootElement(), out.row, out.operations);
    return out;
}

struct RowCase {
    const char* file;
    const char* rule;
    unsigned operations;
    std::vector<std::string> shown;
    std::vector<std::string> absent;
};

class SummaryRows : public testutil::EnglishTest {};

TEST_F(SummaryRows, RulesOfOneRow) {
    const std::string note = "<span class=\"note\">Latest version available:</span>";
    const std::string updatesNote = "<span class=\"note\">Component updates are available</span>";
    const RowCase cases[] = {
        {"upgrade-rpm-order.xml", "upgrades compare by rpm rules, not as text", iu,
         {note + " <span>v. 10.0</span> <a href=\"https://example.invalid/10.0.html\" target=\"_blank\">Details</a>",
          "<div class=\"product\" style=\"background-image: url('/get_enabled_product_icon?prod_id=tarnix');\">Tarnix "
          "<span>v. 1.0</span></div>"},
         {"v. 2.0", "2.0.html", "disabled"}},
        {"upgrade-equal-keeps-earlier.xml", "an equal upgrade version keeps the earlier release", iu,
         {"<span>v. 2.0</span> <a href=\"http://example.invalid/first.html\""}, {"second.html", "older.html"}},
        {"update-of-installed.xml", "an update of the installed version is a component update, not a version", uc,
         {"<td class=\"details\">" + updatesNote + "</td>"}, {"Latest version", "v. 5.0</span> "}},
        {"update-of-installed-missing-3.xml", "components not installed in the installed release enable adding",
         uc | ac, {updatesNote}, {}},
        {"update-of-installed-missing-x3.xml", "a count that is not decimal counts 0", uc, {updatesNote}, {}},
        {"update-newer-and-up2date.xml", "the greatest update is shown; up2date of the installed version counts",
         uc | ac, {note + " <span>v. 5.1</span> <a href=\"http://example.invalid/5.1.html\""}, {"v. 5.0.1", updatesNote}},
        {"up2date-of-other-version.xml", "only the installed version's count counts; other actions are ignored", 0,
         {"<td class=\"details\"></td>"}, {"v. 4.0", "v. 6.0"}},
        {"not-installed.xml", "a product not installed enables installing; the last site wins", iu,
         {"<div class=\"product disabled\" style=\"background-image: "
          "url('/get_disabled_product_icon?prod_id=new%20product%2F1');\">New product <span class=\"status\">Not "
          "installed</span></div>",
          "<a href=\"https://example.invalid/last/\" target=\"_blank\">Product description</a>"},
         {"first/", "Latest version"}},
        {"unsafe-texts.xml", "catalogue texts are escaped; a javascript: details link is left out", iu,
         {">A&lt;b&gt; <span>v. 1.0&lt;i&gt;</span>", "prod_id=x%22y'", "<span>v. 2.0&lt;s&gt;</span></td>"},
         {"<a ", "javascript", "<b>"}},
        {"unsafe-site.xml", "a javascript: product site is left out", iu, {"<td class=\"details\"></td>"},
         {"javascript", "<a "}},
        {"unparsable-versions.xml", "versions the rules refuse still give a row", iu | uc,
         {"<span>v. -1</span><br /><span>v. </span>"}, {}},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.rule);
        const Rendered r = render(fixture(c.file));
        EXPECT_EQ(r.operations, c.operations);
        EXPECT_EQ(r.row.rfind("<tr>\n<th>", 0), 0u) << r.row;
        for (const std::string& s : c.shown) EXPECT_NE(r.row.find(s), std::string::npos) << s << "\n" << r.row;
        for (const std::string& s : c.absent) EXPECT_EQ(r.row.find(s), std::string::npos) << s << "\n" << r.row;
    }
}

TEST_F(SummaryRows, IncompleteProductsGiveNoRow) {
    const struct {
        const char* file;
        const char* rule;
        unsigned operations;
    } cases[] = {
        {"release-without-version.xml", "the bit of the upgrade before the incomplete release stays", iu},
        {"release-without-id.xml", "an incomplete first release: no bit, not even for the missing installation", 0},
        {"product-without-name.xml", "no name: the releases are not looked at", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.rule);
        const Rendered r = render(fixture(c.file));
        EXPECT_EQ(r.row, "");
        EXPECT_EQ(r.operations, c.operations);
    }
    // Bits of earlier rows stay whatever the row gives.
    EXPECT_EQ(render(fixture("product-without-name.xml"), uc).operations, uc);
}

// The whole row of an installed product with an upgrade, an update and component updates.
TEST_F(SummaryRows, WholeRowOfEveryItem) {
    const Rendered r = render(
        "<product name=\"Tarnix\" id=\"tarnix\" current_version=\"9.5\"><product_site src=\"http://site/\" />"
        "<releases>"
        "<release id=\"a\" action=\"upgrade\" version=\"10.1\" details_url=\"http://n/10.1\" />"
        "<release id=\"b\" action=\"update\" version=\"9.6\" />"
        "<release id=\"c\" action=\"update\" version=\"9.5\" num_of_not_installed_components=\"1\" />"
        "</releases></product>");
    EXPECT_EQ(r.operations, iu | uc | ac);
    EXPECT_EQ(r.row,
              "<tr>\n<th><div class=\"product\" style=\"background-image: "
              "url('/get_enabled_product_icon?prod_id=tarnix');\">Tarnix <span>v. 9.5</span></div></th>\n"
              "<td class=\"details\"><span class=\"note\">Latest version available:</span> <span>v. 10.1</span> "
              "<a href=\"http://n/10.1\" target=\"_blank\">Details</a><br /><span>v. 9.6</span><br />"
              "<span class=\"note\">Component updates are available</span></td>\n</tr>\n");
}

TEST_F(SummaryRows, RowsInDocumentOrder) {
    TiXmlDocument document;
    document.Parse(
        "<products><product name=\"B\" id=\"b\" /><other /><product id=\"nameless\" /><product name=\"A\" id=\"a\" "
        "current_version=\"1\" /></products>");
    std::string rows;
    unsigned operations = 0;
    renderSummaryRows(document.RootElement(), rows, operations);
    EXPECT_EQ(operations, iu);
    const size_t b = rows.find(">B <span");
    const size_t a = rows.find(">A <span");
    ASSERT_NE(b, std::string::npos) << rows;
    ASSERT_NE(a, std::string::npos) << rows;
    EXPECT_LT(b, a);
    EXPECT_EQ(rows.find("nameless"), std::string::npos);

    std::string none;
    renderSummaryRows(nullptr, none, operations);
    EXPECT_EQ(none, "");
}

}  // namespace
