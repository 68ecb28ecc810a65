#include "common/XmlStream.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace {

// An element as a reader sees it: name, place, attributes, and its children in order
// (elements, text "T", CDATA "C").
void print(const TiXmlElement* e, std::ostream& out, int indent) {
    out << std::string(indent, ' ') << e->ValueStr() << " @" << e->Row() << ":" << e->Column();
    for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) out << " " << a->Name() << "=[" << a->ValueStr() << "]";
    out << "\n";
    for (const TiXmlNode* n = e->FirstChild(); n; n = n->NextSibling()) {
        if (const TiXmlElement* child = n->ToElement())
            print(child, out, indent + 1);
        else if (const TiXmlText* text = n->ToText())
            out << std::string(indent + 1, ' ') << (text->CDATA() ? "C[" : "T[") << text->ValueStr() << "]\n";
    }
}

std::string printed(const TiXmlElement* e) {
    std::ostringstream out;
    print(e, out, 0);
    return out.str();
}

// The `child` elements of the root, as the stream hands them over, fed in pieces of `piece`
// bytes (0: all at once).
std::vector<std::string> streamed(const std::string& doc, const std::string& root, const std::string& child,
                                  size_t piece = 0) {
    std::vector<std::string> got;
    XmlStream xml(root, child, [&](const tinybind::Element& e) { got.push_back(printed(e.element)); });
    if (piece == 0) {
        xml.feed(doc.data(), doc.size(), true);
    } else {
        for (size_t at = 0; at < doc.size(); at += piece) xml.feed(doc.data() + at, std::min(piece, doc.size() - at), false);
        xml.feed("", 0, true);
    }
    return got;
}

// The same elements from the whole document loaded by TinyXML.
std::vector<std::string> loaded(const std::string& doc, const std::string& root, const std::string& child) {
    testutil::TempDir tmp;
    testutil::writeFile(tmp / "doc.xml", doc);
    tinybind::Document d(tmp / "doc.xml");
    std::vector<std::string> got;
    for (tinybind::Element e : tinybind::Element(d.rootElement(root)).children(child)) got.push_back(printed(e.element));
    return got;
}

TEST(XmlStream, ElementsReadAsTheWholeDocumentLoadedWouldGiveThem) {
    const struct {
        const char* what;
        std::string doc;
        size_t count;
    } cases[] = {
        {"attributes, nested elements, qualified names",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<metadata packages=\"2\">\n"
         "<package type=\"rpm\">\n  <name>a</name>\n  <version epoch=\"0\" ver=\"1.0\" rel=\"1\"/>\n"
         "  <format>\n    <rpm:provides><rpm:entry name=\"a\" flags=\"EQ\"/></rpm:provides>\n  </format>\n"
         "</package>\n<package><name>b</name></package>\n</metadata>\n",
         2},
        {"entities and character references",
         "<metadata><package><name>a&amp;b &lt;c&gt; &#65;&#x42; &quot;&apos;</name><f v=\"x&amp;y\"/></package></metadata>", 1},
        {"white space condensed, text of white space alone dropped",
         "<metadata><package>\n <name>  two   words \n here </name>\n<e>   </e><f/>  </package></metadata>", 1},
        {"CDATA kept as it is", "<metadata><package><file><![CDATA[  a <b> &c  ]]></file></package></metadata>", 1},
        {"mixed text and elements", "<metadata><package>one <b>two</b> three<c/></package></metadata>", 1},
        {"other children of the root skipped, also a same-named element deeper",
         "<metadata><other><package><name>no</name></package></other>\n<package><name>yes</name></package>"
         "<!-- a comment --><?pi x?></metadata>",
         1},
        {"UTF-8 text", "<metadata><package><name>gr\xc3\xbc\xc3\x9f</name></package></metadata>", 1},
        {"no children", "<metadata/>", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> expected = loaded(c.doc, "metadata", "package");
        ASSERT_EQ(expected.size(), c.count);
        EXPECT_EQ(streamed(c.doc, "metadata", "package"), expected);
        EXPECT_EQ(streamed(c.doc, "metadata", "package", 1), expected) << "fed a byte at a time";
        EXPECT_EQ(streamed(c.doc, "metadata", "package", 7), expected);
    }
}

// A realistic primary file of 5,000 packages: every element handed over equals what the
// document loaded whole gives, place included.
TEST(XmlStream, GeneratedPrimaryFileOfFiveThousandPackages) {
    testutil::TempDir tmp;
    testutil::RunResult made = testutil::run({"/usr/bin/python3", VN_FIXTURES_DIR "/../../bench/make_pool.py",
                                              "--packages", "5000", "--repodata", tmp.path()});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(testutil::shell("zcat " + tmp / "repodata/primary.xml.gz" + " > " + tmp / "primary.xml").status, 0);
    const std::string doc = testutil::readFile(tmp / "primary.xml");
    const std::vector<std::string> expected = loaded(doc, "metadata", "package");
    ASSERT_EQ(expected.size(), 5000u);
    const std::vector<std::string> got = streamed(doc, "metadata", "package", 65536);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "package " << i;
}

TEST(XmlStream, Errors) {
    const struct {
        const char* what;
        std::string doc;
        const char* expected;  // "code message" or "parse <line>:<column> <message>"
        size_t handled;
    } cases[] = {
        {"another root", "<filelists><package/></filelists>", "err 1 Root element name not match", 0},
        {"an element left open", "<metadata><package><name>a</name></package>\n<package>\n", "parse 3:1 no element found", 1},
        {"mismatched tags", "<metadata>\n<package><name>a</nam></package></metadata>", "parse 2:19 mismatched tag", 0},
        {"empty document", "", "parse 1:1 no element found", 0},
        {"text after the root", "<metadata/>junk", "parse 1:12 junk after document element", 0},
        {"an entity declaration",
         "<!DOCTYPE metadata [ <!ENTITY a \"aaaaaaaaaa\"> ]>\n<metadata><package>&a;</package></metadata>",
         "parse 1:33 entity declarations are not accepted", 0},
        {"an undefined entity", "<metadata><package>&nope;</package></metadata>", "parse 1:20 undefined entity", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        size_t handled = 0;
        std::string got = "no error";
        try {
            XmlStream xml("metadata", "package", [&](const tinybind::Element&) { ++handled; });
            xml.feed(c.doc.data(), c.doc.size(), true);
        } catch (const tinybind::parse_err& e) {
            got = "parse " + std::to_string(e.row) + ":" + std::to_string(e.col) + " " + e.message;
        } catch (const tinybind::err& e) {
            got = "err " + std::to_string(e.code) + " " + e.message;
        }
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(handled, c.handled);
    }
}

// What the handler throws leaves feed() unchanged, and nothing after it is handled.
TEST(XmlStream, HandlerErrorStopsTheRead) {
    const std::string doc = "<metadata><package n=\"1\"/><package n=\"2\"/><package n=\"3\"/></metadata>";
    std::vector<std::string> seen;
    XmlStream xml("metadata", "package", [&](const tinybind::Element& e) {
        seen.push_back(e.attribute("n"));
        if (seen.size() == 2) e.requiredChild("name");
    });
    try {
        xml.feed(doc.data(), doc.size(), true);
        ADD_FAILURE() << "no error";
    } catch (const tinybind::notfound& e) {
        EXPECT_EQ(e.message, "There is no child element 'name' in tag 'package'");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
}

}  // namespace
