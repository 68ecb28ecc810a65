#include "Log.h"

#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cstring>

std::atomic<int> Log::consoleLevel{0};
std::atomic<int> Log::summaryLevel{1};
std::atomic<int> Log::fileLevel{2};
std::atomic<int> Log::depth{0};

namespace {

// The log's process-wide state. It is created on first use and never destroyed, so threads
// and exit-time code may still log while static objects are torn down.
struct LogState {
    std::recursive_mutex mutex;
    int fd = -1;
    std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> filebuf;
    std::unique_ptr<std::ostream> stream;  // null until openFile
    std::ostringstream summary;
    std::ostringstream pending;
    std::ostringstream* capture = nullptr;
    std::string fileName;

    void closeFile() {
        if (stream) stream->flush();
        stream.reset();
        filebuf.reset();  // closes fd
        fd = -1;
    }
};

LogState& state() {
    static LogState* s = new LogState;
    return *s;
}

void writeStderr(const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(2, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
}

// Opens the log file without following links, and accepts only a regular file of ours with a
// single link. Returns the descriptor, or -1 with `why` set.
int openLogFile(const char* path, bool truncate, std::string& why) {
    int fd = ::open(path, O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
        why = "not a regular file of the current user with a single link";
        ::close(fd);
        return -1;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

// Size of the log file, which is where the next write lands (the file is opened to append).
std::streamoff fileEnd(LogState& s) {
    if (s.stream) s.stream->flush();
    if (s.fd < 0) return 0;
    struct stat st;
    if (::fstat(s.fd, &st) != 0) return 0;
    return st.st_size;
}

}  // namespace

std::recursive_mutex& Log::mutex() { return state().mutex; }

Log::Log(int lvl) : level(lvl) {
    LogState& s = state();
    s.mutex.lock();
    int d = depth.load();
    if (s.stream && d > 0) {
        *s.stream << std::string(static_cast<size_t>(d), '#');
        s.stream->flush();
    }
}

Log::~Log() { state().mutex.unlock(); }

Log& Log::operator<<(std::ostream& (*manip)(std::ostream&)) {
    if (!taken()) return *this;
    std::ostringstream s;
    s << manip;
    write(level, s.str());
    return *this;
}

void Log::write(int lvl, const std::string& input) {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    static const std::string emptyText = "~empty";
    const std::string& text = input.empty() ? emptyText : input;

    if (lvl <= consoleLevel.load()) writeStderr(text.data(), text.size());
    if (lvl <= summaryLevel.load()) s.summary << text;
    if (lvl <= fileLevel.load()) {
        if (s.stream) {
            *s.stream << text;
            s.stream->flush();
        } else {
            s.pending << text;
        }
    }
    if (s.capture && lvl <= 1) *s.capture << text;
}

void Log::writeRaw(const char* bytes, int length) {
    if (level > fileLevel.load() || length <= 0) return;
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);

    if (level <= consoleLevel.load()) writeStderr(bytes, static_cast<size_t>(length));

    std::string filtered;
    filtered.reserve(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if ((c < 32 && c != '\n') || c >= 128) continue;
        filtered += static_cast<char>(c);
    }
    if (level == 0) s.summary << filtered;
    if (s.stream)
        *s.stream << filtered;  // not flushed: the next ordinary text flushes it
    else
        s.pending << filtered;
    if (s.capture && level <= 1) *s.capture << filtered;
}

void Log::openFile(const char* path, bool truncate) {
    LogState& s = state();
    std::string why;
    {
        std::lock_guard<std::recursive_mutex> lock(s.mutex);
        s.closeFile();
        mode_t old = ::umask(077);
        s.fileName = path;
        int fd = openLogFile(path, truncate, why);
        ::umask(old);

        if (fd >= 0) {
            s.fd = fd;
            s.filebuf.reset(new __gnu_cxx::stdio_filebuf<char>(fd, std::ios::out));
            s.stream.reset(new std::ostream(s.filebuf.get()));
        } else {
            // A stream in the failed state: what is written to it is lost, as with a file that
            // could not be opened, and nothing reaches the refused path.
            s.stream.reset(new std::ostream(nullptr));
        }
        *s.stream << s.pending.str();
        s.stream->flush();
        s.pending.str(std::string());
        s.pending.clear();
    }
    if (!why.empty())
        Log(0) << "Warning: unable to open the log file " << path << ": " << why << "\n";
}

std::string Log::escapedName(const std::string& name) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c != 0x7f) {
            out += ch;
            continue;
        }
        out += "\\x";
        out += hex[c >> 4];
        out += hex[c & 0xf];
    }
    return out;
}

std::string Log::fileName() {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.fileName;
}

int Log::fileDescriptor() {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.fd;
}

std::string Log::summaryText() {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.summary.str();
}

namespace {
const size_t captureCap = 262144;
}

std::string Log::getCapturedMessages(size_t& position) {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.capture) return std::string();
    std::string all = s.capture->str();
    size_t n = std::min(all.size(), captureCap);
    position = n;
    return all.substr(0, n);
}

std::string Log::getCapturedMessagesDelta(size_t& position) {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (!s.capture) return std::string();
    std::string all = s.capture->str();
    if (position > all.size()) throw std::out_of_range("basic_string::substr");
    size_t n = std::min(all.size() - position, captureCap);
    std::string out = all.substr(position, n);
    position += n;
    return out;
}

Log::ConsoleMessages::ConsoleMessages() : position(0), start(0), own(new std::ostringstream) {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    assert(s.stream && "Log::stream");
    s.capture = own.get();  // a capture that existed before is replaced, not merged
    start = fileEnd(s);
}

Log::ConsoleMessages::~ConsoleMessages() {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    // A newer object may have taken the capture over; it is not ours to clear then.
    if (s.capture == own.get()) s.capture = nullptr;
}

std::string Log::ConsoleMessages::get_log(std::streampos limit) const {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    assert(s.stream && "Log::stream");
    const std::streamoff end = fileEnd(s);
    if (s.fd < 0) return std::string();

    std::streamoff from = start;
    std::string out;
    char buf[8192];
    auto readFrom = [&](std::streamoff at) {
        for (;;) {
            ssize_t n = ::pread(s.fd, buf, sizeof buf, at);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
            at += n;
        }
    };
    if (end - from > static_cast<std::streamoff>(limit)) {
        from = end - static_cast<std::streamoff>(limit);
        // Start at a line boundary, skipping at most 300 characters.
        char head[300];
        ssize_t n = ::pread(s.fd, head, sizeof head, from);
        std::streamoff skip = 0;
        if (n > 0) {
            const void* nl = std::memchr(head, '\n', static_cast<size_t>(n));
            skip = nl ? static_cast<const char*>(nl) - head + 1 : n;
        }
        from += skip;
    }
    readFrom(from);
    return out;
}

void Log::resetForTest() {
    LogState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.closeFile();
    s.summary.str(std::string());
    s.pending.str(std::string());
    s.capture = nullptr;
    s.fileName.clear();
    consoleLevel = 0;
    summaryLevel = 1;
    fileLevel = 2;
    depth = 0;
}
