#include "utils.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/random.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>

#include <boost/format.hpp>

#include "Log.h"
#include "Messages.h"
#include "ShellQuote.h"
#include "StdioFile.h"
#include "error.h"

namespace {

// isspace/tolower take an unsigned char value; a plain char >= 128 would be undefined.
bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string randomLowercaseLetters(size_t n) {
    // 234 = 9 * 26: bytes from 234 on are dropped, so every letter is equally likely.
    const unsigned char limit = 234;
    std::string letters;
    letters.reserve(n);
    while (letters.size() < n) {
        unsigned char bytes[64];
        const ssize_t got = ::getrandom(bytes, sizeof bytes, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw error(4, 1, 1, 2) << "Can't get random bytes: " << std::strerror(errno);
        }
        for (ssize_t i = 0; i < got && letters.size() < n; ++i)
            if (bytes[i] < limit) letters += static_cast<char>('a' + bytes[i] % 26);
    }
    return letters;
}

std::string percentEncoded(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

std::string getEnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

void unsetEnv(const char* name) { ::unsetenv(name); }

void sleepMs(int n) {
    if (n <= 0) return;
    struct timespec left;
    left.tv_sec = n / 1000;
    left.tv_nsec = static_cast<long>(n % 1000) * 1000000L;
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void sleepSeconds(int n) {
    // n * 1000 must stay within int: longer sleeps go in pieces.
    const int piece = INT_MAX / 1000;
    for (; n > piece; n -= piece) sleepMs(piece * 1000);
    sleepMs(n * 1000);
}

void trimSpaces(char* text) {
    if (!text) return;
    const char* start = text;
    while (*start && isSpace(*start)) ++start;
    size_t n = std::strlen(start);
    while (n > 0 && isSpace(start[n - 1])) --n;
    std::memmove(text, start, n);
    text[n] = '\0';
}

std::string trim(const std::string& text) {
    static const char blanks[] = " \f\n\r\t\v";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

void toLower(std::string& text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return suffix.size() <= text.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string majorMinor(const std::string& version) {
    size_t first = version.find('.');
    if (first == std::string::npos) return version;
    size_t second = version.find('.', first + 1);
    if (second == std::string::npos) return version;
    return version.substr(0, second);
}

std::string textToHtmlLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "<br />\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

std::string toQuotedHtmlString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\n': out += "<br>\\n"; break;
        case '\r': break;
        case ' ': out += "&nbsp;"; break;
        case '"': out += "\\\""; break;
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    out += '"';
    return out;
}

std::string toJsString(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c >= 0x20 && c <= 0x7e) {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xf];
        }
    }
    out += '"';
    return out;
}

bool queryFreeSpace(const std::string& path, uint64_t& kib) {
    struct statfs64 st;
    if (::statfs64(path.c_str(), &st) != 0) {
        int e = errno;
        Log(0) << Messages::getMessage("err_get_free_space") << std::strerror(e) << std::endl;
        return false;
    }
    // In 128 bits: block counts of large file systems times the block size pass 64 bits.
    unsigned __int128 unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    unsigned __int128 wide = static_cast<unsigned __int128>(st.f_bavail) * unit / 1024;
    kib = wide > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(wide);
    return true;
}

uint64_t getFreeSpace(const std::string& path) {
    uint64_t kib = 0;
    return queryFreeSpace(path, kib) ? kib : 0;
}

namespace {

// Walks the setting lines of the control panel's configuration file: '#' starts a comment,
// a line of white space only is skipped, the name runs up to the first white space and the
// value is the rest after the white space that follows it (trailing blanks stay). `take` gets
// each line's name and value and ends the walk by returning true. A missing file has no lines.
template <class Take>
void walkPanelConf(Take take) {
    std::ifstream in("/etc/nvo/nvo.conf", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        size_t name = 0;
        while (name < line.size() && isSpace(line[name])) ++name;
        if (name == line.size()) continue;

        size_t blank = name;
        while (blank < line.size() && !isSpace(line[blank])) ++blank;
        size_t value = blank;
        while (value < line.size() && isSpace(line[value])) ++value;
        if (take(line.substr(name, blank - name), line.substr(value))) return;
    }
}

}  // namespace

std::string getFirstPanelConfValue() {
    std::string found;
    walkPanelConf([&found](const std::string&, const std::string& value) {
        found = value;
        return true;
    });
    return found;
}

std::string getPanelConfValue(const std::string& key) {
    std::string found;
    walkPanelConf([&](const std::string& name, const std::string& value) {
        if (name != key) return false;
        found = value;
        return true;
    });
    return found;
}

namespace {

// SIGPIPE blocked for the calling thread while it lives. A mail command that exits without
// reading its input must not end the installer (it is often the last thing a run does); the
// signal raised meanwhile is taken away before the old mask comes back.
class BlockSigpipe {
public:
    BlockSigpipe() {
        sigemptyset(&pipeSet);
        sigaddset(&pipeSet, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        ::sigpending(&pending);
        wasPending = sigismember(&pending, SIGPIPE) == 1;
        ::pthread_sigmask(SIG_BLOCK, &pipeSet, &oldMask);
    }
    ~BlockSigpipe() {
        sigset_t pending;
        sigemptyset(&pending);
        ::sigpending(&pending);
        if (!wasPending && sigismember(&pending, SIGPIPE) == 1) {
            struct timespec zero = {0, 0};
            ::sigtimedwait(&pipeSet, nullptr, &zero);
        }
        ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    }
    BlockSigpipe(const BlockSigpipe&) = delete;
    BlockSigpipe& operator=(const BlockSigpipe&) = delete;

private:
    sigset_t pipeSet;
    sigset_t oldMask;
    bool wasPending;
};

}  // namespace

void sendMail(const std::string& address, const std::string& subject, const std::string& body) {
    std::string command = "mail -s " + shellQuote(subject) + " " + shellQuote(address);
    // popen before blocking: the mail command must not inherit a blocked SIGPIPE.
    FILE* pipe = ::popen(command.c_str(), "we");
    if (!pipe) {
        std::cerr << "Can't run mail command, mail not sent.\n"
                  << "Mail cmd failed: " << command << "\n"
                  << "The body of mail:\n"
                  << body << "\n";
        std::cerr.flush();
        return;
    }
    int status;
    {
        BlockSigpipe guard;
        std::fwrite(body.data(), 1, body.size(), pipe);
        status = ::pclose(pipe);
    }
    if (status != 0) Log(1) << Messages::getMessage("err_send_mail") << std::endl;
}

int64_t stringToInt64(const std::string& text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-'))
            throw error() << Messages::getMessage("err_non_digit");
    }
    errno = 0;
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE) throw error() << Messages::getMessage("err_non_digit");
    return value;
}

