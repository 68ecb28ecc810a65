#include "Downloader.h"

#include <boost/format.hpp>
#include <cstdlib>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"

Downloader::Proxy Downloader::proxy;
int Downloader::lastPrintedPercent = 0;

Downloader::Downloader(const std::string& t, const std::string& relative)
    : target(t), relativeName(relative), progress(nullptr), maxSize(unlistedSizeCeiling) {
    std::string dir = fileops::dirname(target);
    try {
        fileops::create_directory(dir);
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << boost::format(Messages::getMessage("err_download_mkdir")) % dir;
        throw;
    }
}

Downloader::~Downloader() = default;

void Downloader::addSourceUrl(const std::string& url) {
    sourceUrls.push_back(url);
    fileops::ensure_trailing(sourceUrls.back(), '/');
}

void Downloader::setCredentials(const std::string& u, const std::string& p) {
    user = u;
    password = p;
}

void Downloader::enableConsoleProgress() {
    lastPrintedPercent = 0;
    progress = &Downloader::printConsoleProgress;
}

void Downloader::setExpectedSize(uint64_t bytes) { maxSize = bytes ? bytes : unlistedSizeCeiling; }

void Downloader::setProxy(const std::string& host, int port) {
    proxy.host = host;
    proxy.port = port;
}

void Downloader::setProxyCredentials(const std::string& u, const std::string& p) {
    proxy.user = u;
    proxy.password = p;
}

int Downloader::printConsoleProgress(uint32_t total, uint32_t now) {
    int percent = 0;
    if (total != 0 && now != 0) percent = static_cast<int>(static_cast<double>(now) * 100.0 / total);
    if (lastPrintedPercent / 10 >= percent / 10) return 0;
    if (percent == 100)
        Log(0) << "100% " + Messages::getMessage("download_done") << std::endl;
    else
        Log(0) << std::to_string(percent) + "%..";
    lastPrintedPercent = percent;
    return 0;
}

void Downloader::Proxy::exportToEnvironment() const {
    if (host.empty()) return;
    setProxy(host, port);
    const std::string address = host + ":" + std::to_string(port);
    bool exported = false;
    for (const char* name : {"FTP_PROXY", "HTTP_PROXY"}) {
        if (::getenv(name)) continue;
        ::setenv(name, address.c_str(), 0);
        exported = true;
    }
    if (user.empty()) return;
    setProxyCredentials(user, password);
    if (exported) ::setenv("HTTP_PROXY_AUTH", (user + ":" + password).c_str(), 0);
}
