#include "support/RpmFixtures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/TestUtil.h"

namespace testutil {

std::string rpmFixture(const std::string& name) {
    const std::string path = std::string(VN_RPM_FIXTURES_DIR) + "/" + name;
    if (::access(path.c_str(), R_OK) != 0)
        ADD_FAILURE() << path << " is missing: run the tests through ctest (ctest -L rpm), which builds it first";
    return path;
}

std::string rpmQuery(const std::string& file, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"/usr/bin/rpm", "-qp"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(file);
    RunResult r = run(argv);
    EXPECT_EQ(r.status, 0) << "rpm -qp on " << file << ": " << r.err;
    return r.out;
}

PrivateRpmDatabase::PrivateRpmDatabase() : env("HOME", dir.path()) {
    writeFile(dir / ".rpmmacros", "%_dbpath " + dir.path() + "/db\n");
    const RunResult r = run({"/usr/bin/rpm", "--initdb"});
    EXPECT_EQ(r.status, 0) << "rpm --initdb: " << r.err;
}

void PrivateRpmDatabase::registerInstalled(const std::vector<std::string>& fixtures) {
    for (const std::string& name : fixtures) {
        const RunResult r =
            run({"/usr/bin/rpm", "-i", "--justdb", "--nodeps", "--replacefiles", rpmFixture(name)});
        EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    }
}

std::vector<std::string> PrivateRpmDatabase::installed() const {
    const RunResult r = shell("rpm -qa --qf '%{name}-%{version}.%{arch}\\n' | sort");
    EXPECT_EQ(r.status, 0) << "rpm -qa: " << r.err;
    std::vector<std::string> out;
    for (const std::string& line : splitLines(r.out))
        if (line.compare(0, 9, "vntest-sh") != 0) out.push_back(line);
    return out;
}

}  // namespace testutil
