#ifndef VN_TESTS_SUPPORT_LOGCAPTURE_H
#define VN_TESTS_SUPPORT_LOGCAPTURE_H

#include <gtest/gtest.h>

#include <string>

#include "common/Log.h"
#include "common/Messages.h"
#include "common/error.h"
#include "support/TestUtil.h"

namespace testutil {

// While it lives, the process-wide log starts afresh and writes every statement up to `level`
// (3: the traces too) into a private file; text() is what reached the file so far.
class LogCapture {
public:
    explicit LogCapture(int level = 3) {
        // The catalogue is built first, so its locale warnings stay out of the capture.
        Messages::getLocale();
        Log::resetForTest();
        Log::fileLevel = level;
        Log::openFile(path().c_str(), true);
    }
    ~LogCapture() { Log::resetForTest(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string path() const { return dir / "vantrell3.log"; }
    std::string text() const { return readFile(path()); }

private:
    TempDir dir;
};

// The `error` that `f` raises; a test failure (and an empty error) when it raises none.
template <class F>
error raisedError(F f) {
    try {
        f();
    } catch (const error& e) {
        return e;
    }
    ADD_FAILURE() << "no error was raised";
    return error();
}

// "(c,r,s,p)" of an error, for comparing codes in one expectation.
inline std::string codesOf(const error& e) {
    return "(" + std::to_string(e.e_class) + "," + std::to_string(e.e_rep) + "," +
           std::to_string(e.e_sys) + "," + std::to_string(e.e_supp) + ")";
}

}  // namespace testutil

#endif
