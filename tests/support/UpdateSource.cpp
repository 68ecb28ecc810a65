#include "support/UpdateSource.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace testutil {

std::string updateSource() {
    const std::string root = VN_UPDATE_SOURCE_DIR;
    if (::access((root + "/products.inf3").c_str(), R_OK) != 0)
        ADD_FAILURE() << root << " is missing: run the tests through ctest (ctest -R catalogue.MakeUpdateSource "
                      << "builds it)";
    return root;
}

UpdateSourceCopy::UpdateSourceCopy() {
    const RunResult r = run({"/bin/cp", "-a", updateSource(), path()});
    EXPECT_EQ(r.status, 0) << "copying the update source: " << r.err;
}

}  // namespace testutil
