// A newer installer executable as the self-upgrade sees it: it tells its version and, started
// otherwise, records how it was started. A compiled program rather than a script, because the
// self-upgrade runs the descriptor it checked, and a script cannot run from one closed on exec.
// The including program defines FAKE_INSTALLER_MARK, so that two of them differ in their sums.
//
//   --print-version-of-this-binary   prints $FAKE_INSTALLER_VERSION and a line end
//   anything else                    writes each argument (argv[0] first) on a line of its own,
//                                    then "mark <mark>", into $FAKE_INSTALLER_RECORD
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--print-version-of-this-binary") == 0) {
        const char* version = std::getenv("FAKE_INSTALLER_VERSION");
        std::printf("%s\n", version ? version : "");
        return 0;
    }
    const char* record = std::getenv("FAKE_INSTALLER_RECORD");
    if (!record) return 3;
    std::FILE* out = std::fopen(record, "w");
    if (!out) return 4;
    for (int i = 0; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    std::fprintf(out, "mark %s\n", FAKE_INSTALLER_MARK);
    return std::fclose(out) == 0 ? 0 : 5;
}
