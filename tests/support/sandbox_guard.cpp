// Linked into the sandboxed test programs only: they change fixed places of the machine (the
// lock file, shared memory, /etc), so they refuse to run unless the namespace helper started
// them. Listing the tests is harmless and always allowed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool onlyListing() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return args.find(std::string("--gtest_list_tests") + '\0') != std::string::npos;
}

struct SandboxGuard {
    SandboxGuard() {
        const char* inside = std::getenv("VN_SANDBOXED");
        if ((inside && std::strcmp(inside, "1") == 0) || onlyListing()) return;
        std::fputs("This test program changes fixed places of the machine; run it through ctest or "
                   "tests/support/sandbox.\n",
                   stderr);
        std::exit(2);
    }
} guard;

}  // namespace
