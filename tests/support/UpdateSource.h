#ifndef VN_TESTS_SUPPORT_UPDATESOURCE_H
#define VN_TESTS_SUPPORT_UPDATESOURCE_H

#include <string>

#include "support/TestUtil.h"

namespace testutil {

// The update source that tests/fixtures/update-source/make-update-source writes (the CTest
// step "catalogue.MakeUpdateSource", which runs before every test that needs it); the layout
// is described at the top of that script. Read-only: tests that change files use a copy. A
// missing tree fails the calling test with a hint.
std::string updateSource();

// The build loading tree that the same script writes with --build-loading (the CTest step
// "components.MakeBuildLoadingSource"); read-only, a missing tree fails the calling test.
std::string loadingSource();

// A private copy of the update source (symbolic links kept), removed when the object goes.
class UpdateSourceCopy {
public:
    UpdateSourceCopy();
    UpdateSourceCopy(const UpdateSourceCopy&) = delete;
    UpdateSourceCopy& operator=(const UpdateSourceCopy&) = delete;

    // The root of the copy.
    std::string path() const { return dir / "source"; }
    std::string operator/(const std::string& name) const { return path() + "/" + name; }

private:
    TempDir dir;
};

}  // namespace testutil

#endif
