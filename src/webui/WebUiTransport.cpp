#include "WebUiTransport.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <iostream>

#include <tinyxml.h>

#include "../common/Log.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "BackendProtocol.h"

namespace {

const char* const sourceName = "WebUiTransport";
const int lineNoRep = 31;
const int lineNothingReceived = 258;
const int lineAnswerTooLong = 247;

const size_t readPiece = 32;
const size_t clientReadPiece = 64 * 1024;
const int listenBacklog = 2;

int idleSeconds = 1800;
std::string& pathSetting() {
    static std::string path = "/tmp/vantrell_webui_socket";
    return path;
}

std::string systemText(int number) { return strerror(number); }

// Whether any sink takes a statement of that level.
bool logged(int level) {
    return level <= Log::consoleLevel.load() || level <= Log::summaryLevel.load() || level <= Log::fileLevel.load();
}

// Parses the length line: white space, decimal digits. `value` saturates above any limit
// that matters; `end` is the index after the digits. False when there are no digits.
bool readLength(const std::string& text, uint64_t& value, size_t& end) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const size_t digits = i;
    value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value < (uint64_t(1) << 40)) value = value * 10 + uint64_t(text[i] - '0');
    end = i;
    return i > digits;
}

std::string framed(const std::string& xml) { return std::to_string(xml.size()) + "\n" + xml; }

// Writes everything unless a hard error comes; errno tells which. MSG_NOSIGNAL: a peer that
// went away is an error to report, never a SIGPIPE.
bool sendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

error socketError(const char* text, int number) {
    error e(4, 2, 1, 2);
    e << text << systemText(number);
    return e;
}

}  // namespace

WebUiTransport::rep* WebUiTransport::sharedRep = nullptr;
int WebUiTransport::handleCount = 0;

WebUiTransport::rep::~rep() {}

// ---------------------------------------------------------------------------------------------
// Handle

WebUiTransport::WebUiTransport(int mode) {
    if (!sharedRep) sharedRep = new tcp(mode);
    ++handleCount;
}

WebUiTransport::~WebUiTransport() {
    if (--handleCount == 0) {
        delete sharedRep;
        sharedRep = nullptr;
    }
}

WebUiTransport::rep& WebUiTransport::shared() {
    if (!sharedRep) throw internalError(sourceName, lineNoRep);
    return *sharedRep;
}

bool WebUiTransport::waitCommand() { return shared().waitCommand(); }

std::string WebUiTransport::getCommand() { return shared().getCommand(); }

void WebUiTransport::sendAnswer(const TiXmlDocument& answer, const std::set<std::string>& secretSettingIds) {
    rep& r = shared();
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    answer.Accept(&printer);
    // The log shows the answer with its secrets masked: the root in the line here, the whole
    // document in the transport's own warning. A big answer is not copied for a line that
    // no sink takes.
    auto shown = [&answer, &secretSettingIds](bool rootOnly) {
        std::string text;
        for (const TiXmlNode* node = answer.FirstChild(); node; node = node->NextSibling()) {
            if (const TiXmlElement* element = node->ToElement()) {
                text += maskedForLog(*element, secretSettingIds, false);
                if (rootOnly) break;
            } else if (!rootOnly) {
                TiXmlPrinter part;
                part.SetStreamPrinting();
                node->Accept(&part);
                text += part.Str();
            }
        }
        return text;
    };
    if (logged(3)) Log(3) << "answer sent: " << shown(true) << "\n";
    r.sendAnswer(printer.Str(), [&shown] { return shown(false); });
}

std::string WebUiTransport::request(const std::string& xml) { return shared().request(xml); }

// ---------------------------------------------------------------------------------------------
// Representation

int WebUiTransport::tcp::idleTimeoutSeconds() { return idleSeconds; }

void WebUiTransport::tcp::setIdleTimeoutForTest(int seconds) { idleSeconds = seconds; }

const std::string& WebUiTransport::tcp::socketPath() { return pathSetting(); }

void WebUiTransport::tcp::setSocketPathForBenchmark(const std::string& path) { pathSetting() = path; }

WebUiTransport::tcp::tcp(int mode) : listenSocket(-1), clientSocket(0), wakeUps(0), owner(0) {
    if (mode == 1) listen();
}

// The socket is bound in a fresh private directory and renamed over the fixed path: a stale
// socket or file there is replaced in one step, nobody can connect before the mode is 0600,
// and the process's file-creation mask is never touched.
void WebUiTransport::tcp::listen() {
    clientSocket = 0;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw socketError("BackendProtocol: create socket failed: ", errno);

    const std::string& path = socketPath();
    std::string dir = fileops::dirname(path) + "/vantrell_webui.XXXXXX";
    if (!::mkdtemp(&dir[0])) {
        const int number = errno;
        ::close(fd);
        throw socketError("BackendProtocol: bind socket failed: ", number);
    }
    const std::string bound = dir + "/socket";
    const sockaddr_un address = addressOf(bound);
    const char* failure = nullptr;
    int number = 0;
    if (bound.size() >= sizeof address.sun_path) {
        failure = "BackendProtocol: bind socket failed: ";
        number = ENAMETOOLONG;
    } else if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
               ::chmod(bound.c_str(), 0600) != 0) {
        failure = "BackendProtocol: bind socket failed: ";
        number = errno;
    } else if (::listen(fd, listenBacklog) != 0) {
        failure = "BackendProtocol: listen on socket failed: ";
        number = errno;
    } else if (::rename(bound.c_str(), path.c_str()) != 0) {
        failure = "BackendProtocol: bind socket failed: ";
        number = errno;
    }
    if (failure) {
        ::unlink(bound.c_str());
        ::close(fd);
    }
    ::rmdir(dir.c_str());
    if (failure) throw socketError(failure, number);
    listenSocket = fd;
    owner = ::getpid();
}

