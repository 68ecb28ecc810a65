#include "StatusServer.h"

#include <netinet/in.h>
#include <openssl/crypto.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <sstream>

#include "../common/Lock.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Progress.h"
#include "../common/ProgressRecord.h"
#include "../common/ProgressSegment.h"
#include "../common/ScopedFd.h"
#include "../common/error.h"
#include "../common/utils.h"
#include "../main/Options.h"

namespace {

// Written by the signal handlers of the service process, read by its loop.
static_assert(std::atomic<int>::is_always_lock_free, "the service's signal flags must be lock-free");
std::atomic<int> stopRequested(0);
std::atomic<int> alarmCount(0);

// The alarm keeps coming back every minute while a client or an installation may still need
// the service; the one that finds the count above this ends it.
const int alarmsBeforeStop = 20;
const unsigned firstAlarmSeconds = 3;
const unsigned alarmPeriodSeconds = 60;

// Peers compare these bytes: they are written as they are, not built by the XML library.
const char parseErrorReply[] = "<error text=\"error parse request\" />";
const char missingCookieReply[] = "<error text=\"not specified secure cookie in request\" />";
const char wrongCookieReply[] = "<error text=\"secure cookie don't match\" />";

void onTerminate(int) { stopRequested = 1; }

void onAlarm(int) {
    if (alarmCount.fetch_add(1) <= alarmsBeforeStop)
        ::alarm(alarmPeriodSeconds);
    else
        stopRequested = 1;
}

void installSignalHandlers() {
    // No SA_RESTART: a blocked accept or read returns with EINTR and the loop sees the flag.
    setInterruptingHandler(SIGTERM, onTerminate);
    setInterruptingHandler(SIGALRM, onAlarm);
    setInterruptingHandler(SIGINT, SIG_DFL);
    setInterruptingHandler(SIGHUP, SIG_DFL);
    // A client that resets the connection makes the write fail with EPIPE, which ends the
    // service through its error path, not by a signal.
    setInterruptingHandler(SIGPIPE, SIG_IGN);
    // The starter may have blocked these in the thread that forked.
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGTERM);
    sigaddset(&wanted, SIGALRM);
    ::sigprocmask(SIG_UNBLOCK, &wanted, nullptr);
}

