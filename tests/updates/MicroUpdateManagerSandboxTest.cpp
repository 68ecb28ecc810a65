// The patch manager over the generated update source, served by the fixture HTTP server on
// 127.0.0.1: descriptions read while the real build loader loads the catalogue's builds,
// patches installed over files of the private /opt, the database in the private
// /root/.vantrell, and the control panel's service script played by a stand-in that records
// its arguments. Everything that records patches runs in a forked child (the database is one
// per process), so each child starts from what the files hold.
#include "updates/MicroUpdateManager.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/BuildManager.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "common/Opsys.h"
#include "common/error.h"
#include "common/fileops.h"
#include "common/tinybind.h"
#include "components/BuildLoading.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"
#include "reporting/ProductsProgress.h"
#include "sources/FileFetcher.h"
#include "support/CommandLine.h"
#include "support/FixtureServers.h"
#include "support/InstalledDebs.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"
#include "updates/MUEntityFile.h"
#include "updates/MUInstalledDB.h"
#include "updates/MUPatch.h"

namespace {

const std::string appConf = "/opt/vantrell-fixture/core/app.conf";
const std::string vemdoFile = "/opt/vantrell-fixture/vemdo/version";
const std::string dbFile = "/root/.vantrell/microupdates.xml";
const std::string serviceCalls = "/tmp/nvo.calls";
const std::string cases = "tarnix/debian12/patch-cases/";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// "<patch name> <timestamp> [<item path>...]" per patch, "; " between them.
std::string summary(const MicroUpdateManager& manager) {
    std::string out;
    for (const MicroUpdateManager::ProductPatches& entry : manager.getProducts())
        for (const std::shared_ptr<MUPatch>& patch : entry.patches) {
            if (!out.empty()) out += "; ";
            out += patch->name() + " " + patch->timestamp + " [";
            for (const std::shared_ptr<MUEntity>& item : patch->items)
                if (auto* file = dynamic_cast<MUEntityFile*>(item.get())) out += file->name;
            out += "]";
        }
    return out;
}

// An executable shell script.
void writeScript(const std::string& path, const std::string& body) {
    ASSERT_TRUE(fileops::create_directory(fileops::dirname(path)) || fileops::is_directory(fileops::dirname(path)));
    testutil::writeFile(path, "#!/bin/sh\n" + body);
    ASSERT_EQ(0, ::chmod(path.c_str(), 0755));
}

class PatchDescriptions : public testutil::InstalledCatalogueTest {
protected:
    void SetUp() override {
        testutil::InstalledCatalogueTest::SetUp();
        if (IsSkipped()) return;
        fileops::remove_all("/root/.vantrell");
        catalogue = checked({}, testutil::updateSource());
        // A copy of the 10.1 Debian build of the catalogue, given the row's descriptions.
        build = std::make_shared<Build>(*catalogue->findRelease("tarnix-10.1")->SelectBestBuild(Opsys()));
        build->patches.clear();
    }

