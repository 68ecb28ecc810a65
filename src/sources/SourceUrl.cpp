#include "SourceUrl.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "../common/Log.h"
#include "../common/fileops.h"
#include "../common/utils.h"

namespace {

// Schemes in any case: libcurl takes "HTTP://" and "FILE://" as well, so a scheme that were
// only matched in lower case would still reach it, and a "FILE://" source would be copied
// through it instead of being read in place.
bool startsWithScheme(const std::string& text, const char* scheme) {
    const size_t n = std::strlen(scheme);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

std::string currentDirectory() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return std::string();
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

void toLocalForm(std::string& path) {
    if (!fileops::exists(path)) return;
    if (!isAbsolutePath(path)) path = currentDirectory() + "/" + path;
    if (fileops::is_directory(path)) fileops::ensure_trailing(path, '/');
}

void toNetworkForm(std::string& url) {
    if (url.find("://") == std::string::npos) url = "http://" + url;
    size_t scheme = url.find("://");
    size_t rest = scheme + 3;
    if (rest >= url.size()) {
        url.clear();
        return;
    }
    // A catalogue or description file is named by the URL itself; anything else is a base.
    if (url.find('/', rest) != std::string::npos && endsWith(url, ".inf3")) return;
    fileops::ensure_trailing(url, '/');
}

}  // namespace

SourceUrl::SourceUrl(const std::string& location) {
    // Each line is one piece: the log marks an empty piece, and an empty location must read as such.
    Log(2) << "SourceUrl: original source url is " + location << std::endl;
    std::string& value = *this;
    value = location;
    if (value.empty()) return;

    if (startsWithScheme(value, "file://")) {
        value.erase(0, 7);
        Log(3) << "DEBUG: SourceUrl: process as local source, 'file://' proto specified." << std::endl;
        toLocalForm(value);
    } else if (startsWithScheme(value, "http://") || startsWithScheme(value, "ftp://")) {
        Log(3) << "DEBUG: SourceUrl: process as network source, 'http://' or 'ftp://' proto specified."
               << std::endl;
        toNetworkForm(value);
    } else if (value[0] == '/') {
        Log(3) << "DEBUG: SourceUrl: process as local, '/' at begin is unix path." << std::endl;
        toLocalForm(value);
    } else if (value.size() >= 3 && value[1] == ':' && value[2] == '\\') {
        Log(3) << "DEBUG: SourceUrl: process as local, <drive> letter and ':\\' at begin, seems windows path."
               << std::endl;
        toLocalForm(value);
    } else if (fileops::exists(value)) {
        Log(3) << "DEBUG: SourceUrl: process as local because 'url' exist in filesystem." << std::endl;
        toLocalForm(value);
    } else {
        Log(3) << "DEBUG: SourceUrl: process as network with hope on success." << std::endl;
        toNetworkForm(value);
    }
    Log(2) << "SourceUrl: fixed url is " + value << std::endl;
}

std::string urlBasename(const std::string& location) {
    size_t slash = location.rfind('/');
    return slash == std::string::npos ? location : location.substr(slash + 1);
}

std::string urlDirname(const std::string& location) {
    size_t slash = location.rfind('/');
    return slash == std::string::npos ? std::string("/") : location.substr(0, slash + 1);
}

bool isAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }
