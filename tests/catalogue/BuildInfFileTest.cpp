// Build descriptions: a complete Debian description compared as a whole, a FreeBSD one with
// its ports, the product section as an optional part, and a table of broken files with their
// exact errors.
#include "catalogue/BuildInfFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tinyxml.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/tinybind.h"
#include "packages/Package.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "updates/SelfUpgrade.h"

namespace {

using testutil::codesOf;
using testutil::raisedError;

typedef std::vector<std::string> Texts;

const std::string fixtures = std::string(VN_FIXTURES_DIR) + "/catalogue/build/";

// The packages are handed on by the description; the tests are their last holders.
void releasePackages(const BuildInfFile& d) {
    for (Package* p : d.update_packages) delete p;
    for (Package* p : d.thirdparty_packages) delete p;
    for (const auto& c : d.components) {
        for (Package* p : c->packages) delete p;
        for (Package* p : c->bootstrapper_packages) delete p;
    }
}

struct Loaded {
    explicit Loaded(const std::string& path, const std::string& config = "dists/b.inf3") : d(path, config) {}
    ~Loaded() { releasePackages(d); }
    BuildInfFile d;
};

std::string quoted(const std::vector<std::string>& list) {
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i) out += (i ? ", \"" : "\"") + list[i] + "\"";
    return out + "]";
}

std::string quoted(const std::vector<std::vector<std::string>>& lists) {
    std::string out = "[";
    for (size_t i = 0; i < lists.size(); ++i) out += (i ? ", " : "") + quoted(lists[i]);
    return out + "]";
}

std::string quoted(const BuildInfFile::options_t& options) {
    std::string out = "{";
    bool first = true;
    for (const auto& entry : options) {
        out += std::string(first ? "" : ", ") + "\"" + entry.first + "\": {";
        first = false;
        bool firstOption = true;
        for (const auto& option : entry.second) {
            out += std::string(firstOption ? "" : ", ") + "\"" + option.first + "\"=\"" + option.second + "\"";
            firstOption = false;
        }
        out += "}";
    }
    return out + "}";
}

std::string packages(const std::vector<Package*>& list) {
    std::string out;
    for (Package* p : list) {
        out += "    " + p->toString() + " type=" + std::string(1, static_cast<char>(p->getType())) + " file=" +
               p->getFileName() + " size=" + std::to_string(p->size) + "\n";
    }
    return out;
}

std::string element(const std::shared_ptr<TiXmlElement>& e) {
    if (!e) return "none";
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    e->Accept(&printer);
    return printer.Str();
}

void dumpGroups(std::ostringstream& out, const std::vector<BuildInfFile::group_t>& groups, const std::string& indent) {
    for (const BuildInfFile::group_t& g : groups) {
        out << indent << "group \"" << g.name << "\" \"" << g.description << "\" radio=" << g.radio << " default=\""
            << g.default_component << "\" components=" << quoted(g.components) << " switch_rules=" << g.has_switch_rules
            << " allowed=[";
        for (size_t i = 0; i < g.allowed_switches.size(); ++i)
            out << (i ? ", " : "") << "(\"" << g.allowed_switches[i].first << "\", \"" << g.allowed_switches[i].second
                << "\")";
        out << "]\n";
        dumpGroups(out, g.subgroups, indent + "  ");
    }
}

