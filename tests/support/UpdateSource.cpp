#include "support/UpdateSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace testutil {

namespace {

std::string generated(const std::string& root, const std::string& step) {
    if (::access((root + "/products.inf3").c_str(), R_OK) != 0)
        ADD_FAILURE() << root << " is missing: run the tests through ctest (ctest -R " << step << " builds it)";
    return root;
}

}  // namespace

std::string updateSource() { return generated(VN_UPDATE_SOURCE_DIR, "catalogue.MakeUpdateSource"); }

std::string loadingSource() { return generated(VN_LOADING_SOURCE_DIR, "components.MakeBuildLoadingSource"); }

UpdateSourceCopy::UpdateSourceCopy() {
    const RunResult r = run({"/bin/cp", "-a", updateSource(), path()});
    EXPECT_EQ(r.status, 0) << "copying the update source: " << r.err;
}

}  // namespace testutil
