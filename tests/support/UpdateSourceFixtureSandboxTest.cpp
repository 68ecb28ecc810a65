// The generated update source is what the tests after it take it for: every package element of
// a build description names a real file with its real digest, size and version; the APT
// repository updates through apt with its signature trusted; the rpm packages read back as rpm
// builds them. apt runs inside the namespace helper with a configuration of its own, so the
// host's apt state is never touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>
#include <tinyxml.h>

#include "support/FixtureServers.h"
#include "support/TestUtil.h"
#include "support/UpdateSource.h"

namespace {

namespace fs = boost::filesystem;

struct PackageElement {
    std::string description;  // relative to the source root
    std::string path;         // the file, relative to the source root
    std::map<std::string, std::string> attributes;
};

std::string attribute(const TiXmlElement* e, const char* name) {
    const char* value = e->Attribute(name);
    return value ? value : "";
}

std::string parentDir(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The "package" elements with a "file" of every build description under `root`, with the file
// each names: below build_dir, or below the directory of its "updates"/"thirdparty" section.
std::vector<PackageElement> packageElements(const std::string& root) {
    std::vector<PackageElement> found;
    for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
        if (it->path().extension() != ".inf3") continue;
        const std::string rel = it->path().string().substr(root.size() + 1);
        TiXmlDocument doc(it->path().string().c_str());
        EXPECT_TRUE(doc.LoadFile()) << rel << ": " << doc.ErrorDesc();
        const TiXmlElement* build = doc.RootElement();
        if (!build || build->ValueStr() != "build") continue;
        const std::string here = parentDir(rel);
        for (const TiXmlElement* section = build->FirstChildElement(); section;
             section = section->NextSiblingElement()) {
            std::string dir = attribute(build, "build_dir");
            if (section->ValueStr() == "updates") dir = attribute(section, "updates_dir");
            if (section->ValueStr() == "thirdparty") dir = attribute(section, "thirdparty_dir");
            // A component's bootstrapper packages lie in the build directory too.
            const TiXmlElement* bootstrapper = section->FirstChildElement("bootstrapper");
            for (const TiXmlElement* holder : {section, bootstrapper}) {
                if (!holder) continue;
                for (const TiXmlElement* p = holder->FirstChildElement("package"); p;
                     p = p->NextSiblingElement("package")) {
                    if (!p->Attribute("file")) continue;
                    PackageElement element{rel, here + "/" + dir + "/" + attribute(p, "file"), {}};
                    for (const TiXmlAttribute* a = p->FirstAttribute(); a; a = a->Next())
                        element.attributes[a->Name()] = a->Value();
                    found.push_back(element);
                }
            }
        }
    }
    return found;
}

std::string firstWord(const std::string& text) { return text.substr(0, text.find_first_of(" \n")); }

TEST(UpdateSourceFixture, EveryPackageElementDescribesItsFile) {
    const std::string root = testutil::updateSource();
    const std::vector<PackageElement> elements = packageElements(root);
    int debs = 0, rpms = 0;
    for (const PackageElement& e : elements) {
        SCOPED_TRACE(e.description + ": " + e.path);
        const std::string file = root + "/" + e.path;
        struct stat st;
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(e.attributes.at("size"), std::to_string(st.st_size));
        const testutil::RunResult md5 = testutil::run({"/usr/bin/md5sum", file});
        ASSERT_EQ(md5.status, 0) << md5.err;
        EXPECT_EQ(e.attributes.at("md5"), firstWord(md5.out));

        std::string fields;
        if (e.path.size() > 4 && e.path.compare(e.path.size() - 4, 4, ".deb") == 0) {
            ++debs;
            const testutil::RunResult r = testutil::run(
                {"/usr/bin/dpkg-deb", "--show", "--showformat=${Package} ${Version} ${Architecture}", file});
            ASSERT_EQ(r.status, 0) << r.err;
            fields = r.out;
            // Every file the package installs lies below /opt/vantrell-fixture.
            const testutil::RunResult contents = testutil::run({"/usr/bin/dpkg-deb", "--contents", file});
            for (const std::string& line : testutil::splitLines(contents.out)) {
                const std::string path = line.substr(line.rfind(' ') + 1);
                EXPECT_TRUE(path == "./" || path == "./opt/" || path.compare(0, 22, "./opt/vantrell-fixture") == 0)
                    << path;
            }
        } else {
            ++rpms;
            const testutil::RunResult r = testutil::run(
                {"/usr/bin/rpm", "-qp", "--nosignature", "--queryformat", "%{NAME} %{VERSION}-%{RELEASE} %{ARCH}", file});
            ASSERT_EQ(r.status, 0) << r.err;
            fields = r.out;
            const testutil::RunResult buildtime =
                testutil::run({"/usr/bin/rpm", "-qp", "--nosignature", "--queryformat", "%{BUILDTIME}", file});
            EXPECT_EQ(e.attributes.at("buildtime"), buildtime.out);
        }
        EXPECT_EQ(fields, e.attributes.at("name") + " " + e.attributes.at("version") + "-" +
                              e.attributes.at("release") + " " + e.attributes.at("arch"));
    }
    // Three tarnix releases of four packages, two vemdo releases, two add-ons; the CentOS
    // build's four packages, base's bootstrapper package, the extras component's two (one
    // of them base's core), the broken component's one and the update.
    EXPECT_EQ(debs, 16);
    EXPECT_EQ(rpms, 9);
}

TEST(UpdateSourceFixture, PackageListsHoldARecordPerRpmFile) {
    const std::string root = testutil::updateSource();
    const struct {
        const char* dir;
        int packages;
    } lists[] = {{"tarnix/centos7/rpms", 7}, {"tarnix/centos7/updates", 1}};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.dir);
        const std::string dir = root + "/" + list.dir;
        const testutil::RunResult text = testutil::run({"/bin/gzip", "-dc", dir + "/packages.gz"});
        ASSERT_EQ(text.status, 0) << text.err;
        int records = 0;
        for (const std::string& line : testutil::splitLines(text.out)) {
            if (line == "X:") ++records;
            if (line.compare(0, 2, "F:") == 0) {
                EXPECT_TRUE(fs::exists(dir + "/" + line.substr(2))) << line;
            }
        }
        EXPECT_EQ(records, list.packages);
        EXPECT_TRUE(fs::exists(dir + "/repodata/repomd.xml"));
    }
}