    std::unique_ptr<BuildManager> catalogue;
    std::shared_ptr<Build> build;
    testutil::HttpServer server{testutil::updateSource()};
    FileFetcher fetcher{server.url("products.inf3"), target / "download"};
    ComponentManager components;
};

struct ReaderCase {
    const char* what;
    std::vector<std::string> paths;
    std::string patches;
    std::string logged;
};

TEST_F(PatchDescriptions, ReadsPatchesKeepsTheNewestAndLogsWhatItDrops) {
    fetcher.quiet = true;
    const std::string ok = "[" + cases + "app.conf]";
    const std::string at = "  (line ";
    const std::vector<ReaderCase> table = {
        {"versions 1, 3, 2 in one file", {cases + "versions-1-3-2.xml"}, "tarnix-10.1~patch3 t3 " + ok,
         "DEBUG: parse_file_entity: app.conf\n"},
        {"1 and 3, then 2 in a second file", {cases + "versions-1-3.xml", cases + "version-2.xml"},
         "tarnix-10.1~patch3 t3 " + ok, "MicroUpdateManager::parseUrl: " + cases + "version-2.xml\n"},
        {"2, then 1 and 3 in a second file", {cases + "version-2.xml", cases + "versions-1-3.xml"},
         "tarnix-10.1~patch3 t3 " + ok, ""},
        {"equal versions keep the first read", {cases + "equal-versions.xml"}, "tarnix-10.1~patch2 first " + ok, ""},
        {"a description at the top: item paths begin with /", {"patches.xml"}, "tarnix-10.1~patch1 t1 [/app.conf]",
         "DEBUG: parse_unix_permissions: mode=640\n"},
        {"the fixture's own description", {"tarnix/debian12/patches.xml"},
         "tarnix-10.1~patch1 1700000000 [tarnix/debian12/patch-files/app.conf]",
         "DEBUG: parse_unix_permissions: mode=640\n"},
        {"sticky, user rwx, group r-x, others r--", {cases + "mode-1754.xml"}, "tarnix-10.1~patch1 t1 " + ok,
         "DEBUG: parse_unix_permissions: mode=1754\n"},
        {"suid=\"yes\" sets no bit", {cases + "suid-yes.xml"}, "tarnix-10.1~patch1 t1 " + ok,
         "DEBUG: parse_unix_permissions: mode=400\n"},
        {"empty md5 keeps the patches before it", {cases + "empty-md5.xml"}, "tarnix-10.1~patch1 t1 " + ok,
         "Unable to process patch config: " + cases + "empty-md5.xml: Failed to parse the patch file at" + at +
             "13 column 9)\nparse error: attribute 'md5' is empty at" + at + "13 column 9)\n\n"},
        {"unknown item", {cases + "unknown-item.xml"}, "tarnix-10.1~patch1 t1 " + ok,
         "Unable to process patch config: " + cases + "unknown-item.xml: Failed to parse the patch file at" + at +
             "13 column 9)\nUnsupported item type: foo" + at + "13 column 9)\n\n"},
        {"script item", {cases + "script-item.xml"}, "",
         "Unable to process patch config: " + cases + "script-item.xml: Failed to parse the patch file at" + at +
             "6 column 9)\nstub: not implemented\n\n"},
        {"permissions without user", {cases + "no-user.xml"}, "",
         "Unable to process patch config: " + cases + "no-user.xml: Failed to parse the patch file at" + at +
             "6 column 9)\nincorrect access permissions are defined for the file: no user is specified at" + at +
             "7 column 11)\n\n"},
        {"relative target", {cases + "relative-target.xml"}, "",
         "parse error: attribute 'target' is not an absolute path without '..' at" + at + "6 column 9)\n\n"},
        {"target with ..", {cases + "dotdot-target.xml"}, "",
         "parse error: attribute 'target' is not an absolute path without '..' at" + at + "6 column 9)\n\n"},
        {"item name with ..", {cases + "dotdot-name.xml"}, "",
         "\nThe file " + cases + "../../../outside.conf was not found.\n\n"},
        {"description path with ..", {"tarnix/../../patches.xml"}, "",
         "Unable to process patch config: tarnix/../../patches.xml: The file tarnix/../../patches.xml was not "
         "found.\n\n"},
        {"missing description", {cases + "missing.xml", cases + "version-2.xml"}, "tarnix-10.1~patch2 t2 " + ok,
         "Unable to process patch config: " + cases + "missing.xml: "},
        {"patch without package", {cases + "no-package.xml"}, "",
         "no-package.xml: An internal error occured in vantrell, rev."},
        {"patch without version", {cases + "empty-version.xml"}, "",
         "empty-version.xml: " + Messages::getMessage("err_empty_version") + "\n"},
        {"foreign product", {cases + "foreign-product.xml"}, "",
         "Skipping the patch " + cases +
             "foreign-product.xml because it is incompatible with build for Linux Debian 12 x86_64 "
             "(tarnix/debian12/build.inf3)\n"},
        {"another release of the product", {cases + "other-release.xml"}, "",
         "Skipping the patch " + cases + "other-release.xml because it is incompatible with build for "},
        // The early return skips the reduction: both patches of the first product stay.
        {"a foreign product after a matching one", {cases + "then-foreign.xml"},
         "tarnix-10.1~patch1 t1 " + ok + "; tarnix-10.1~patch2 t2 " + ok, "Skipping the patch " + cases},
        {"the next successful read reduces them", {cases + "then-foreign.xml", cases + "versions-1-3.xml"},
         "tarnix-10.1~patch3 t3 " + ok, ""},
    };
    for (const ReaderCase& row : table) {
        SCOPED_TRACE(row.what);
        testutil::LogCapture log(3);
        MicroUpdateManager manager(&fetcher, &components);
        build->patches = row.paths;
        manager.loadBuildPatches(build);
        EXPECT_EQ(row.patches, summary(manager));
        EXPECT_TRUE(contains(log.text(), row.logged)) << log.text();
        manager.finish();
    }
    // Nothing a description named was fetched or written outside the download directory.
    EXPECT_FALSE(fileops::exists(target / "outside.conf"));
    EXPECT_FALSE(fileops::exists(target.path() + "/../outside.conf"));
    for (const std::string& request : server.requests()) EXPECT_FALSE(contains(request, "..")) << request;
}

TEST_F(PatchDescriptions, ARootOtherThanPatchesLeavesAsAnXmlError) {
    fetcher.quiet = true;
    MicroUpdateManager manager(&fetcher, &components);
    build->patches = {"tarnix/debian12/patches.xml", cases + "root-foo.xml"};
    try {
        manager.loadBuildPatches(build);
        ADD_FAILURE() << "no error";
    } catch (const tinybind::err& e) {
        EXPECT_EQ(1, e.code);
        EXPECT_EQ("Root element name not match", e.message);
    }
    // What the description before it gave stays.
    EXPECT_EQ("tarnix-10.1~patch1 1700000000 [tarnix/debian12/patch-files/app.conf]", summary(manager));
    manager.finish();
}

// A description has no known checksum: every read downloads it again, also when the copy
// from the last read is still there.
TEST_F(PatchDescriptions, EveryReadFetchesTheDescriptionAgain) {
    fetcher.quiet = true;
    MicroUpdateManager manager(&fetcher, &components);
    build->patches = {"tarnix/debian12/patches.xml"};
    manager.loadBuildPatches(build);
    manager.loadBuildPatches(build);
    int fetched = 0;
    for (const std::string& request : server.requests())
        if (contains(request, "GET /tarnix/debian12/patches.xml ")) ++fetched;
    EXPECT_EQ(2, fetched);
    EXPECT_EQ("tarnix-10.1~patch1 1700000000 [tarnix/debian12/patch-files/app.conf]", summary(manager));
    manager.finish();
}

TEST_F(PatchDescriptions, WithoutDescriptionsNothingIsNeeded) {
    testutil::LogCapture log(3);
    MicroUpdateManager manager(&fetcher, &components);
    manager.loadBuildPatches(build);
    EXPECT_FALSE(manager.isNeedPatch());
    manager.markComponentsWithMicroUpdates();
    manager.finish();
    const std::string text = log.text();
    EXPECT_TRUE(contains(text, "DEBUG: MicroUpdateManager::isNeedPatch: exited with false\n")) << text;
    EXPECT_TRUE(contains(text, "No any patches\n")) << text;
    EXPECT_EQ(0u, server.requests().size());
}

// An installation of tarnix 10.1 (and vemdo 4.1 when a case asks), each product's version
// file and the patched configuration file in place, the service stand-in at
// /etc/init.d/nvo.
class PatchManager : public testutil::InstalledCatalogueTest {
protected:
    void SetUp() override {
        testutil::InstalledCatalogueTest::SetUp();
        if (IsSkipped()) return;
        fileops::remove_all("/root/.vantrell");
        fileops::remove_all("/opt/vantrell-fixture");
        ASSERT_TRUE(fileops::create_directory("/opt/vantrell-fixture/core"));
        ASSERT_TRUE(fileops::create_directory("/opt/vantrell-fixture/vemdo"));
        resetTargets();
        writeScript("/etc/init.d/nvo", "echo \"$@\" >> " + serviceCalls + "\n");
        catalogue = checked({{"vantrell-fixture-core", "10.1-1"}}, testutil::updateSource());
        catalogue->deselectAll();
        catalogue->selectRelease("tarnix", "tarnix-10.1");
    }

