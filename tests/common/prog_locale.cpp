// Builds the catalogue from the environment's locale and prints what it chose, then the log's
// file share (everything up to level 2) so the test can check the warnings.
#include <iostream>

#include "common/Log.h"
#include "common/Messages.h"

int main(int argc, char** argv) {
    Log::consoleLevel = 2;  // the file share goes to stderr
    const std::string key = argc > 1 ? argv[1] : "Vantrell";
    std::cout << Messages::getLocale() << "\n" << Messages::getMessage(key) << "\n";
    return 0;
}
