// Attributes set from texts, as the listings and the web engine's replies write them.
#include "reporting/setXmlAttribute.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string printed(const TiXmlElement& element) {
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    element.Accept(&printer);
    return printer.Str();
}

TEST(SetXmlAttribute, SetsReplacesAndEscapes) {
    struct Row {
        const char* label;
        std::vector<std::pair<std::string, std::string>> sets;
        std::string xml;
    };
    const Row rows[] = {
        {"in order of setting", {{"id", "r1"}, {"action", "install"}}, "<release id=\"r1\" action=\"install\" />"},
        {"a second value replaces the first", {{"id", "r1"}, {"id", "r2"}}, "<release id=\"r2\" />"},
        {"a replaced attribute keeps its place",
         {{"id", "r1"}, {"action", "install"}, {"id", "r2"}},
         "<release id=\"r2\" action=\"install\" />"},
        {"empty value", {{"update_grade", ""}}, "<release update_grade=\"\" />"},
        // Escaped once, when printed; a value holding a double quote is printed in single quotes.
        {"markup in values is kept as text", {{"name", "P & \"x\" <y>"}},
         "<release name='P &amp; &quot;x&quot; &lt;y&gt;' />"},
    };
    for (const Row& row : rows) {
        TiXmlElement element("release");
        for (const auto& set : row.sets) setXmlAttribute(element, set.first, set.second);
        EXPECT_EQ(printed(element), row.xml) << row.label;
    }
}

TEST(SetXmlAttribute, CopiesTexts) {
    TiXmlElement element("source");
    {
        std::string name = "url";
        std::string value = "/srv/pkgs";
        setXmlAttribute(element, name, value);
        name.assign(64, 'n');
        value.assign(64, 'v');
    }
    setXmlAttribute(element, std::string("type") + "", std::string("dir") + "ectory");
    EXPECT_EQ(printed(element), "<source url=\"/srv/pkgs\" type=\"directory\" />");
    ASSERT_NE(element.Attribute("url"), nullptr);
    EXPECT_STREQ(element.Attribute("url"), "/srv/pkgs");
}

}  // namespace
