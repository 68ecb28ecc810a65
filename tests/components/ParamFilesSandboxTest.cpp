// What the parameter manager leaves on disk: the answers file in the home directory, read
// back by the next run, and the parameters files of the products' scripts.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/fileops.h"
#include "components/ParamManager.h"
#include "components/ParamTree.h"
#include "components/TreeCatalogue.h"
#include "main/OptionsProbe.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

using testutil::SettingsXml;
using testutil::TreeCatalogue;

int modeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

std::string hexOf(const std::string& bytes) {
    std::string hex;
    char byte[4];
    for (unsigned char c : bytes) {
        std::snprintf(byte, sizeof byte, "%02x", c);
        hex += byte;
    }
    return hex;
}

class ParamFiles : public optionstest::HomeFixture {
protected:
    // The manager goes (writing the answers unless a test finished it) while the home is
    // still the test's own.
    void TearDown() override {
        manager.reset();
        owners.clear();
        HomeFixture::TearDown();
    }

    // A component of the product with the given settings, kept as long as the manager.
    VnComponent* component(TreeCatalogue& product, const std::string& name, const std::string& xml, int status = 1) {
        owners.push_back(product.component(name, status));
        owners.back()->setSelected(true);
        SettingsXml settings(xml);
        EXPECT_NE(settings.root, nullptr) << xml;
        if (settings.root) manager->createFromElements(owners.back().get(), settings.root);
        return owners.back().get();
    }
    // Sets the top-level setting `id` (the first of that id).
    void set(const std::string& id, const std::string& value) {
        for (const auto& p : manager->getParams())
            if (p->getId() == id) {
                ASSERT_TRUE(p->setValue(value)) << id << "=" << value;
                return;
            }
        ADD_FAILURE() << "no setting " << id;
    }
    std::string ini() const { return home + "/.vantrell/options.ini"; }

    std::vector<std::shared_ptr<VnComponent>> owners;
    std::unique_ptr<ParamManager> manager{new ParamManager};
};

TEST_F(ParamFiles, AnswersAreSavedPerProductForTheNextRun) {
    TreeCatalogue b{"b"}, a{"a"};
    component(b, "base",
              "<settings><setting id=\"port\" type=\"integer\"/><setting id=\"pw\" type=\"password\"/>"
              "<setting id=\"token\" type=\"string\" behaviour=\"secure\"/><setting id=\"unset\" type=\"url\"/>"
              "<setting id=\"notice\" type=\"static-text\"/><setting id=\"key\" type=\"hidden\"/>"
              "<setting id=\"tls\" type=\"boolean\"><setting id=\"cert\" type=\"path\" exists=\"no\"/></setting>"
              "</settings>");
    component(a, "base", "<settings><setting id=\"motd\" type=\"string\"/></settings>");
    VnComponent* off = component(a, "off", "<settings><setting id=\"off\" type=\"string\"/></settings>");
    off->setSelected(false);
    set("port", "8080");
    set("pw", "s3cret-pw");
    set("token", "t0ken");
    set("notice", "n");
    set("key", "k");
    set("tls", "yes");  // its sub-setting stays unset: the boolean's own value is saved all the same
    set("motd", "a\"b\\\n");
    set("off", "x");

    const mode_t before = ::umask(022);
    manager->finish();
    EXPECT_EQ(::umask(before), 022) << "the process mask is left alone";

    EXPECT_EQ(testutil::readFile(ini()),
              "[a]\nmotd=\"a\\\"b\\\\\\x0a\"\n\n\n\n"
              "[b]\nport=\"8080\"\npw=\"s3cret-pw\"\ntls=\"true\"\n\n\n\n");
    EXPECT_EQ(modeOf(home + "/.vantrell"), 0700);
    EXPECT_EQ(modeOf(ini()), 0600);
    EXPECT_EQ(boost::filesystem::directory_iterator(home + "/.vantrell")->path().filename(), "options.ini")
        << "no temporary file is left";

    // The next run reads back every byte, through the reader of the settings.
    manager.reset(new ParamManager);
    TreeCatalogue t{"tarnix"};
    component(t, "base", "<settings><setting id=\"v\" type=\"string\"/></settings>");
    const std::string value = "Gr\xc3\xbc\xc3\x9f" "e \"q\"\n\t\\";
    set("v", value);
    manager->finish();
    const std::vector<std::string> outcome = optionstest::build(
        {}, [](const Options& o) { return "hex=" + hexOf(o.componentOptions.at("tarnix").at("v")) + "\n"; });
    optionstest::expectOutcome(outcome, {"hex=" + hexOf(value)}, "read back");
}

TEST_F(ParamFiles, NothingSetLeavesAnEmptyAnswersFile) {
    ASSERT_EQ(::mkdir((home + "/.vantrell").c_str(), 0700), 0);
    testutil::writeFile(home + "/.vantrell/options.ini", "[old]\na=\"1\"\n");
    TreeCatalogue t{"tarnix"};
    component(t, "base", "<settings><setting id=\"a\" type=\"string\"/></settings>");
    testutil::LogCapture log(3);
    manager.reset();
    EXPECT_EQ(testutil::readFile(ini()), "") << "the destructor writes when nobody finished";
    EXPECT_NE(log.text().find("ParamManager::ParamFileSaver::~ParamFileSaver: nothing to dump\n"), std::string::npos);
}

