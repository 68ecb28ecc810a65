#ifndef VN_TESTS_WIZARD_SCRIPTEDCONSOLE_H
#define VN_TESTS_WIZARD_SCRIPTEDCONSOLE_H

#include <fcntl.h>
#include <unistd.h>

#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "common/error.h"
#include "support/EnglishTest.h"
#include "wizard/Dialog.h"
#include "wizard/noClearScreen.h"

namespace testutil {

// While it lives, std::cin reads `input` and std::cout writes into output(). Descriptor 0 is
// /dev/null meanwhile, so no helper finds a terminal there (a test run from a shell must
// neither change that shell's terminal nor see different output).
class ScriptedConsole {
public:
    explicit ScriptedConsole(const std::string& input)
        : in(input), oldIn(std::cin.rdbuf(in.rdbuf())), oldOut(std::cout.rdbuf(out.rdbuf())), savedFd0(::dup(0)) {
        std::cin.clear();
        const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::dup2(null, 0);
        ::close(null);
    }
    ~ScriptedConsole() {
        std::cin.rdbuf(oldIn);
        std::cout.rdbuf(oldOut);
        std::cin.clear();
        ::dup2(savedFd0, 0);
        ::close(savedFd0);
    }
    ScriptedConsole(const ScriptedConsole&) = delete;
    ScriptedConsole& operator=(const ScriptedConsole&) = delete;

    std::string output() const { return out.str(); }
    // The input not read yet.
    std::string rest() {
        std::cin.clear();
        return std::string(std::istreambuf_iterator<char>(in.rdbuf()), std::istreambuf_iterator<char>());
    }

private:
    std::istringstream in;
    std::ostringstream out;
    std::streambuf* oldIn;
    std::streambuf* oldOut;
    int savedFd0;
};

// What one run of a page did on scripted input.
struct PageOutcome {
    int result = 0;  // 0 when the page raised
    std::string out;
    std::string error;  // the text of what it raised
};

inline PageOutcome runPage(Dialog& page, const std::string& input) {
    PageOutcome o;
    ScriptedConsole console(input);
    try {
        o.result = page.run();
    } catch (const error& e) {
        o.error = e.text();
    }
    o.out = console.output();
    return o;
}

// English texts and no screen clearing (the "clear" tests switch it on themselves).
class ConsoleTest : public EnglishTest {
protected:
    void SetUp() override {
        EnglishTest::SetUp();
        noClearScreen = true;
    }
    void TearDown() override {
        noClearScreen = false;
        EnglishTest::TearDown();
    }
};

}  // namespace testutil

#endif
