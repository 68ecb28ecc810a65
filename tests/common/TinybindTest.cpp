#include "common/tinybind.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace {

std::string fixture(const std::string& name) { return std::string(VN_FIXTURES_DIR) + "/xml/" + name; }

// The tinybind::err (or kind of it) that `f` raises.
template <class E = tinybind::err>
E raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    throw std::runtime_error("nothing was raised");  // the test fails on it
}

std::string describe(const tinybind::err& e) { return std::to_string(e.code) + " " + e.message; }

TEST(TinybindDocument, LoadFailures) {
    tinybind::parse_err empty = raised<tinybind::parse_err>([] { tinybind::Document d(fixture("empty.xml")); });
    EXPECT_EQ(describe(empty), "12 Error document empty.");
    EXPECT_EQ(empty.row, 0);
    EXPECT_EQ(empty.col, 0);

    tinybind::parse_err bad = raised<tinybind::parse_err>([] { tinybind::Document d(fixture("bad-end-tag.xml")); });
    EXPECT_EQ(describe(bad), "8 Error reading end tag.");
    EXPECT_EQ(bad.row, 4);
    EXPECT_EQ(bad.col, 1);

    testutil::TempDir tmp;
    EXPECT_EQ(describe(raised([&] { tinybind::Document d(tmp.path()); })),
              "-1 " + tmp.path() + " is directory, xml file expected.");
    EXPECT_EQ(describe(raised([&] { tinybind::Document d(tmp / "none.xml"); })),
              "-1 File " + tmp / "none.xml" + " not exists");

    // A URL is never a local file, even when the working directory holds a path of that name.
    boost::filesystem::create_directories(tmp / "http:/host/products.xml");
    boost::filesystem::create_directories(tmp / "ftp:/host/products.xml");
    std::string cwd = boost::filesystem::current_path().string();
    ASSERT_EQ(::chdir(tmp.path().c_str()), 0);
    tinybind::err http = raised([] { tinybind::Document d("http://host/products.xml"); });
    tinybind::err ftp = raised([] { tinybind::Document d("ftp://host/products.xml"); });
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    EXPECT_EQ(describe(http), "-1 File http://host/products.xml not exists");
    EXPECT_EQ(describe(ftp), "-1 File ftp://host/products.xml not exists");
}

TEST(TinybindDocument, RootElement) {
    tinybind::Document doc(fixture("tab-indented.xml"));
    EXPECT_EQ(doc.rootElement("")->ValueStr(), "build");
    EXPECT_EQ(doc.rootElement("build")->ValueStr(), "build");
    EXPECT_EQ(describe(raised([&] { doc.rootElement("product"); })), "1 Root element name not match");

    // Documents that TinyXML loads without a root and without an error of its own: the user
    // still reads why.
    testutil::TempDir tmp;
    testutil::writeFile(tmp / "subset.xml",
                        "<?xml version=\"1.0\"?>\n<!DOCTYPE metadata [ <!ENTITY a \"b\"> ]>\n<metadata/>\n");
    testutil::writeFile(tmp / "declaration.xml", "<?xml version=\"1.0\"?>\n");
    for (const std::string& path : {fixture("comment-only.xml"), tmp / "subset.xml", tmp / "declaration.xml"}) {
        tinybind::Document rootless(path);
        EXPECT_EQ(describe(raised([&] { rootless.rootElement(""); })), "1 no root element") << path;
    }
}

TEST(TinybindElement, ChildrenAndAttributes) {
    tinybind::Document doc(fixture("tab-indented.xml"));
    tinybind::Element build(doc.rootElement("build"));
    EXPECT_EQ(build.attribute("version"), "1");
    EXPECT_EQ(build.attribute("missing"), "");

    tinybind::Element component = build.requiredChild("component");
    EXPECT_EQ(component.requiredAttribute("id"), "1");
    tinybind::notfound nf = raised<tinybind::notfound>([&] { component.requiredChild("name"); });
    EXPECT_EQ(describe(nf), "1 There is no child element 'name' in tag 'component'");
    EXPECT_EQ(describe(tinybind::notfound("component", "name")), describe(nf));

    // Rows and columns are TinyXML's, a tab counting four columns.
    std::vector<std::string> missing;
    for (tinybind::Element setting : component.children("setting"))
        missing.push_back(raised([&] { setting.requiredAttribute("id"); }).message);
    EXPECT_EQ(missing, (std::vector<std::string>{"There is no attribute 'id' in element setting (row:4 col:9)",
                                                 "There is no attribute 'id' in element setting (row:5 col:9)"}));
}