    void resetTargets() {
        testutil::writeFile(appConf, "listen = 8080\n");
        ASSERT_EQ(0, ::chmod(appConf.c_str(), 0644));
        testutil::writeFile(vemdoFile, "4.1-1\n");
    }

    // vemdo 4.1 is loaded too, with the description `path`.
    void withVemdo(const std::string& path) {
        catalogue->selectRelease("vemdo", "vemdo-4.1");
        catalogue->findRelease("vemdo-4.1")->SelectBestBuild(Opsys())->patches = {path};
    }

    // In a child: `args` as the command line, the selected releases loaded over HTTP (the
    // loader reads their patch descriptions), then `body`, then finish(). An error comes back
    // as "error: " + its text.
    std::string session(const std::vector<std::string>& args,
                        const std::function<std::string(testutil::LoadRun&)>& body) {
        return testutil::inChild([&]() -> std::string {
            testutil::setCommandLine(args);
            testutil::LoadRun run(debs->repo, server.url(), target / "download");
            std::string result;
            try {
                {
                    auto loader = run.loader(debs->repo);
                    catalogue->visit(*loader);
                    loader->commit();
                }
                result = body(run);
            } catch (const error& e) {
                result = "error: " + e.text();
            }
            run.patches.finish();
            return result;
        });
    }

