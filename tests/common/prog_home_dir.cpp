// Asks for the home directory twice, with every trace on standard error, so a test can see
// what the first call looks up and that the second one does not.
#include "common/Log.h"
#include "common/fileops.h"

int main() {
    Log::consoleLevel = 3;
    for (int call = 1; call <= 2; ++call) {
        std::string home = get_home_dir();
        Log(0) << "call " + std::to_string(call) + ": " + home + "\n";
    }
    return 0;
}