TEST(TinybindElement, ChildWalkAndChildByAttribute) {
    tinybind::Document doc(fixture("mixed.xml"));
    tinybind::Element list = tinybind::Element(doc.rootElement("product")).requiredChild("list");

    auto walk = [&](const std::string& name) {
        std::string seen;
        for (tinybind::ChildIterator it = list.children(name); it; ++it)
            seen += (*it).element->ValueStr() + (*it).attribute("id") + " ";
        return seen;
    };
    EXPECT_EQ(walk("x"), "x1 x2 x ");
    EXPECT_EQ(walk(""), "x1 y2 x2 x ");
    EXPECT_EQ(walk("z"), "");

    struct Case {
        const char* name;
        const char* attribute;
        const char* value;
        const char* found;  // the "name" attribute of the child, or null for a miss
        const char* error;
    } cases[] = {
        {"x", "id", "2", "third", ""},
        {"x", "", "", "", ""},
        {"x", "name", "fourth", "fourth", ""},
        {"x", "id", "3", nullptr, "not found child element x in element list with attribute id=\"3\""},
        {"z", "", "", nullptr, "not found child element z in element list"},
        {"", "", "", nullptr, "not specified child element name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.attribute + "=" + c.value);
        tinybind::Element handle = list;
        handle.error = "earlier";
        tinybind::Element& same = handle.childByAttribute(c.name, c.attribute, c.value);
        EXPECT_EQ(&same, &handle);
        if (c.found) {
            ASSERT_NE(handle.element, nullptr);
            EXPECT_EQ(handle.attribute("name"), c.found);
            EXPECT_EQ(handle.error, "earlier");
        } else {
            EXPECT_EQ(handle.element, nullptr);
            EXPECT_EQ(handle.error, c.error);
            // An empty handle stays as it is.
            handle.childByAttribute("x");
            EXPECT_EQ(handle.element, nullptr);
            EXPECT_EQ(handle.error, c.error);
        }
    }

    tinybind::Element empty;
    std::vector<std::function<void()>> lookups = {
        [&] { empty.requiredChild("x"); },      [&] { empty.attribute("x"); },
        [&] { empty.requiredAttribute("x"); }, [&] { empty.children("x"); },
        [&] { empty.text(true); },             [&] { tinybind::text(empty); },
    };
    for (auto& lookup : lookups) EXPECT_EQ(describe(raised(lookup)), "0 no element pointer");
}

TEST(TinybindElement, Text) {
    tinybind::Document doc(fixture("mixed.xml"));
    tinybind::Element product(doc.rootElement("product"));
    struct Case {
        const char* element;
        bool optional;
        const char* text;  // or the message of the failure, which has code 1
        bool fails;
    } cases[] = {
        {"plain", false, "one text", false},
        {"commented", false, "text", false},
        {"cdata", false, "raw <text> & more", false},
        {"interrupted", true, "There is not only text node in element 'interrupted' (row:5 col:3)", true},
        {"cdata-and-text", false, "There is not only text node in element 'cdata-and-text' (row:7 col:3)", true},
        {"only-comment", true, "", false},
        {"only-comment", false, "Text node not found in element 'only-comment' (row:8 col:3)", true},
        {"empty", true, "", false},
        {"empty", false, "Text node not found in element 'empty' (row:9 col:3)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.element) + (c.optional ? " optional" : ""));
        tinybind::Element e = product.requiredChild(c.element);
        if (c.fails) {
            EXPECT_EQ(describe(raised([&] { e.text(c.optional); })), std::string("1 ") + c.text);
            EXPECT_EQ(describe(raised([&] { tinybind::text(e, c.optional); })), std::string("1 ") + c.text);
        } else {
            EXPECT_EQ(e.text(c.optional), c.text);
            EXPECT_EQ(tinybind::text(e.element, c.optional), c.text);
        }
    }
}

TEST(TinybindHelpers, NameAttributeAndYesNoAttribute) {
    TiXmlDocument doc;
    doc.Parse("<settings>\n  <setting id=\"a\" empty=\"\" t=\"true\" y=\"yes\" f=\"false\" n=\"no\" T=\"True\""
              " one=\"1\" blank=\" yes\"/>\n</settings>");
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    tinybind::Element setting(doc.RootElement()->FirstChildElement());
    EXPECT_EQ(tinybind::getName(setting), "setting");
    EXPECT_EQ(tinybind::getAttribute(setting, "id"), "a");
    EXPECT_EQ(tinybind::getAttribute(setting, "empty"), "");
    EXPECT_EQ(describe(raised([&] { tinybind::getAttribute(setting, "exists"); })),
              "1 There is no attribute 'exists' in element setting (row:2 col:3)");

    EXPECT_TRUE(tinybind::getBoolAttribute(setting, "t"));
    EXPECT_TRUE(tinybind::getBoolAttribute(setting, "y"));
    EXPECT_FALSE(tinybind::getBoolAttribute(setting, "f"));
    EXPECT_FALSE(tinybind::getBoolAttribute(setting, "n"));
    for (const char* name : {"T", "one", "blank", "empty"}) {
        EXPECT_EQ(describe(raised([&] { tinybind::getBoolAttribute(setting, name); })),
                  std::string("1 There is incorrect boolean attribute '") + name +
                      "' in element setting (row:2 col:3). Must be 'true' or 'false'.")
            << name;
    }
    EXPECT_EQ(describe(raised([&] { tinybind::getBoolAttribute(setting, "missing"); })),
              "1 There is no attribute 'missing' in element setting (row:2 col:3)");

    const tinybind::Element none;
    EXPECT_EQ(describe(raised([&] { tinybind::getName(none); })), "0 no element pointer");
    EXPECT_EQ(describe(raised([&] { tinybind::getAttribute(none, "id"); })), "0 no element pointer");
    EXPECT_EQ(describe(raised([&] { tinybind::getBoolAttribute(none, "id"); })), "0 no element pointer");
}

}  // namespace