// Every field, in declaration order.
std::string dump(const BuildInfFile& d) {
    std::ostringstream out;
    out << "groups:\n";
    dumpGroups(out, d.groups, "  ");
    out << "installation_types:\n";
    for (const auto& t : d.installation_types)
        out << "  \"" << t.name << "\" \"" << t.description << "\" " << quoted(t.components) << "\n";
    out << "config=" << d.config << "\n"
        << "product_id=" << d.product_id << "\n"
        << "product_keypackages=" << quoted(d.product_keypackages) << "\n"
        << "upgrade_codes=" << quoted(d.upgrade_codes) << "\n"
        << "product_codes=" << quoted(d.product_codes) << "\n"
        << "release=" << quoted(Texts{d.release_id, d.release_name, d.release_version, d.upgrade_allowed_from,
                                 d.parameters_file})
        << "\n"
        << "os=" << quoted(Texts{d.os_name, d.os_vendor, d.os_version, d.os_release_name, d.os_arch, d.environment}) << "\n"
        << "kv_template=" << quoted(Texts{d.kv_template_prefix, d.kv_template_suffix}) << "\n"
        << "apt=" << quoted(Texts{d.apt_repository, d.apt_source}) << "\n"
        << "repodata=" << d.repodata << "\n"
        << "deprecated=" << d.deprecated << "\n"
        << "build=" << quoted(Texts{d.build_dir, d.headers_file}) << "\n"
        << "updates=" << quoted(Texts{d.updates_dir, d.updates_headers_file}) << "\n"
        << "thirdparty=" << quoted(Texts{d.thirdparty_dir, d.thirdparty_headers_file}) << "\n"
        << "update_packages:\n"
        << packages(d.update_packages) << "thirdparty_packages:\n"
        << packages(d.thirdparty_packages) << "ports_date=" << d.ports_date << "\n"
        << "ports_archives=" << quoted(d.ports_archives) << "\n"
        << "update_package_options=" << quoted(d.update_package_options) << "\n"
        << "components:\n";
    for (const auto& c : d.components) {
        out << "  \"" << c->name << "\" \"" << c->description << "\" environment=" << c->environment
            << " legacy=" << c->legacy << " component_1=" << c->component_1 << "\n"
            << "    requires=" << quoted(c->requires) << " hardwired_with=" << quoted(c->hardwired_with) << "\n"
            << "    keypackages=" << quoted(c->keypackages) << " expackages=" << quoted(c->expackages)
            << " rmpackages=" << quoted(c->rmpackages) << " kvtemplates=" << quoted(c->kvtemplates) << "\n"
            << "    ports_options=" << quoted(c->ports_options) << "\n"
            << "    bootstrapper=" << element(c->bootstrapper) << "\n"
            << packages(c->bootstrapper_packages) << "    settings=" << element(c->settings) << "\n"
            << packages(c->packages);
    }
    out << "preferred_packages=" << quoted(d.preferred_packages) << "\n"
        << "force_remove_packages=" << quoted(d.force_remove_packages) << "\n"
        << "removable_packages=" << quoted(d.removable_packages) << "\n"
        << "diskspace:\n";
    for (const auto& entry : d.diskspace) out << "  " << entry.first << "=" << entry.second << "\n";
    return out.str();
}

// The description in `xml` as a file of its own, for the small cases.
class Written {
public:
    explicit Written(const std::string& xml) : file(dir / "b.inf3") { testutil::writeFile(file, xml); }
    const std::string& path() const { return file; }

private:
    testutil::TempDir dir;
    std::string file;
};

// A build element with every required attribute, around `body`; `extra` adds attributes.
std::string build(const std::string& body, const std::string& extra = std::string(),
                  const std::string& vendor = "Debian") {
    return "<build os_name=\"Linux\" os_vendor=\"" + vendor +
           "\" os_version=\"5.0\" os_arch=\"i386\" environment=\"dedicated\" build_dir=\"dists/b\" " + extra + ">\n" +
           body + "</build>\n";
}

const std::string aComponent = "<component name=\"c\" description=\"C\"><keypackages><keypackage name=\"k\"/>"
                               "</keypackages></component>\n";

class BuildInfFileTest : public testutil::EnglishTest {};

TEST_F(BuildInfFileTest, ReadsACompleteDebianDescription) {
    testutil::LogCapture log(3);
    Loaded loaded(fixtures + "debian-full.inf3", "dists/debian-5.0/tarnix_9.5.4.inf3");
    EXPECT_EQ(testutil::readFile(fixtures + "debian-full.expected"), dump(loaded.d));

    const std::string text = log.text();
    const std::vector<std::string> lines = {
        "Load and parse component list from " + fixtures + "debian-full.inf3\n",
        "parse bootstrapper for component base\n add package tarnix-bootstrap_9.5.4-1_all.deb\n",
        "parse bootstrapper for component docs\n add package tarnix-docs-setup_1.0_all.deb\n"
        "Warning: component docs have no build or keypackages, ignore.\n",
    };
    for (const std::string& line : lines) EXPECT_NE(std::string::npos, text.find(line)) << line << "\nin\n" << text;
    for (const char* absent : {"No updates section", "No thirdparty section", "No removers", "No force remove",
                               "No preferrers", "no 'diskspace'", "deprecated attribute", "optional config section"})
        EXPECT_EQ(std::string::npos, text.find(absent)) << absent;
}

