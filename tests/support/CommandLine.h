#ifndef VN_TESTS_SUPPORT_COMMANDLINE_H
#define VN_TESTS_SUPPORT_COMMANDLINE_H

#include <string>
#include <vector>

#include "main/Options.h"

namespace testutil {

// "vantrell" followed by `args` as the process's command line, for the settings built by the
// next first call of Options::instance() (in a forked child, as a rule). The words live until
// the next call.
inline void setCommandLine(const std::vector<std::string>& args) {
    static std::vector<std::string> words;
    static std::vector<char*> argv;
    words = {"vantrell"};
    words.insert(words.end(), args.begin(), args.end());
    argv.clear();
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    commandLineArgs.argc = static_cast<int>(words.size());
    commandLineArgs.argv = argv.data();
}

}  // namespace testutil

#endif
