#ifndef VN_REPORTING_STATUSSERVER_H
#define VN_REPORTING_STATUSSERVER_H

#include <tinyxml.h>

#include <cstddef>
#include <string>

struct ProgressRecord;

// The status service: a detached process that holds lock slot 1 and answers on TCP port
// 10108 with the state of the shared progress record. A client connects, sends one XML
// document, closes its sending side and reads one reply.

constexpr int statusServicePort = 10108;
// A request is read in pieces of this size...
constexpr std::size_t statusRequestPiece = 32;
// ...up to this many bytes: what a client sends beyond it is not read.
constexpr std::size_t statusRequestLimit = 64 * 1024;
// A client that sends nothing for this long gets the answer to what it sent so far.
constexpr int statusReceiveTimeoutSeconds = 10;

// Stores the run's status cookie in the record, then forks the service unless lock slot 1
// shows one alive. Returns in the caller; raises "err_start_remote_monitor_server" when the
// child cannot be made, and lets the record's and the lock file's failures through.
//
// The child goes on running ordinary code (allocation, logging, iostreams), so the caller
// must have a single thread when it calls this: the command-line driver calls it first.
void startStatusServer();

// Body of the service process: detaches, takes lock slot 1 for life and serves until told to
// stop (SIGTERM, a finished record, or the 22nd alarm: at most 1263 s after it listens). Then
// it removes the shared segment and ends the process with _exit(0). Raises on failure.
[[noreturn]] void runStatusServer();

// The bytes the client on `socket` sent until it closed its sending side, read in 32-byte
// pieces, at most statusRequestLimit of them. A read failure (a receive timeout among them)
// writes "ERROR reading from socket: ..." to standard error and keeps what was read; so does
// a signal that asked the service to stop.
std::string readStatusRequest(int socket);

// The reply to a request (taken up to its first NUL): one of the three fixed error replies,
// or the compact "progress" element of the record. A finished record also asks the service
// to stop after this connection.
std::string makeStatusReply(const std::string& request);

// Asks the live status service to end: SIGTERM to the holder of lock slot 1, when there is one.
void stopStatusServer();

// The "progress" element of a record, as the service's reply and the status report both
// write it: "finished" and "failed" only when true, then an "error" child (failed only),
// "stage" and "step".
TiXmlElement makeProgressElement(const ProgressRecord& record);

#endif
