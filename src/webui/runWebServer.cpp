#include "runWebServer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "../common/Log.h"
#include "../common/error.h"
#include "../common/utils.h"
#include "LogCancelClearPages.h"
#include "PageBase.h"
#include "SessionGate.h"
#include "StaticFiles.h"
#include "preferencesPage.h"
#include "summaryPage.h"

std::string readWebSecret() { return getEnvValue("WEB_SECRET"); }

void takeWebSecret() {
    const std::string secret = readWebSecret();
    if (secret.empty()) return;
    keptWebSecret() = secret;
    // Unsetting leaves the entry's bytes in memory (and in /proc/<pid>/environ): wipe them too.
    char* value = ::getenv("WEB_SECRET");
    unsetEnv("WEB_SECRET");
    if (value) {
        const size_t nameLength = std::strlen("WEB_SECRET=");
        std::memset(value - nameLength, 0, nameLength + std::strlen(value));
    }
}

void reapChildren(int signal) {
    if (signal != SIGCHLD) return;
    const int saved = errno;
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
}

std::vector<std::string> webServerArguments(int port, const std::string& certificateFile) {
    std::vector<std::string> args{"vantrell", "-ports", std::to_string(port)};
    if (!certificateFile.empty()) {
        args[2] += "s";
        args.push_back("-ssl_cert");
        args.push_back(certificateFile);
    }
    for (const char* word : {"-root", ".", "-dir_list", "no", "-cgi_ext", "", "-ssi_ext", ""}) args.push_back(word);
    return args;
}

bool enterVanishedDirectory() {
    char dir[] = "/tmp/vantrell-web.XXXXXX";
    if (!::mkdtemp(dir)) return false;  // mode 0700
    if (::chdir(dir) != 0) {
        const int saved = errno;
        ::rmdir(dir);
        errno = saved;
        return false;
    }
    if (::rmdir(dir) != 0) return false;
    return true;
}

namespace {

std::string requestUri(vnhttpd::page_request* req);

// The handler each wrapped registration stands for travels as the registration's user data.
void wrappedPage(vnhttpd::page_request* req) {
    const vnhttpd::page_handler handler = reinterpret_cast<vnhttpd::page_handler>(req->user_data);
    const int usedOnEntry = req->out_used;
    std::string failure;
    try {
        handler(req);
        return;
    } catch (const error& e) {
        failure = e.text();
        Log(1) << "Error in page " << Log::escapedName(requestUri(req)) << ": " << failure << std::endl;
    } catch (const std::exception& e) {
        failure = e.what();
        Log(1) << "Error in page " << Log::escapedName(requestUri(req)) << ": " << failure << std::endl;
    }
    req->out_used = usedOnEntry;
    if (usedOnEntry == 0 && req->state == nullptr) {
        internalErrorPage(req, failure);
    }
    req->flags |= vnhttpd::PAGE_LAST;
}

std::string requestUri(vnhttpd::page_request* req) {
    const char* uri = vnhttpd::page_get_env(req, "REQUEST_URI");
    return uri ? uri : "";
}

}  // namespace

void registerWrappedPage(vnhttpd::server_context* ctx, const char* pattern, vnhttpd::page_handler handler) {
    vnhttpd::server_register_page(ctx, pattern, wrappedPage, reinterpret_cast<void*>(handler));
}

void rootPage(vnhttpd::page_request* req) {
    if (!sessionGate(req)) return;
    redirectToCurrentPage(req);
}

void addComponentsPage(vnhttpd::page_request* req) {
    (void)req;
    // The component pages are not part of this program yet.
    throw std::runtime_error("The page to add components is not available");
}

int runWebServer(int port, const std::string& certificateFile, const volatile char* stopFlag) {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGCHLD, reapChildren);
    takeWebSecret();

    std::string certificate = certificateFile;
    if (!certificate.empty() && certificate[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd) {
            certificate = std::string(cwd) + "/" + certificate;
            std::free(cwd);
        }
    }
    if (!enterVanishedDirectory()) {
        Log(0) << "Can't make a private working directory for the web server: " << std::strerror(errno) << std::endl;
        return 1;
    }
    const std::vector<std::string> words = webServerArguments(port, certificate);
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    argv.push_back(nullptr);
    setSecureSessionCookie(!certificate.empty());
    vnhttpd::server_context* ctx = vnhttpd::server_init(static_cast<int>(words.size()), argv.data());
    if (!ctx) return 1;

    registerWrappedPage(ctx, "/", rootPage);
    registerWrappedPage(ctx, "/summary.html", summaryPage);
    registerWrappedPage(ctx, "/preferences.html", preferencesPage);
    registerWrappedPage(ctx, "/add_components.html", addComponentsPage);
    registerWrappedPage(ctx, "/clear.html", clearPage);
    registerWrappedPage(ctx, "/cancel.html", cancelPage);
    registerWrappedPage(ctx, "/log.html", logPage);
    registerResources(ctx);

    while (stopFlag == nullptr || *stopFlag == 0) vnhttpd::server_poll(ctx, 1000);
    vnhttpd::server_free(ctx);
    return 0;
}