    std::string apply() {
        return session({}, [this](testutil::LoadRun& run) {
            run.patches.apply(nullptr, &debs->repo);
            return std::string("applied");
        });
    }

    static std::string ownerOf(const std::string& path) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) return "missing";
        const passwd* user = ::getpwuid(st.st_uid);
        const group* grp = ::getgrgid(st.st_gid);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", st.st_mode & 07777);
        return std::string(user ? user->pw_name : "?") + ":" + (grp ? grp->gr_name : "?") + " " + mode;
    }

    std::unique_ptr<BuildManager> catalogue;
    testutil::HttpServer server{testutil::updateSource()};
};

TEST_F(PatchManager, MarksAppliesRecordsAndRestartsThenSkipsWhatIsInstalled) {
    testutil::LogCapture log(3);
    EXPECT_EQ("need=true stage=3", session({}, [this](testutil::LoadRun& run) {
                  run.patches.markComponentsWithMicroUpdates();
                  const bool need = run.patches.isNeedPatch();
                  ProductsProgress progress;
                  run.patches.apply(nullptr, &debs->repo);
                  return std::string("need=") + (need ? "true" : "false") +
                         " stage=" + std::to_string(progress.packagesSnapshot().at("base patches").stage);
              }));
    std::string text = log.text();
    EXPECT_TRUE(contains(text, "DEBUG: VnComponent::setMicroUpdateAvailable: base have microupdate\n")) << text;
    EXPECT_TRUE(contains(text, "DEBUG: patch tarnix-10.1~patch1 not installed, accept.\n")) << text;
    const auto installing = text.find("Installing patches...\n");
    const auto patching = text.find("Patching file " + appConf + "\n");
    const auto installed = text.find("Patches were installed successfully.\n");
    ASSERT_NE(std::string::npos, installing);
    ASSERT_NE(std::string::npos, installed);
    EXPECT_LT(installing, patching);
    EXPECT_LT(patching, installed);
    EXPECT_EQ("listen = 8443\n", testutil::readFile(appConf));
    EXPECT_EQ("daemon:nogroup 0640", ownerOf(appConf));
    EXPECT_EQ("restart\n", testutil::readFile(serviceCalls));
    const std::string db = testutil::readFile(dbFile);
    EXPECT_TRUE(contains(db, "<product id=\"tarnix\" version=\"10.1\">")) << db;
    EXPECT_TRUE(contains(db, "<patch version=\"1\" timestamp=\"1700000000\" />")) << db;

    // A new process reads the database: nothing is left to install.
    EXPECT_EQ("need=false", session({}, [](testutil::LoadRun& run) {
                  return std::string("need=") + (run.patches.isNeedPatch() ? "true" : "false");
              }));
    EXPECT_TRUE(contains(log.text(), "DEBUG: patch tarnix-10.1~patch1 is allready installed, skip it.\n"));

    // With --reinstall-patch the installed patch is applied again.
    resetTargets();
    EXPECT_EQ("force=1 need=true", session({"--reinstall-patch"}, [this](testutil::LoadRun& run) {
                  const bool need = run.patches.isNeedPatch();
                  run.patches.apply(nullptr, &debs->repo);
                  return "force=" + std::to_string(run.patches.isForceReinstall()) +
                         " need=" + (need ? "true" : "false");
              }));
    text = log.text();
    EXPECT_TRUE(contains(text, "DEBUG: set force reinstall patches flag\n")) << text;
    EXPECT_TRUE(contains(text, "DEBUG: accept patch tarnix-10.1~patch1 because force_reinstall flag.\n")) << text;
    EXPECT_EQ("listen = 8443\n", testutil::readFile(appConf));
    EXPECT_EQ("restart\nrestart\n", testutil::readFile(serviceCalls));
}

