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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "--usage") == 0) {
            printUsage();
            return 0;
        }
    }
    return 1;
}
