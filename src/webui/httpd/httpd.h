#ifndef VN_WEBUI_HTTPD_HTTPD_H
#define VN_WEBUI_HTTPD_HTTPD_H

// The embedded HTTP server, VNHTTPD, as its users see it: build it from an argument vector,
// serve with repeated polls, release it.
namespace vnhttpd {

struct server_context;

// Builds the server from the built-in option defaults, the configuration file and the option
// pairs of argv ("-name value"). argv[0] is the program name; a first argument without '-' names
// the configuration file. Every failure is fatal: a message on standard error and exit status 1.
server_context* server_init(int argc, const char* const* argv);

// One wait of at most `milliseconds` and one pass of work: accepts new clients and, with a single
// worker, serves every connection once. Negative when the wait itself failed.
int server_poll(server_context* ctx, int milliseconds);

// Ends every connection and worker and releases the server.
void server_free(server_context* ctx);

// "1.41"
const char* server_version();

}  // namespace vnhttpd

#endif