TEST_F(PatchManager, APrepareFailureInTheSecondProductReplacesNothing) {
    withVemdo("vemdo/debian12/patches-bad-owner.xml");
    testutil::LogCapture log(3);
    const std::string result = apply();
    EXPECT_EQ("error: error during prepare patch vemdo-4.1~patch1\n"
              "User named 'nosuchuser' is not exists in this system.\n",
              result);
    EXPECT_EQ("listen = 8080\n", testutil::readFile(appConf));
    EXPECT_EQ("4.1-1\n", testutil::readFile(vemdoFile));
    EXPECT_FALSE(fileops::exists(serviceCalls));
    EXPECT_FALSE(fileops::exists(dbFile));
    EXPECT_FALSE(contains(log.text(), "Patches were installed successfully."));
}

TEST_F(PatchManager, AnApplyFailureKeepsTheEarlierPatchRecordedAndDoesNotRestart) {
    withVemdo("vemdo/debian12/patches.xml");
    // The second product's directory cannot take the replacement's temporary file.
    const std::string dir = "/opt/vantrell-fixture/vemdo";
    ASSERT_EQ(0, ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr)) << std::strerror(errno);
    ASSERT_EQ(0, ::mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr));
    testutil::LogCapture log(3);
    const std::string result = apply();
    ::umount2(dir.c_str(), MNT_DETACH);
    EXPECT_TRUE(contains(result, "error: can't apply patch vemdo-4.1~patch1\n")) << result;
    EXPECT_EQ("listen = 8443\n", testutil::readFile(appConf));
    EXPECT_EQ("4.1-1\n", testutil::readFile(vemdoFile));
    // finish() wrote the patch applied before the failure, and only that one.
    const std::string db = testutil::readFile(dbFile);
    EXPECT_TRUE(contains(db, "<product id=\"tarnix\" version=\"10.1\">")) << db;
    EXPECT_FALSE(contains(db, "vemdo")) << db;
    EXPECT_FALSE(fileops::exists(serviceCalls));
    EXPECT_FALSE(contains(log.text(), "Patches were installed successfully."));
}

TEST_F(PatchManager, RestartsTheFirstServiceScriptThereIs) {
    // A private /usr/local/etc for the second script.
    ASSERT_EQ(0, ::mount("vn-local-etc", "/usr/local/etc", "tmpfs", 0, "mode=0755")) << std::strerror(errno);
    struct Row {
        const char* what;
        bool initd;
        bool rcd;
        std::string calls;
    };
    const std::vector<Row> table = {
        {"both", true, true, "init.d restart\n"},
        {"rc.d only", false, true, "rc.d restart\n"},
        {"neither", false, false, ""},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.what);
        fileops::remove_all("/root/.vantrell");
        fileops::remove(serviceCalls);
        fileops::remove("/etc/init.d/nvo");
        fileops::remove("/usr/local/etc/rc.d/nvo.sh");
        if (row.initd) writeScript("/etc/init.d/nvo", "echo init.d \"$@\" >> " + serviceCalls + "\n");
        // A failing script changes nothing: its status is not looked at.
        if (row.rcd) writeScript("/usr/local/etc/rc.d/nvo.sh", "echo rc.d \"$@\" >> " + serviceCalls + "\nexit 3\n");
        testutil::LogCapture log(3);
        EXPECT_EQ("applied", apply());
        EXPECT_EQ(row.calls, fileops::exists(serviceCalls) ? testutil::readFile(serviceCalls) : "");
        EXPECT_TRUE(contains(log.text(), "Patches were installed successfully.\n"));
    }
    ::umount2("/usr/local/etc", MNT_DETACH);
}