TEST_F(ParamFiles, AFailedWriteKeepsTheOldAnswers) {
    const std::string dir = home + "/.vantrell";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(::mount("vn-small", dir.c_str(), "tmpfs", 0, "size=8k,mode=0700"), 0) << std::strerror(errno);
    const std::string old = "[tarnix]\na=\"old\"\n\n\n\n";
    testutil::writeFile(ini(), old);
    TreeCatalogue t{"tarnix"};
    component(t, "base", "<settings><setting id=\"a\" type=\"string\"/></settings>");
    set("a", std::string(20000, 'x'));
    testutil::LogCapture log(0);
    manager->finish();
    const std::string after = testutil::readFile(ini());
    std::vector<std::string> names;
    for (boost::filesystem::directory_iterator it(dir), end; it != end; ++it)
        names.push_back(it->path().filename().string());
    ::umount(dir.c_str());
    EXPECT_EQ(after, old);
    EXPECT_EQ(names, std::vector<std::string>{"options.ini"}) << "the temporary file is removed";
    EXPECT_NE(log.text().find("ERROR: Failed to write to the file " + ini() + ": No space left on device.\n"),
              std::string::npos)
        << log.text();
}

TEST_F(ParamFiles, AnAnswersDirectoryThatIsAFileIsReported) {
    testutil::writeFile(home + "/.vantrell", "not a directory");
    testutil::LogCapture log(0);
    manager->finish();
    EXPECT_NE(log.text().find("ERROR: path " + home + "/.vantrell exists, but it is not directory\n"),
              std::string::npos)
        << log.text();
    EXPECT_EQ(testutil::readFile(home + "/.vantrell"), "not a directory");
}

class ParamExport : public ParamFiles {
protected:
    testutil::TempDir dir;
};

TEST_F(ParamExport, SetValuesOfSelectedComponentsGoToTheirProductsFile) {
    TreeCatalogue t{"tarnix"}, addon{"addon"};
    const std::string path = dir / "tarnix.params";
    t.build->parameters_file = path;
    testutil::writeFile(path, "stale content that is much longer than what comes\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    component(t, "base",
              "<settings><setting id=\"port\" type=\"integer\"/><setting id=\"pw\" type=\"password\"/>"
              "<setting id=\"unset\" type=\"url\"/><setting id=\"notice\" type=\"static-text\"/></settings>");
    component(t, "mail", "<settings><setting id=\"token\" type=\"string\" behaviour=\"secure\"/></settings>");
    VnComponent* off = component(t, "off", "<settings><setting id=\"off\" type=\"string\"/></settings>");
    off->setSelected(false);
    component(addon, "base", "<settings><setting id=\"x\" type=\"string\"/></settings>");
    set("port", "80");
    set("pw", "s3cret-pw");
    set("notice", "read me");
    set("token", "t0ken");
    set("off", "no");
    set("x", "lost");

    testutil::LogCapture log(3);
    manager->exportToFiles();
    EXPECT_EQ(testutil::readFile(path), "port=\"80\"\npw=\"s3cret-pw\"\nnotice=\"read me\"\ntoken=\"t0ken\"\n");
    EXPECT_EQ(modeOf(path), 0600) << "an existing 0644 file is tightened";
    EXPECT_EQ(manager->getExportedFiles(), std::vector<std::string>{path});
    const std::string text = log.text();
    for (const char* line : {"DEBUG: export to file param port=\"80\"\n", "DEBUG: export to file param pw=***\n",
                             "DEBUG: export to file param token=***\n",
                             "Notice: no parameters file for product addon, its settings are not exported\n",
                             "DEBUG: ParamManager::ParamFileExport::file_t::file_t create "})
        EXPECT_NE(text.find(line), std::string::npos) << line << "--- log ---\n" << text;
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_EQ(text.find("t0ken"), std::string::npos);

    manager->finish();
    EXPECT_FALSE(fileops::exists(path)) << "removed at the end of the run";
}

TEST_F(ParamExport, AFileThatCannotBeWrittenSafelyStopsTheExport) {
    TreeCatalogue first{"first"}, second{"second"};
    const std::string made = dir / "first.params";
    first.build->parameters_file = made;
    component(first, "base", "<settings><setting id=\"a\" type=\"string\"/></settings>");
    component(second, "base", "<settings><setting id=\"b\" type=\"string\"/></settings>");
    set("a", "1");
    set("b", "2");
    const std::string target = dir / "target";
    testutil::writeFile(target, "untouched");
    ASSERT_EQ(::mkdir((dir / "subdir").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), (dir / "link").c_str()), 0);

    struct Row {
        std::string path;
        bool nonRegular;
    } rows[] = {
        {dir / "link", true},
        {dir / "subdir", true},
        {dir / "fifo", true},
        {"relative/second.params", false},
        {dir / "missing-dir/second.params", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        second.build->parameters_file = r.path;
        testutil::LogCapture log(0);
        const error e = testutil::raisedError([&] { manager->exportToFiles(); });
        EXPECT_EQ(testutil::codesOf(e), "(4,1,1,2)");
        EXPECT_EQ(e.text(), "Unable to create the file " + r.path + "\n");
        EXPECT_EQ(log.text().find("ERROR: can't rewrite non-regular file " + r.path + "\n") != std::string::npos,
                  r.nonRegular)
            << log.text();
        EXPECT_EQ(manager->getExportedFiles(), std::vector<std::string>{made}) << "made before the failure";
        EXPECT_EQ(testutil::readFile(made), "a=\"1\"\n");
    }
    EXPECT_EQ(testutil::readFile(target), "untouched");

    manager->finish();
    EXPECT_FALSE(fileops::exists(made));
    EXPECT_TRUE(fileops::exists(target));
}

}  // namespace
