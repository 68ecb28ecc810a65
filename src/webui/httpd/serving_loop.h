#ifndef VN_WEBUI_HTTPD_SERVING_LOOP_H
#define VN_WEBUI_HTTPD_SERVING_LOOP_H

#include <poll.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "webui/httpd/server_context.h"
#include "webui/httpd/streams.h"

namespace vnhttpd {

// Commands on a worker's control channel: a 32-bit command word in host order, then its data.
enum control_command : uint32_t {
    CTL_ADD_SOCKET = 0,  // + 32-bit socket + 32-bit TLS flag
    CTL_WAKE = 1         // + 64-bit connection id: clears STREAM_SUSPENDED of its local stream
};

struct worker {
    server_context* ctx = nullptr;
    connection* first = nullptr;  // connections in order of arrival
    connection* last = nullptr;
    std::atomic<int> num_conns{0};  // read by the accepting thread to pick a worker
    std::atomic<bool> stop{false};
    // The worker reads commands from ctl[0]; everyone else writes to ctl[1].
    int ctl[2] = {-1, -1};
    int ctl_wait = -1;  // position of ctl[0] in the current wait's descriptor array
    std::thread thread;  // not joinable for the worker served inside server_poll
};

// A connection for an accepted socket, appended to the worker's list. Failures are reported
// (fatal under inetd) and close the socket; so does a worker at its connection limit.
void add_socket(worker* w, int sock, bool tls);

// A worker with its control pair, appended to the context's list; with `threaded`, its thread
// runs worker_loop. Fatal "Cannot allocate worker".
worker* new_worker(server_context* ctx, bool threaded);

// A connected pair of local stream sockets, both non-blocking and close-on-exec. 0, or -1 with
// both entries -1.
int make_control_pair(int pair[2]);

// Writes one whole control message to the worker (waiting briefly while its channel is full).
// 0, or -1 with errno set.
int send_control(worker* w, const void* message, size_t len);

// The verdict of the access-control list for a client: the last matching entry decides, no
// match allows. The client's address is masked, the entry's is not.
bool acl_allows(const server_context* ctx, const client_address& client);

// Adds what the worker waits for to `fds` and lowers `wait_ms` where a stream needs no wait.
void collect_waits(worker* w, std::vector<pollfd>& fds, int* wait_ms);

// Reads the control channel when the wait found it readable, then runs one pass over every
// connection with the readiness found in `fds`.
void serve_worker(worker* w, const std::vector<pollfd>& fds);

// Body of a worker thread: wait and serve until the stop flag, then end every connection.
void worker_loop(worker* w);

// Ends every connection of the worker.
void end_connections(worker* w);

// Closes both streams of a connection, takes it out of its worker and frees it.
void close_connection(connection* c);

}  // namespace vnhttpd

#endif