// Product p1 read for release 2.0: its patches wait while 2.1 is loaded, and while nothing of
// p1 is loaded at all.
TEST_F(PatchManager, PatchesOfAnotherReleaseVersionOrOfAnUnloadedProductAreSkipped) {
    testutil::TempDir source;
    testutil::writeFile(source / "p1.xml",
                        "<patches><product id=\"p1\" version=\"2.0\"><patch version=\"1\" timestamp=\"t\"><package/>"
                        "</patch></product></patches>");
    FileFetcher local(source.path() + "/", target / "local");
    auto product = std::make_shared<Product>("p1", "P1", std::vector<std::vector<std::string>>{{"p1-key"}});
    auto read = std::make_shared<Release>(product, "p1-2.0", "P1 2.0", "2.0", "1.0");
    auto readBuild = std::make_shared<Build>(read, "Linux", "Debian", "12", "x86_64", "", "", "", "");
    readBuild->patches = {"p1.xml"};
    auto loaded = std::make_shared<Release>(product, "p1-2.1", "P1 2.1", "2.1", "1.0");
    auto loadedBuild = std::make_shared<Build>(loaded, "Linux", "Debian", "12", "x86_64", "", "", "", "");

    testutil::LogCapture log(3);
    ComponentManager components;
    MicroUpdateManager manager(&local, &components);
    manager.loadBuildPatches(readBuild);
    EXPECT_EQ("p1-2.0~patch1 t []", summary(manager));
    EXPECT_FALSE(manager.isNeedPatch());
    components.nodes.push_back(components.arena()->make(loadedBuild, "base", "P1 base", "", {}));
    EXPECT_FALSE(manager.isNeedPatch());
    manager.finish();
    const std::string text = log.text();
    EXPECT_TRUE(contains(text,
                         "Skipping installation of patches for the product p1-2.0because components for this product "
                         "is not loaded.\n"))
        << text;
    EXPECT_TRUE(contains(text, "Skip patches for product p1-2.0because loaded components for release version 2.1\n"))
        << text;
}

TEST_F(PatchManager, RecordingTheSelectedReleasesLeavesOlderVersionsOut) {
    ASSERT_TRUE(fileops::create_directory("/root/.vantrell"));
    testutil::writeFile(dbFile,
                        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<patches>\n"
                        "    <product id=\"p1\" version=\"9.0\">\n        <patch version=\"3\" timestamp=\"t\" />\n"
                        "    </product>\n</patches>\n");
    catalogue->deselectAll();
    auto product = std::make_shared<Product>("p1", "P1", std::vector<std::vector<std::string>>{{"p1-key"}});
    auto release = std::make_shared<Release>(product, "p1-9.5", "P1 9.5", "1:9.5-2", "9.0");
    release->selected = true;
    catalogue->getReleases().push_back(release);
    EXPECT_EQ("entries=p1 9.0,p1 9.5,", testutil::inChild([&] {
                  ComponentManager components;
                  FileFetcher unused(server.url("products.inf3"), target / "download");
                  MicroUpdateManager manager(&unused, &components);
                  manager.cleanInstalledMUDB(catalogue.get());
                  std::string out = "entries=";
                  for (const MUInstalledDB::Entry& e : MUInstalledDB::instance().getEntries())
                      out += e.id + " " + e.version + ",";
                  manager.finish();
                  return out;
              }));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<patches />\n",
              testutil::readFile(dbFile));
}

// A manager dropped without finish() still saves what it applied; a save that fails there is
// logged, never raised.
TEST_F(PatchManager, TheDestructorSavesWithoutRaising) {
    testutil::LogCapture log(3);
    EXPECT_EQ("saved", testutil::inChild([&] {
                  {
                      ComponentManager components;
                      FileFetcher unused(server.url("products.inf3"), target / "download");
                      MicroUpdateManager manager(&unused, &components);
                      MUInstalledDB::instance().ensureProduct("p1", "1.0");
                      MUPatch patch("p1", "1.0", "2", "t");
                      MUInstalledDB::instance().setInstalled(patch);
                  }
                  return std::string(fileops::exists(dbFile) ? "saved" : "not saved");
              }));
    // /root/.vantrell as a file: the directory cannot be made.
    fileops::remove_all("/root/.vantrell");
    testutil::writeFile("/root/.vantrell", "");
    EXPECT_EQ("not raised", testutil::inChild([&] {
                  try {
                      ComponentManager components;
                      FileFetcher unused(server.url("products.inf3"), target / "download");
                      MicroUpdateManager manager(&unused, &components);
                      MUPatch patch("p1", "1.0", "2", "t");
                      MUInstalledDB::instance().setInstalled(patch);
                  } catch (...) {
                      return std::string("raised");
                  }
                  return std::string("not raised");
              }));
    EXPECT_TRUE(contains(log.text(), "Can't save the installed patches database: ")) << log.text();
}

}  // namespace
