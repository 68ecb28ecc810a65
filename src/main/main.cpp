#include <curl/curl.h>

#include <cstring>
#include <iostream>

#include "../common/Messages.h"

namespace {

void printUsage() {
    std::cout << Messages::getMessage("usage10") << Messages::getMessage("usage20")
              << Messages::getMessage("usage30");
    std::cout.flush();
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists: libcurl's global set-up is not safe to run from two at once.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "--usage") == 0) {
            printUsage();
            return 0;
        }
    }
    return 1;
}