int listenOnStatusPort() {
    ScopedFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.fd < 0) throw error() << "ERROR opening socket: " << std::strerror(errno);
    // The service closes first when a client stalls, which leaves the port in TIME_WAIT; the
    // next service must still be able to bind. A live listener on the port still refuses us.
    const int on = 1;
    ::setsockopt(listener.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    struct sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(statusServicePort);
    if (::bind(listener.fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0)
        throw error() << "ERROR on binding: " << std::strerror(errno);
    if (::listen(listener.fd, 5) != 0) throw error() << "ERROR listen on socket: " << std::strerror(errno);
    return listener.release();
}

void answer(int client) {
    // A client that stops sending without closing its side must not hold the service.
    struct timeval timeout;
    timeout.tv_sec = statusReceiveTimeoutSeconds;
    timeout.tv_usec = 0;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const std::string reply = makeStatusReply(readStatusRequest(client));
    ssize_t written;
    do
        written = ::write(client, reply.data(), reply.size());
    while (written < 0 && errno == EINTR);
    if (written < 0) throw error() << "ERROR writing to socket: " << std::strerror(errno);
}

void writeToStderr(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(2, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

std::string withLineEnd(std::string text) {
    if (text.empty() || text.back() != '\n') text += '\n';
    return text;
}

// The forked child: serves, and whatever happens never returns into the caller's code. It
// ends with _exit, so the parent's exit-time work (summary, stdio buffers, log) stays the
// parent's. Lock slot 1 belongs to runStatusServer's frame and is free once the error left it.
[[noreturn]] void serveInChild() {
    const char prefix[] = "Error in Status reporting server: ";
    try {
        runStatusServer();
    } catch (const error& e) {
        writeToStderr(withLineEnd(prefix + e.text()));
    } catch (const std::exception& e) {
        writeToStderr(withLineEnd(prefix + std::string(e.what())));
    } catch (...) {
        writeToStderr("Unknown error in Status reporting server\n");
    }
    ::_exit(1);
}

bool sameCookie(const std::string& given, const std::string& stored) {
    return given.size() == stored.size() && CRYPTO_memcmp(given.data(), stored.data(), stored.size()) == 0;
}

}  // namespace

void startStatusServer() {
    // Also when a service runs already: it checks the requests against the new cookie.
    Progress().setCookie(Options::instance().statusCookie);

    const int holder = Lock::test(Lock::slotStatusService);
    if (holder != 0) {
        Log(2) << "Server for reporting status is already running: pid=" << holder << std::endl;
        return;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int e = errno;
        Log(2) << "Can't run server for reporting status: fork fails: " << std::strerror(e) << std::endl;
        throw error(4, 1, 1, 2) << Messages::getMessage("err_start_remote_monitor_server");
    }
    if (child == 0) serveInChild();
    Log(2) << "Server for reporting status run OK: pid=" << child << std::endl;
    // daemon() in the child leaves this intermediate process at once; the service itself
    // belongs to init from then on.
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void runStatusServer() {
    if (::daemon(0, 0) != 0) throw error() << "ERROR detaching the status service: " << std::strerror(errno);
    Lock serviceLock(Lock::slotStatusService, false);
    ScopedFd listener(listenOnStatusPort());

    installSignalHandlers();
    stopRequested = 0;
    alarmCount = 0;
    ::alarm(firstAlarmSeconds);

    for (;;) {
        if (stopRequested) {
            {
                ProgressSegment segment;
                segment.markForDeletion();
            }
            ::_exit(0);
        }
        const int client = ::accept(listener.fd, nullptr, nullptr);
        if (client < 0) {
            if (errno == EINTR) continue;
            throw error() << "ERROR on accept: " << std::strerror(errno);
        }
        ScopedFd connection(client);
        answer(client);
    }
}

std::string readStatusRequest(int socket) {
    std::string request;
    char piece[statusRequestPiece];
    while (request.size() < statusRequestLimit) {
        const size_t wanted = std::min(sizeof piece, statusRequestLimit - request.size());
        const ssize_t n = ::read(socket, piece, wanted);
        if (n > 0) {
            request.append(piece, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) break;
        const int e = errno;
        if (e == EINTR) {
            // SIGTERM or the last alarm: answer what came, then the loop stops.
            if (stopRequested) break;
            continue;
        }
        writeToStderr(std::string("ERROR reading from socket: ") + std::strerror(e) + "\n");
        break;
    }
    return request;
}

std::string makeStatusReply(const std::string& request) {
    TiXmlDocument document;
    document.Parse(request.c_str());
    if (document.Error()) return parseErrorReply;

    // Held until the reply text is complete: the record cannot change under it.
    ProgressSegment segment;
    const ProgressRecord& record = *segment.record();
    const std::string stored = record.getCookie();
    if (!stored.empty()) {
        const TiXmlElement* first = document.FirstChildElement();
        const char* given = first ? first->Attribute("cookie") : nullptr;
        if (!given) return missingCookieReply;
        if (!sameCookie(given, stored)) return wrongCookieReply;
    }
    if (record.finished) stopRequested = 1;
    std::ostringstream out;
    out << makeProgressElement(record);
    return out.str();
}

void stopStatusServer() {
    const int pid = Lock::test(Lock::slotStatusService);
    if (pid != 0) ::kill(pid, SIGTERM);
}

namespace {

// "stage" and "step" have one form: the number in an attribute of the element's own name,
// the count in that name + "_n", then id and title.
TiXmlElement positionElement(const std::string& name, unsigned number, unsigned count, const std::string& id,
                             const std::string& title) {
    TiXmlElement e(name);
    e.SetAttribute(name, std::to_string(number));
    e.SetAttribute(name + "_n", std::to_string(count));
    e.SetAttribute("id", id);
    e.SetAttribute("title", title);
    return e;
}

}  // namespace

TiXmlElement makeProgressElement(const ProgressRecord& record) {
    TiXmlElement progress("progress");
    if (record.finished) progress.SetAttribute("finished", "true");
    if (record.failed) {
        progress.SetAttribute("failed", "true");
        TiXmlElement errorChild("error");
        errorChild.InsertEndChild(TiXmlText(record.getErrorText()));
        progress.InsertEndChild(errorChild);
    }
    progress.InsertEndChild(
        positionElement("stage", record.stage, record.stageCount, record.getStageId(), record.getStageTitle()));
    progress.InsertEndChild(
        positionElement("step", record.step, record.stepCount, record.getStepId(), record.getStepTitle()));
    return progress;
}
