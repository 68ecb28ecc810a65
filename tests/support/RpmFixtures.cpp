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

}  // namespace testutil
