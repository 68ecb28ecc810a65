#ifndef VN_SOURCES_CURLDOWNLOADER_H
#define VN_SOURCES_CURLDOWNLOADER_H

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Downloader.h"

// The downloader over libcurl's easy interface. Its error-text buffer is process-wide, so
// transfers run one at a time.
class CurlDownloader : public Downloader {
public:
    // A new downloader that the caller owns and deletes after download().
    static Downloader* create(const std::string& target, const std::string& relativeName);

    // No handle: error (4,1,1,2) "err_curl_init".
    CurlDownloader(const std::string& target, const std::string& relativeName);
    ~CurlDownloader() override;

    // first source URL + relative name into the target ("wb"), over HTTP, HTTPS or FTP only
    // (also after a redirect). Follows one redirect, fails on an HTTP error status, gives up
    // connecting after 120 s and receiving after `lowSpeedTime` seconds below one byte a
    // second, and stops a body longer than the expected size; there is no limit on the whole
    // transfer. Errors: "err_srcs_empty" (3,1,1,3); "err_curl_setup" (3,1,1,3);
    // "user_canceled"; "err_no_space2" (4,1,1,2) when the target cannot be written;
    // http_error (url, response code) with "err_pkg_dwnld", also for a body too long; a target
    // that was partly written stays, never longer than the expected size.
    void download() override;

    // 120; tests shorten it.
    static long lowSpeedTime;

    enum { stateNoHandle = 0, stateReady = 1, stateDone = 2, stateFailed = 3 };
    int getState() const { return state; }

private:
    static int progressCallback(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                                curl_off_t ulnow);
    static size_t writeCallback(char* data, size_t size, size_t count, void* self);

    int state;
    CURL* handle;
    // Of the running transfer.
    FILE* out = nullptr;
    uint64_t written = 0;
    bool tooLong = false;
};

#endif
