#include "webui/httpd/serving_loop.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "webui/httpd/connection_end.h"
#include "webui/httpd/string_routines.h"
#include "webui/httpd/tls_channel.h"

namespace vnhttpd {

namespace {

// The highest descriptor a client may have; one beyond it is refused with a report.
constexpr int HIGHEST_DESCRIPTOR = 16383;

std::atomic<uint64_t> nextConnectionId{1};

size_t recordSize() { return (sizeof(connection) + 4095) & ~static_cast<size_t>(4095); }

size_t blockSize() { return recordSize() + 2 * IO_BUFFER_SIZE; }

// Fresh anonymous pages are zero and cost nothing until touched, so the two megabytes of every
// connection are neither cleared by hand nor resident before they carry data.
connection* allocateConnection() {
    void* block = ::mmap(nullptr, blockSize(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    connection* c = new (block) connection();
    char* buffers = static_cast<char*>(block) + recordSize();
    c->loc.io.buf = buffers;
    c->loc.io.size = IO_BUFFER_SIZE;
    c->rem.io.buf = buffers + IO_BUFFER_SIZE;
    c->rem.io.size = IO_BUFFER_SIZE;
    c->loc.conn = c;
    c->rem.conn = c;
    return c;
}

void releaseConnection(connection* c) {
    c->~connection();
    ::munmap(c, blockSize());
}

const char* tlsErrorText() {
    unsigned long e = ERR_get_error();
    return e ? ERR_reason_error_string(e) ? ERR_reason_error_string(e) : "unknown error" : std::strerror(errno);
}

int localPort(int sock) {
    sockaddr_storage ss;
    socklen_t len = sizeof ss;
    if (::getsockname(sock, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return 0;
    if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    return 0;
}

// The rest of a control message: it was sent in one piece, so it is there or follows at once.
bool readRest(int fd, void* buf, size_t len) {
    char* p = static_cast<char*>(buf);
    size_t got = 0;
    while (got < len) {
        ssize_t n = ::read(fd, p + got, len - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 1000) <= 0) return false;
        } else {
            return false;
        }
    }
    return true;
}

void readControl(worker* w) {
    for (;;) {
        uint32_t command;
        if (::read(w->ctl[0], &command, sizeof command) != static_cast<ssize_t>(sizeof command)) return;
        if (command == CTL_ADD_SOCKET) {
            uint32_t data[2];
            if (!readRest(w->ctl[0], data, sizeof data)) return;
            add_socket(w, static_cast<int>(data[0]), data[1] != 0);
        } else if (command == CTL_WAKE) {
            uint64_t id;
            if (!readRest(w->ctl[0], &id, sizeof id)) return;
            // Only a connection this worker still holds is touched; a stale id is ignored.
            for (connection* c = w->first; c; c = c->next) {
                if (c->id == id) {
                    c->loc.flags &= ~STREAM_SUSPENDED;
                    break;
                }
            }
        } else {
            report_error(REPORT_FATAL, nullptr, "ctx %p: ctl cmd %d", static_cast<void*>(w->ctx),
                         static_cast<int>(command));
        }
    }
}

bool readyForReading(short revents) { return (revents & (POLLIN | POLLHUP | POLLERR)) != 0; }

}  // namespace

bool acl_allows(const server_context* ctx, const client_address& client) {
    char verdict = '+';
    for (const acl_entry& e : ctx->acl) {
        // An IPv6 client has no IPv4 address to mask: only entries that match every address do.
        bool match = client.ipv4 ? (client.ipv4_address & e.mask) == e.address : e.mask == 0 && e.address == 0;
        if (match) verdict = e.flag;
    }
    return verdict == '+';
}

namespace {

void handOver(server_context* ctx, int sock, bool tls) {
    if (!ctx->threaded) {
        add_socket(ctx->workers.front(), sock, tls);
        return;
    }
    worker* least = ctx->workers.front();
    for (worker* w : ctx->workers)
        if (w->num_conns.load() < least->num_conns.load()) least = w;
    const uint32_t message[3] = {CTL_ADD_SOCKET, static_cast<uint32_t>(sock), tls ? 1u : 0u};
    if (send_control(least, message, sizeof message) != 0) {
        report_error(REPORT_LOG, nullptr, "ctx %p: cannot pass socket %d to a worker: %s", static_cast<void*>(ctx),
                     sock, std::strerror(errno));
        ::close(sock);
    }
}

// Accepts every waiting client of a readable listener. False when descriptors ran out: the
// listeners then rest for a second instead of waking every wait for a client they cannot take.
bool acceptClients(server_context* ctx, const listener& l) {
    for (;;) {
        sockaddr_storage peer;
        socklen_t len = sizeof peer;
        int sock = ::accept4(l.sock, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
        if (sock < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE) {
                ctx->accept_paused_until = monotonic_ms() + 1000;
                return false;
            }
            return true;
        }
        if (sock > HIGHEST_DESCRIPTOR) {
            report_error(REPORT_LOG, nullptr, "ctx %p: discarding socket %d, too busy", static_cast<void*>(ctx), sock);
            ::close(sock);
            continue;
        }
        client_address client;
        describe_peer(reinterpret_cast<sockaddr*>(&peer), len, &client);
        if (!acl_allows(ctx, client)) {
            report_error(REPORT_LOG, nullptr, "%s is not allowed to connect", client.text);
            ::close(sock);
            continue;
        }
        handOver(ctx, sock, l.tls);
    }
}

}  // namespace

void add_socket(worker* w, int sock, bool tls) {
    server_context* ctx = w->ctx;
    const int severity = option_is_true(option_value(ctx, OPT_INETD)) ? REPORT_FATAL : REPORT_LOG;
    if (w->num_conns.load() >= ctx->limits.max_connections) {
        report_error(severity, nullptr, "ctx %p: discarding socket %d, too busy", static_cast<void*>(ctx), sock);
        ::close(sock);
        return;
    }
    set_non_blocking(sock);
    sockaddr_storage peer;
    socklen_t len = sizeof peer;
    if (::getpeername(sock, reinterpret_cast<sockaddr*>(&peer), &len) != 0) {
        int e = errno;
        ::close(sock);
        report_error(severity, nullptr, "add_socket: %s", std::strerror(e));
        return;
    }
    SSL* ssl = nullptr;
    if (tls) {
        ERR_clear_error();
        ssl = ctx->tls_context ? SSL_new(ctx->tls_context) : nullptr;
        if (!ssl) {
            report_error(severity, nullptr, "add_socket: SSL_new: %s", tlsErrorText());
            ::close(sock);
            return;
        }
        ERR_clear_error();
        if (SSL_set_fd(ssl, sock) != 1) {
            report_error(severity, nullptr, "add_socket: SSL_set_fd: %s", tlsErrorText());
            ::close(sock);
            SSL_free(ssl);
            return;
        }
    }
    connection* c = allocateConnection();
    if (!c) {
        int e = errno;
        SSL_free(ssl);
        ::close(sock);
        report_error(severity, nullptr, "add_socket: calloc: %s", std::strerror(e));
        return;
    }
    c->id = nextConnectionId++;
    c->worker = w;
    c->ctx = ctx;
    describe_peer(reinterpret_cast<sockaddr*>(&peer), len, &c->client);
    c->sock = sock;
    c->birth_time = current_time();
    c->expire_time = c->birth_time + ctx->limits.idle_timeout;
    c->local_port = localPort(sock);
    set_close_on_exec(sock);
    c->rem.flags = STREAM_READABLE | STREAM_WRITABLE;
    if (tls) {
        c->rem.cls = &tls_class;
        c->rem.chan.tls.ssl = ssl;
        c->rem.chan.tls.sock = sock;
        tls_accept(&c->rem);
    } else {
        c->rem.cls = &socket_class;
        c->rem.chan.sock = sock;
    }
    c->prev = w->last;
    if (w->last)
        w->last->next = c;
    else
        w->first = c;
    w->last = c;
    ++w->num_conns;
}

void close_connection(connection* c) {
    if (c->loc.cls) stream_close(&c->loc);
    if (c->rem.cls) stream_close(&c->rem);
    release_request(c);
    std::free(c->file_path);
    c->file_path = nullptr;
    worker* w = c->worker;
    if (c->prev)
        c->prev->next = c->next;
    else
        w->first = c->next;
    if (c->next)
        c->next->prev = c->prev;
    else
        w->last = c->prev;
    --w->num_conns;
    releaseConnection(c);
}

int make_control_pair(int pair[2]) {
    pair[0] = pair[1] = -1;
    // A socket pair, unlike a loopback connection, cannot be reached by another process.
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) return -1;
    pair[0] = fds[0];
    pair[1] = fds[1];
    return 0;
}

int send_control(worker* w, const void* message, size_t len) {
    const char* p = static_cast<const char*>(message);
    size_t sent = 0;
    for (int waits = 0; sent < len;) {
        ssize_t n = ::send(w->ctl[1], p + sent, len - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN && waits++ < 10) {
            pollfd pfd{w->ctl[1], POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else {
            return -1;
        }
    }
    return 0;
}

worker* new_worker(server_context* ctx, bool threaded) {
    worker* w = new (std::nothrow) worker();
    if (!w) report_fatal("Cannot allocate worker");
    if (make_control_pair(w->ctl) != 0) report_fatal("Cannot allocate worker");
    w->ctx = ctx;
    try {
        ctx->workers.push_back(w);
        if (threaded) {
            // Signals are for the thread that calls server_poll.
            sigset_t all, old;
            sigfillset(&all);
            pthread_sigmask(SIG_SETMASK, &all, &old);
            try {
                w->thread = std::thread(worker_loop, w);
            } catch (...) {
                pthread_sigmask(SIG_SETMASK, &old, nullptr);
                throw;
            }
            pthread_sigmask(SIG_SETMASK, &old, nullptr);
        }
    } catch (...) {
        report_fatal("Cannot allocate worker");
    }
    return w;
}

void collect_waits(worker* w, std::vector<pollfd>& fds, int* wait_ms) {
    w->ctl_wait = static_cast<int>(fds.size());
    fds.push_back({w->ctl[0], POLLIN, 0});
    for (connection* c = w->first; c; c = c->next) {
        c->rem_wait = c->loc_wait = -1;
        short remote = 0;
        if (c->rem.cls) {
            if (io_space_len(&c->rem.io) > 0) remote |= POLLIN;
            if ((io_data_len(&c->loc.io) > 0 && !(c->loc.flags & STREAM_SUSPENDED)) || c->rem.tls_wants_write)
                remote |= POLLOUT;
        }
        if (remote) {
            c->rem_wait = static_cast<int>(fds.size());
            fds.push_back({c->sock, remote, 0});
        }
        if (c->loc.cls && c->loc.cls->waits_on_socket) {
            short local = 0;
            if (io_space_len(&c->loc.io) > 0 && (c->loc.flags & STREAM_READABLE)) local |= POLLIN;
            if (io_data_len(&c->rem.io) > 0 && (c->loc.flags & STREAM_WRITABLE)) local |= POLLOUT;
            if (local) {
                c->loc_wait = static_cast<int>(fds.size());
                fds.push_back({c->loc.chan.sock, local, 0});
            }
        }
        const unsigned readyReadable = STREAM_READABLE | STREAM_ALWAYS_READY;
        const unsigned readyWritable = STREAM_WRITABLE | STREAM_ALWAYS_READY;
        if ((io_space_len(&c->loc.io) > 0 && (c->loc.flags & readyReadable) == readyReadable) ||
            (io_data_len(&c->rem.io) > 0 && (c->loc.flags & readyWritable) == readyWritable) ||
            (io_space_len(&c->rem.io) > 0 && tls_has_pending(&c->rem)))
            *wait_ms = 0;
    }
}

void serve_worker(worker* w, const std::vector<pollfd>& fds) {
    if (w->ctl_wait >= 0 && readyForReading(fds[static_cast<size_t>(w->ctl_wait)].revents)) readControl(w);
    w->ctl_wait = -1;
    for (connection* c = w->first; c;) {
        connection* next = c->next;
        bool remote = tls_has_pending(&c->rem);
        if (c->rem_wait >= 0) {
            short r = fds[static_cast<size_t>(c->rem_wait)].revents;
            remote = remote || readyForReading(r) || (c->rem.tls_wants_write && (r & POLLOUT));
        }
        bool local = (c->loc.flags & STREAM_ALWAYS_READY) != 0;
        if (c->loc_wait >= 0 && c->loc.cls && c->loc.cls->waits_on_socket)
            local = local || readyForReading(fds[static_cast<size_t>(c->loc_wait)].revents);
        c->rem_wait = c->loc_wait = -1;
        serve_connection(c, remote, local);
        c = next;
    }
}

void end_connections(worker* w) {
    while (connection* c = w->first) {
        connection_desctructor(c);
        // A connection kept for a next request is ended all the same.
        if (w->first == c) close_connection(c);
    }
}

void worker_loop(worker* w) {
    while (!w->stop.load()) {
        std::vector<pollfd> fds;
        int wait = 10000;
        collect_waits(w, fds, &wait);
        if (::poll(fds.data(), fds.size(), wait) < 0) continue;
        if (w->stop.load()) break;
        serve_worker(w, fds);
    }
    end_connections(w);
}

int server_poll(server_context* ctx, int milliseconds) {
    refresh_current_time();
    std::vector<pollfd> fds;
    unsigned generation;
    int wait = milliseconds;
    {
        std::lock_guard<std::mutex> guard(ctx->config_lock);
        generation = ctx->listener_generation;
        const int64_t now = monotonic_ms();
        if (now >= ctx->accept_paused_until) {
            for (const listener& l : ctx->listeners) fds.push_back({l.sock, POLLIN, 0});
        } else if (ctx->accept_paused_until - now < wait) {
            wait = static_cast<int>(ctx->accept_paused_until - now);
        }
    }
    const size_t listening = fds.size();
    worker* single = !ctx->threaded && !ctx->workers.empty() ? ctx->workers.front() : nullptr;
    if (single) collect_waits(single, fds, &wait);
    int r = ::poll(fds.data(), fds.size(), wait);
    if (r < 0) return r;
    {
        std::lock_guard<std::mutex> guard(ctx->config_lock);
        if (generation == ctx->listener_generation) {
            for (size_t i = 0; i < listening; ++i) {
                if (!readyForReading(fds[i].revents)) continue;
                if (!acceptClients(ctx, ctx->listeners[i])) break;
            }
        }
    }
    if (single) serve_worker(single, fds);
    return r;
}

}  // namespace vnhttpd