WebUiTransport::tcp::~tcp() {
    if (clientSocket != 0) ::close(clientSocket);
    if (listenSocket < 0) return;
    if (::close(listenSocket) != 0)
        Log(0) << "ERROR: close WebUiTransport socket: " << systemText(errno) << "\n";
    // A forked child that drops its inherited handle leaves the engine's socket alone.
    if (owner != ::getpid()) return;
    try {
        fileops::remove(socketPath());
    } catch (const error& e) {
        Log(0) << e.text();
    }
}

void WebUiTransport::tcp::dropConnection() {
    ::close(clientSocket);
    clientSocket = 0;
    received.clear();
}

bool WebUiTransport::tcp::waitCommand() {
    if (clientSocket != 0) dropConnection();
    received.clear();
    wakeUps = 0;
    for (;;) {
        // While a connection is open only it is watched: a second client waits in the queue
        // and cannot wake the loop again and again.
        pollfd watched;
        watched.fd = clientSocket != 0 ? clientSocket : listenSocket;
        watched.events = POLLIN;
        watched.revents = 0;
        const int n = ::poll(&watched, 1, idleSeconds * 1000);
        ++wakeUps;
        if (n < 0) {
            if (errno == EINTR) {
                checkTermination();
                continue;
            }
            throw error(4, 1, 1, 2) << "select: " << systemText(errno);
        }
        if (n == 0) throw timeout();

        if (clientSocket != 0) {
            char buffer[readPiece];
            const ssize_t got = ::read(clientSocket, buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR) continue;
                Log(0) << "ERROR: read xml_command to buf: " << systemText(errno) << "\n";
                dropConnection();
                continue;
            }
            // The client went away before its command was whole.
            if (got == 0) {
                dropConnection();
                continue;
            }
            received.append(buffer, static_cast<size_t>(got));
            uint64_t announced = 0;
            size_t end = 0;
            readLength(received, announced, end);
            if (received.size() > maxCommandBytes + 32 || announced > maxCommandBytes) {
                Log(0) << "ERROR: xml_command too long, connection dropped\n";
                dropConnection();
                continue;
            }
            if (isCommandComplete(received)) return true;
        } else if (watched.revents & POLLIN) {
            int fd = ::accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                Log(0) << "ERROR: in accept webui client: " << systemText(errno) << "\n";
                continue;
            }
            // 0 means "no connection": never keep a connection on descriptor 0.
            if (fd == 0) {
                const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
                ::close(fd);
                if (moved < 0) {
                    Log(0) << "ERROR: in accept webui client: " << systemText(errno) << "\n";
                    continue;
                }
                fd = moved;
            }
            clientSocket = fd;
        } else {
            Log(1) << "WARNING: what's goin on here???\n";
        }
    }
}

bool WebUiTransport::tcp::isCommandComplete(const std::string& received) {
    uint64_t announced = 0;
    size_t end = 0;
    if (!readLength(received, announced, end)) return false;
    // The one character after the digits, whatever it is, must have arrived.
    if (end >= received.size()) return false;
    return received.size() - end - 1 == announced;
}

std::string WebUiTransport::tcp::getCommand() {
    uint64_t announced = 0;
    size_t end = 0;
    if (!readLength(received, announced, end) || end >= received.size()) return std::string();
    return received.substr(end + 1);
}

void WebUiTransport::tcp::sendAnswer(const std::string& xml, const std::function<std::string()>& shownInLog) {
    if (clientSocket == 0) {
        Log(0) << "Warning: XML answer is already sent (try to send '" << shownInLog() << "'" << "\n";
        return;
    }
    if (!sendAll(clientSocket, framed(xml))) Log(0) << "ERROR: write to xml_fd: " << systemText(errno) << "\n";
    if (::close(clientSocket) != 0) Log(0) << "ERROR: close xml_fd: " << systemText(errno) << "\n";
    clientSocket = 0;
}

std::string WebUiTransport::tcp::request(const std::string& xml) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw socketError("BackendProtocol: create socket failed: ", errno);
    const sockaddr_un address = addressOf(socketPath());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int number = errno;
        ::close(fd);
        throw socketError("Can't connect to backend: ", number);
    }
    if (!sendAll(fd, framed(xml))) {
        const int number = errno;
        ::close(fd);
        throw socketError("Can't write request portion: ", number);
    }

    received.clear();
    std::string buffer(clientReadPiece, '\0');
    for (;;) {
        const ssize_t got = ::read(fd, &buffer[0], buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            std::cerr << "ERROR reading from socket: " << systemText(errno) << "\n";
            break;
        }
        if (got == 0) break;
        received.append(buffer.data(), static_cast<size_t>(got));
        if (received.size() > maxAnswerBytes + 32) {
            ::close(fd);
            received.clear();
            throw internalError(sourceName, lineAnswerTooLong);
        }
    }
    if (received.empty()) {
        ::close(fd);
        throw internalError(sourceName, lineNothingReceived);
    }
    const std::string result = getCommand();
    if (::close(fd) != 0) throw socketError("Can't close connection: ", errno);
    return result;
}
