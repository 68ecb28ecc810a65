#ifndef VN_SOURCES_DOWNLOADURL_H
#define VN_SOURCES_DOWNLOADURL_H

#include <string>
#include <vector>

// A small resource (a product icon) fetched straight into memory. Each object has its own
// handle and buffers, so several may be fetched at once on different threads.
class DownloadUrl {
public:
    // The data taken stops once more than this is held (so it may exceed it by one piece).
    static const size_t limit = 0x100000;

    // The whole transfer. Redirects are not followed and an HTTP error status is no failure
    // (the error page becomes the content). Only HTTP, HTTPS and FTP; connecting may take 30 s
    // and the whole transfer `timeoutSeconds`. Errors: "" is an internal error; more than the
    // limit "err_no_space2" (4,1,1,2); any other failure "err_pkg_dwnld" (4,1,1,2) with the
    // url and libcurl's text.
    explicit DownloadUrl(const std::string& url, long timeoutSeconds = 60);

    const std::vector<char>& bytes() const { return data; }
    std::vector<char>::const_iterator begin() const { return data.begin(); }
    std::vector<char>::const_iterator end() const { return data.end(); }
    size_t size() const { return data.size(); }

private:
    static size_t write(char* piece, size_t size, size_t count, void* self);

    std::vector<char> data;
};

#endif