// apt with everything of its own below one directory: state, cache, configuration, sources.
class PrivateApt {
public:
    explicit PrivateApt(const std::string& sourceLine) {
        for (const char* d : {"state/lists/partial", "cache/archives/partial", "etc/apt.conf.d",
                              "etc/preferences.d", "etc/sources.list.d", "etc/trusted.gpg.d"})
            fs::create_directories(dir / d);
        testutil::writeFile(dir / "status", "");
        testutil::writeFile(dir / "sources.list", sourceLine + "\n");
        testutil::writeFile(dir / "apt.conf", "Dir::State \"" + (dir / "state") + "\";\n" +
                                                  "Dir::State::status \"" + (dir / "status") + "\";\n" +
                                                  "Dir::Cache \"" + (dir / "cache") + "\";\n" +
                                                  "Dir::Etc \"" + (dir / "etc") + "\";\n" +
                                                  "Dir::Etc::SourceList \"" + (dir / "sources.list") + "\";\n" +
                                                  "APT::Sandbox::User \"root\";\n");
    }

    testutil::RunResult run(const std::vector<std::string>& argv) const {
        return testutil::run(argv, {{"APT_CONFIG", dir / "apt.conf"}, {"LC_ALL", "C"}});
    }

private:
    testutil::TempDir dir;
};

TEST(UpdateSourceFixture, AptUpdatesFromTheServedRepositoryWithItsSignatureTrusted) {
    const std::string root = testutil::updateSource();
    testutil::HttpServer server(root);
    PrivateApt apt("deb [signed-by=" + root + "/tarnix/debian12/apt/key.gpg] " + server.url("tarnix/debian12/apt") +
                   " bookworm main");

    const testutil::RunResult update = apt.run({"/usr/bin/apt-get", "update"});
    EXPECT_EQ(update.status, 0) << update.out << update.err;
    const std::string said = update.out + update.err;
    EXPECT_EQ(said.find("not signed"), std::string::npos) << said;
    EXPECT_EQ(said.find("NO_PUBKEY"), std::string::npos) << said;
    EXPECT_EQ(said.find("W:"), std::string::npos) << said;
    EXPECT_EQ(said.find("Err:"), std::string::npos) << said;

    const testutil::RunResult policy = apt.run({"/usr/bin/apt-cache", "policy", "vantrell-fixture-core"});
    EXPECT_EQ(policy.status, 0) << policy.err;
    EXPECT_NE(policy.out.find("Candidate: 10.1-1"), std::string::npos) << policy.out;
    for (const char* older : {" 9.5-1 500", " 8.0-1 500"}) EXPECT_NE(policy.out.find(older), std::string::npos) << policy.out;

    const std::vector<std::string> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), "GET /tarnix/debian12/apt/dists/bookworm/InRelease HTTP/1.1");
}

TEST(UpdateSourceFixture, AnotherKeyMakesAptRefuseTheRepository) {
    // The signature is checked for real: the same repository with a key that did not sign it.
    const std::string root = testutil::updateSource();
    testutil::TempDir keys;
    const testutil::RunResult gen = testutil::run(
        {"/usr/bin/gpg", "--batch", "--passphrase", "", "--quick-gen-key", "Other <other@example.invalid>", "ed25519",
         "sign", "never"},
        {{"GNUPGHOME", keys.path()}});
    ASSERT_EQ(gen.status, 0) << gen.err;
    const testutil::RunResult exported =
        testutil::run({"/usr/bin/gpg", "--batch", "--output", keys / "other.gpg", "--export"}, {{"GNUPGHOME", keys.path()}});
    ASSERT_EQ(exported.status, 0) << exported.err;
    testutil::run({"/usr/bin/gpgconf", "--kill", "gpg-agent"}, {{"GNUPGHOME", keys.path()}});

    testutil::HttpServer server(root);
    PrivateApt apt("deb [signed-by=" + (keys / "other.gpg") + "] " + server.url("tarnix/debian12/apt") + " bookworm main");
    const testutil::RunResult update = apt.run({"/usr/bin/apt-get", "update"});
    const std::string said = update.out + update.err;
    EXPECT_NE(said.find("not signed"), std::string::npos) << said;
    const testutil::RunResult policy = apt.run({"/usr/bin/apt-cache", "policy", "vantrell-fixture-core"});
    EXPECT_EQ(policy.out.find("Candidate: 10.1-1"), std::string::npos) << policy.out;
}

}  // namespace