// The element copies belong to the records: they outlive the description and its document.
TEST_F(BuildInfFileTest, ComponentsOutliveTheirDescription) {
    std::shared_ptr<BuildInfFile::component_t> web;
    std::shared_ptr<BuildInfFile::component_t> base;
    {
        Loaded loaded(fixtures + "debian-full.inf3");
        base = loaded.d.components.at(0);
        web = loaded.d.components.at(4);
        releasePackages(loaded.d);
        loaded.d.components.clear();
        loaded.d.update_packages.clear();
        loaded.d.thirdparty_packages.clear();
    }
    ASSERT_TRUE(web->settings);
    EXPECT_EQ("8443", tinybind::Element(web->settings.get()).requiredChild("param").attribute("default"));
    ASSERT_TRUE(base->bootstrapper);
    EXPECT_EQ("/usr/lib/tarnix/bootstrap.sh",
              tinybind::text(tinybind::Element(base->bootstrapper.get()).requiredChild("action")));
}

TEST_F(BuildInfFileTest, ReadsTheFreeBsdPortsAndAFileWithoutProduct) {
    testutil::LogCapture log(3);
    Loaded loaded(fixtures + "freebsd.inf3");
    const BuildInfFile& d = loaded.d;
    EXPECT_EQ("20110115", d.ports_date);
    // An archive without "filename" adds an empty name.
    EXPECT_EQ((std::vector<std::string>{"ports-20110115.tgz", "", "ports-local.tgz"}), d.ports_archives);
    ASSERT_EQ(2u, d.components.size());
    // A component with nothing but port options stays.
    EXPECT_EQ("ports-tuning", d.components[1]->name);
    EXPECT_EQ("{\"lang/php5\": {\"APACHE\"=\"off\", \"SUHOSIN\"=\"on\"}, \"www/apache22\": {\"SSL\"=\"on\"}}",
              quoted(d.components[1]->ports_options));
    // No product section: the load goes on with the product fields empty.
    EXPECT_EQ("", d.product_id + d.release_id + d.release_name + d.release_version + d.upgrade_allowed_from +
                      d.parameters_file);
    EXPECT_TRUE(d.product_keypackages.empty());
    EXPECT_NE(std::string::npos,
              log.text().find("Warning: There is some error during read optional config section 'product': "
                              "There is no child element 'product' in tag 'build'\n"));
    EXPECT_NE(std::string::npos, log.text().find("Warning: no 'diskspace' section in config\n"));
}

