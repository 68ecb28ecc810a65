#ifndef VN_COMMON_LOG_H
#define VN_COMMON_LOG_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>

// One log statement. It holds the log's recursive lock for its whole life, so the pieces of a
// statement are never separated by another thread's text:
//
//     Log(2) << "Execute command " << cmd << std::endl;
//
// Every piece goes at once to each sink whose threshold admits the statement's level:
// standard error (consoleLevel), the run summary (summaryLevel), the log file or, before the
// file is open, the pending buffer (fileLevel), and the capture of a watching web job (<= 1).
class Log {
public:
    explicit Log(int level);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Some sink takes text of this statement's level. When none does, the pieces are not even
    // formatted: most statements of a run are of a level that nothing takes.
    bool taken() const {
        return level <= 1 || level <= consoleLevel.load(std::memory_order_relaxed) ||
               level <= summaryLevel.load(std::memory_order_relaxed) ||
               level <= fileLevel.load(std::memory_order_relaxed);
    }

    template <class T>
    Log& operator<<(const T& value) {
        if (!taken()) return *this;
        std::ostringstream s;
        s << value;
        write(level, s.str());
        return *this;
    }
    // std::endl and friends: a manipulator that ends a line gives "\n".
    Log& operator<<(std::ostream& (*manip)(std::ostream&));

    // Raw output of a child process at this statement's level: control bytes other than
    // newline and bytes 128-255 are dropped from what the file, summary and capture get.
    void writeRaw(const char* bytes, int length);

    static void write(int level, const std::string& text);

    // A name that came from outside (a form, the environment), fit for a log line: its
    // control bytes written as "\xNN", so it cannot end a line or forge another.
    static std::string escapedName(const std::string& name);

    // Opens (or switches to) the log file. The file must be a regular file owned by the
    // effective user with a single link; anything else at the path is refused, nothing is
    // written there, and one level-0 warning says so.
    static void openFile(const char* path, bool truncate);
    static std::string fileName();
    // Descriptor of the open log file, -1 when there is none. A forked child may write(2) a
    // last line to it before it execs.
    static int fileDescriptor();

    static std::recursive_mutex& mutex();

    // Thresholds and depth are read by every thread.
    static std::atomic<int> consoleLevel;
    static std::atomic<int> summaryLevel;
    static std::atomic<int> fileLevel;
    static std::atomic<int> depth;

    // Everything of level <= summaryLevel so far (the execution summary).
    static std::string summaryText();

    // The capture buffer of the watching web job. `position` is the job's read position.
    static std::string getCapturedMessages(size_t& position);
    static std::string getCapturedMessagesDelta(size_t& position);

    // Capture of console messages (levels 0 and 1) while the object lives.
    class ConsoleMessages {
    public:
        ConsoleMessages();
        ~ConsoleMessages();
        ConsoleMessages(const ConsoleMessages&) = delete;
        ConsoleMessages& operator=(const ConsoleMessages&) = delete;

        // The log file from `start` on; at most about `limit` bytes, starting at a line.
        std::string get_log(std::streampos limit) const;

        size_t position;
        std::streampos start;

    private:
        std::unique_ptr<std::ostringstream> own;
    };

    // Puts the process-wide log back in its start state (tests only).
    static void resetForTest();

    const int level;
};

#endif
