#ifndef VN_SOURCES_CURLDOWNLOADER_H
#define VN_SOURCES_CURLDOWNLOADER_H

#include <curl/curl.h>

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

    // first source URL + relative name into the target ("wb"). Follows one redirect, fails on
    // an HTTP error status, gives up connecting after 120 s, but sets no limit on the whole
    // transfer. Errors: "err_srcs_empty" (3,1,1,3); "err_curl_setup" (3,1,1,3); "user_canceled";
    // "err_no_space2" (4,1,1,2) when the target cannot be written; http_error (url, response
    // code) with "err_pkg_dwnld"; a target that was partly written stays.
    void download() override;

    enum { stateNoHandle = 0, stateReady = 1, stateDone = 2, stateFailed = 3 };
    int getState() const { return state; }

private:
    static int progressCallback(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                                curl_off_t ulnow);

    int state;
    CURL* handle;
};

#endif