TEST_F(BuildInfFileTest, PortsOnlyForExactlyFreeBsd) {
    const std::string ports = "<ports freebsd-ports-date=\"20110101\"><archive filename=\"p.tgz\"/></ports>\n";
    struct Row {
        const char* label;
        std::string vendor;
        std::string extra;
        std::vector<std::string> archives;
        bool deprecatedLine;
    } rows[] = {
        {"ports element", "FreeBSD", "", {"p.tgz"}, false},
        {"ports_file wins over the ports element", "FreeBSD", "ports_file=\"old.tgz\"", {"old.tgz"}, true},
        {"an empty ports_file counts as none", "FreeBSD", "ports_file=\"\"", {"p.tgz"}, false},
        {"vendor in lower case", "freebsd", "ports_file=\"old.tgz\"", {}, false},
        {"another vendor", "Debian", "", {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        testutil::LogCapture log(3);
        Written file(build(aComponent + ports, row.extra, row.vendor));
        Loaded loaded(file.path());
        EXPECT_EQ(row.archives, loaded.d.ports_archives);
        EXPECT_EQ(row.archives.empty() ? "" : row.deprecatedLine ? "" : "20110101", loaded.d.ports_date);
        EXPECT_EQ(row.deprecatedLine, log.text().find("Warning: deprecated attribute in build tag: 'ports_file'\n") !=
                                          std::string::npos);
    }
}

TEST_F(BuildInfFileTest, ProductSectionErrorsAreWarnings) {
    struct Row {
        const char* label;
        std::string product;
        std::string warning;
        std::vector<std::vector<std::string>> keypackages;
        std::string releaseId;
    } rows[] = {
        {"key package without text: the lists read before stay, the release is not read",
         "<product id=\"p\"><keypackages><keypackage>a</keypackage></keypackages>"
         "<keypackages><keypackage>b</keypackage><keypackage/></keypackages><release id=\"r\"/></product>",
         "Text node not found in element 'keypackage' (row:3 col:109)",
         {{"a"}},
         ""},
        {"no release", "<product id=\"p\"><keypackages/></product>",
         "There is no child element 'release' in tag 'product'",
         {{}},
         ""},
        {"two text nodes", "<product id=\"p\"><keypackages><keypackage>a<!-- -->b</keypackage></keypackages></product>",
         "There is not only text node in element 'keypackage' (row:3 col:30)",
         {},
         ""},
        {"release attributes optional", "<product><release id=\"r\"/></product>", "", {}, "r"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        testutil::LogCapture log(3);
        Written file(build("<!-- the product -->\n" + row.product + "\n" + aComponent));
        Loaded loaded(file.path());
        EXPECT_EQ(row.keypackages, loaded.d.product_keypackages);
        EXPECT_EQ(row.releaseId, loaded.d.release_id);
        const std::string prefix = "Warning: There is some error during read optional config section 'product': ";
        if (row.warning.empty())
            EXPECT_EQ(std::string::npos, log.text().find(prefix));
        else
            EXPECT_NE(std::string::npos, log.text().find(prefix + row.warning + "\n")) << log.text();
    }
}

TEST_F(BuildInfFileTest, FlagsCountOnlyExactly) {
    struct Row {
        const char* repodata;
        const char* legacy;
        bool set;
    } rows[] = {{"yes", "true", true}, {"Yes", "True", false}, {"true", "yes", false}, {"", "", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.repodata) + "/" + row.legacy);
        Written file(build("<component name=\"a\" description=\"A\" legacy=\"" + std::string(row.legacy) +
                               "\"><kvtemplate name=\"\"/></component>",
                           "repodata=\"" + std::string(row.repodata) + "\""));
        Loaded loaded(file.path());
        EXPECT_EQ(row.set, loaded.d.repodata);
        EXPECT_EQ(row.set, loaded.d.components.at(0)->legacy);
        // A required attribute that is present but empty is accepted.
        EXPECT_EQ(std::vector<std::string>{""}, loaded.d.components[0]->kvtemplates);
    }
}

TEST_F(BuildInfFileTest, DiskSpaceIsReadIn64BitsAndBadValuesCountZero) {
    struct Row {
        const char* value;
        int64_t kib;
        bool warning;
    } rows[] = {
        {"300", 307200, false},
        {"+7M", 7168, false},
        {"\t\n 2M", 2048, false},
        {"3000000M", 3072000000, false},  // past 32 bits
        {"9007199254740991M", 9007199254740991LL * 1024, false},
        {"-9007199254740991", -9007199254740991LL * 1024, false},
        {"9007199254740992M", 0, true},  // times 1024 leaves 64 bits
        {"99999999999999999999999", 0, true},
        {"M", 0, true},
        {"", 0, true},
        {"abc", 0, true},
        {"- 5M", 0, true},
        {"0x10", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("value '") + row.value + "'");
        testutil::LogCapture log(3);
        Written file(build(aComponent + "<diskspace><directory_use path=\"/usr\" value=\"" + row.value +
                           "\"/></diskspace>\n"));
        Loaded loaded(file.path());
        EXPECT_EQ(row.kib, loaded.d.diskspace.at("/usr"));
        EXPECT_EQ(row.warning, log.text().find("Warning: disk space value '") != std::string::npos) << log.text();
    }
    testutil::LogCapture log(1);
    Written file(build(aComponent + "<diskspace><directory_use path=\"/var/www\" value=\"M\"/></diskspace>\n"));
    Loaded loaded(file.path());
    EXPECT_NE(std::string::npos, log.text().find("\nWarning: disk space value 'M' of directory '/var/www' is not a "
                                                 "usable number of megabytes, counted as 0\n"))
        << log.text();
}

std::string nestedGroups(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<group name=\"g" + std::to_string(i + 1) + "\"><component name=\"c\"/>";
        close += "</group>";
    }
    return "<component_groups>" + open + close + "</component_groups>\n";
}

TEST_F(BuildInfFileTest, GroupNestingIsBounded) {
    Written deepest(build(aComponent + nestedGroups(BuildInfFile::maxGroupDepth)));
    Loaded loaded(deepest.path());
    const BuildInfFile::group_t* g = &loaded.d.groups.at(0);
    int depth = 1;
    for (; !g->subgroups.empty(); g = &g->subgroups[0]) ++depth;
    EXPECT_EQ(BuildInfFile::maxGroupDepth, depth);
    EXPECT_EQ("g64", g->name);

    Written tooDeep(build(aComponent + nestedGroups(BuildInfFile::maxGroupDepth + 1)));
    const error e = raisedError([&] { BuildInfFile(tooDeep.path(), "dists/b.inf3"); });
    EXPECT_EQ("Syntax error in file " + tooDeep.path() + ":\ncomponent groups nested too deeply. Error while parse " +
                  tooDeep.path() + "\n",
              e.text());
    EXPECT_EQ("(1,1,1,3)", codesOf(e));
}

// What a broken description raises: a catalogue error (its text and codes; "<path>" stands
// for the file) or an XML access error (its message).
struct Broken {
    const char* label;
    std::string xml;  // empty: no file at all
    std::string text;
    std::string codes;  // empty: an XML access error, not an `error`
};

std::string withPath(std::string text, const std::string& path) {
    for (size_t at; (at = text.find("<path>")) != std::string::npos;) text.replace(at, 6, path);
    return text;
}

TEST_F(BuildInfFileTest, BrokenDescriptionsRaiseTheirErrors) {
    const std::string pkg = "<package name=\"p\" file=\"p_1.0_all.deb\" version=\"1.0\" release=\"\" arch=\"all\" "
                            "md5=\"33333333333333333333333333333333\" buildtime=\"1\" size=\"1\"/>";
    const Broken rows[] = {
        {"missing file", "", "Syntax error in file <path>:\nFailed to open file\n", "(1,1,1,3)"},
        {"a directory", "<dir>", "Syntax error in file <path>:\nFailed to open file: it is a directory\n", "(1,1,1,3)"},
        {"not well-formed", "<build><component></build>",
         "Syntax error in file <path>:\nError reading end tag.\n", "(1,1,1,3)"},
        {"comment only", "<?xml version=\"1.0\"?>\n<!-- nothing -->\n",
         "An XML root element was not found in the file <path>\n", "(1,1,1,3)"},
        {"root element not build", "<product id=\"p\"/>",
         "The root element is named incorrectly in the file <path>\n", "(1,1,1,3)"},
        // os_arch is read before build_dir, and attribute errors get no suffix.
        {"build lacking os_arch and build_dir",
         "<build os_name=\"Linux\" os_vendor=\"Debian\" os_version=\"5.0\" environment=\"d\">" + aComponent + "</build>",
         "The attribute os_arch was not found.\n", "(1,1,1,3)"},
        {"build lacking build_dir",
         "<build os_name=\"Linux\" os_vendor=\"Debian\" os_version=\"5.0\" os_arch=\"i386\" environment=\"d\">" +
             aComponent + "</build>",
         "The attribute build_dir was not found.\n", "(1,1,1,3)"},
        // Inside the sections an error carries the suffix on its last line: hence the "..".
        {"removable package without name", build(aComponent + "<removable_packages><package/></removable_packages>"),
         "The attribute name was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"preferred package without name", build(aComponent + "<preferred_packages><package/></preferred_packages>"),
         "The attribute name was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"all components dropped", build("<component name=\"c\" description=\"C\"><bootstrapper>" + pkg +
                                         "</bootstrapper></component>"),
         "The list of product components was not found in the file dists/b.inf3. Error while parse <path>\n",
         "(1,1,1,3)"},
        {"components wrapped in another element", build("<components>" + aComponent + "</components>"),
         "The list of product components was not found in the file dists/b.inf3. Error while parse <path>\n",
         "(1,1,1,3)"},
        {"component without description", build("<component name=\"c\"><kvtemplate name=\"t\"/></component>"),
         "The attribute description was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"include without config", build(aComponent + "<include/>"),
         "The attribute config was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"empty keypackages", build("<component name=\"c\" description=\"C\"><keypackages/></component>"),
         "The list of key packages of the component c is empty.. Error while parse <path>\n", "(1,1,1,3)"},
        {"keypackage without name",
         build("<component name=\"c\" description=\"C\"><keypackages><keypackage/></keypackages></component>"),
         "The attribute name was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"package element lacking arch",
         build("<component name=\"c\" description=\"C\"><package name=\"p\" file=\"p.deb\" version=\"1\" "
               "release=\"1\"/></component>"),
         "There is an error in Corvane Products Installer's configuration file.. Error while parse <path>\n", "(1,1,1,3)"},
        // An empty "file" still makes a package, and a package needs a file of a known kind.
        {"update package with an empty file",
         build(aComponent + "<updates updates_dir=\"u\"><package name=\"p\" file=\"\" version=\"1\" release=\"\" "
                            "arch=\"all\"/></updates>"),
         "Unable to create package object from file . Error while parse <path>\n", "(0,0,0,0)"},
        {"updates without updates_dir", build(aComponent + "<updates/>"),
         "The attribute updates_dir was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"update option without value",
         build(aComponent + "<updates updates_dir=\"u\"><package name=\"p\"><option name=\"o\"/></package></updates>"),
         "The attribute value was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"thirdparty without thirdparty_dir", build(aComponent + "<thirdparty/>"),
         "The attribute thirdparty_dir was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"directory_use without value", build(aComponent + "<diskspace><directory_use path=\"/\"/></diskspace>"),
         "The attribute value was not found.. Error while parse <path>\n", "(1,1,1,3)"},
        {"installation type without components",
         build(aComponent + "<installation_types><type name=\"t\"/></installation_types>"),
         "An internal error occured in vantrell, rev.297274 BuildInfFile, line 378.. Error while parse <path>\n", "(3,1,1,3)"},
        {"installation type component with empty text",
         build(aComponent + "<installation_types><type name=\"t\"><component><![CDATA[]]></component></type>"
                            "</installation_types>"),
         "An internal error occured in vantrell, rev.297274 BuildInfFile, line 372.. Error while parse <path>\n", "(3,1,1,3)"},
        // The ports come after the sections: no suffix.
        {"FreeBSD ports without archives", build(aComponent + "<ports/>", "", "FreeBSD"),
         "The list of ports archives was not found in file dists/b.inf3\n", "(1,1,1,3)"},
        // XML access errors pass unchanged, without the suffix.
        {"group member without name",
         build(aComponent + "<component_groups>\n<group name=\"g\">\n  <component/></group></component_groups>"),
         "There is no attribute 'name' in element component (row:5 col:3)", ""},
        {"installation type component without text",
         build(aComponent + "<installation_types><type><component/></type></installation_types>"),
         "Text node not found in element 'component' (row:3 col:27)", ""},
    };
    for (const Broken& row : rows) {
        SCOPED_TRACE(row.label);
        testutil::TempDir dir;
        const std::string path = dir / (row.xml.empty() ? "none.inf3" : "b.inf3");
        if (row.xml == "<dir>")
            ASSERT_EQ(0, ::mkdir(path.c_str(), 0700));
        else if (!row.xml.empty())
            testutil::writeFile(path, row.xml);
        const std::string expected = withPath(row.text, path);
        if (row.codes.empty()) {
            try {
                BuildInfFile(path, "dists/b.inf3");
                ADD_FAILURE() << "no XML access error";
            } catch (const tinybind::err& e) {
                EXPECT_EQ(expected, e.message);
            }
            continue;
        }
        const error e = raisedError([&] { BuildInfFile(path, "dists/b.inf3"); });
        EXPECT_EQ(expected, e.text());
        EXPECT_EQ(row.codes, codesOf(e));
    }
}