int stringToInt(const std::string& text) {
    // The 64-bit reading alone would let values past int through.
    int64_t value = stringToInt64(text);
    if (value > INT_MAX || value < INT_MIN) throw error() << Messages::getMessage("err_non_digit");
    return static_cast<int>(value);
}

bool fileHasLine(const char* path, const char* text) {
    StdioFile file(path, "r");
    char wanted[4096];
    std::strncpy(wanted, text, sizeof wanted - 1);
    wanted[sizeof wanted - 1] = '\0';
    trimSpaces(wanted);

    char line[4096];
    while (std::fgets(line, sizeof line, file.file)) {
        trimSpaces(line);
        if (std::strcmp(line, wanted) == 0) return true;
    }
    // A read that fails (a directory, an I/O error) is no answer; "not there" would be a lie.
    if (std::ferror(file.file)) {
        int e = errno;
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_fileread2")) % path %
                                       std::strerror(e);
    }
    return false;
}

void checkHostname() {
    char name[4096];
    if (::gethostname(name, sizeof name) != 0) throw error() << "Can't get hostname";
    name[sizeof name - 1] = '\0';

    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        throw error() << "Can't get IP address for " << name;
    std::unique_ptr<struct addrinfo, void (*)(struct addrinfo*)> hold(found, ::freeaddrinfo);

    if (found->ai_family == AF_INET6) {
        Log(2) << "Checking hostname: IPv6 not supported yet, skip\n";
        return;
    }
    if (found->ai_family != AF_INET || found->ai_addrlen < sizeof(struct sockaddr_in))
        throw error() << "Can't get IP address for " << name;

    struct sockaddr_in addr;
    std::memcpy(&addr, found->ai_addr, sizeof addr);
    char ip[INET_ADDRSTRLEN] = "";
    ::inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
    Log(3) << "Checking hostname: '" << name << "' is resolved to " << ip << std::endl;

    int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) throw error() << "Can't create socket: " << std::strerror(errno);
    // Port 0: only "is this address ours" is asked, so a service on any port cannot make the
    // bind fail.
    addr.sin_port = 0;
    if (::bind(sock, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0) {
        int e = errno;
        ::close(sock);
        throw error() << "Can't bind to socket: " << std::strerror(e) << "\n"
                      << "(hostname='" << name << "', "
                      << "ip=" << ip << ")";
    }
    if (::close(sock) != 0) throw error() << "Can't close socket: " << std::strerror(errno);
    Log(1) << "Checking hostname is sucessfull." << std::endl;
}

void setInterruptingHandler(int signal, void (*handler)(int)) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ::sigaction(signal, &action, nullptr);
}