TEST_F(BuildInfFileTest, AnEmptyPathFailsBeforeAnyLogLine) {
    testutil::LogCapture log(3);
    const error e = raisedError([] { BuildInfFile("", "dists/b.inf3"); });
    EXPECT_EQ("The 'config' build attribute is empty.\n", e.text());
    EXPECT_EQ("(1,1,1,3)", codesOf(e));
    EXPECT_EQ("", log.text());
}

// The required installer version is process-wide: each case runs in a child.
TEST_F(BuildInfFileTest, ANewerInstallerIsAskedForBeforeTheRootNameIsTested) {
    struct Row {
        const char* label;
        std::string xml;
        std::string outcome;
    } rows[] = {
        {"root product needing 99.0", "<product><required_vantrell version=\"99.0\"/></product>", "need"},
        {"root product needing 3.9.0",
         "<product><required_vantrell version=\"3.9.0\"/></product>",
         "The root element is named incorrectly in the file <path>\n"},
        {"a build needing 3.9.1", build(aComponent + "<required_vantrell version=\"3.9.1\"/>"), "need"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Written file(row.xml);
        const std::string outcome = testutil::inChild([&]() -> std::string {
            try {
                BuildInfFile(file.path(), "dists/b.inf3");
                return "loaded";
            } catch (const SelfUpgrade::NeedSelfUpgrade&) {
                return "need";
            } catch (const error& e) {
                return e.text();
            }
        });
        EXPECT_EQ(withPath(row.outcome, file.path()), outcome);
    }
}

}  // namespace
