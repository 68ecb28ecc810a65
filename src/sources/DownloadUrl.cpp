#include "DownloadUrl.h"

#include <curl/curl.h>

#include <cstdio>

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/error.h"

size_t DownloadUrl::write(char* piece, size_t size, size_t count, void* self) {
    std::vector<char>& data = static_cast<DownloadUrl*>(self)->data;
    if (data.size() > limit) return 0;
    size_t n = size * count;
    data.insert(data.end(), piece, piece + n);
    return n;
}

DownloadUrl::DownloadUrl(const std::string& url, long timeoutSeconds) {
    if (url.empty()) throw internalError("DownloadUrl", 13);
    char errorText[CURL_ERROR_SIZE] = "";
    CURL* handle = curl_easy_init();
    CURLcode result = CURLE_FAILED_INIT;
    if (handle) {
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DownloadUrl::write);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
        // The URL comes from the catalogue: it must not reach local files or other protocols
        // (file:///etc/shadow), not even through a redirect that some later change might follow.
        // A libcurl that cannot restrict them does not transfer at all.
        result = curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        if (result == CURLE_OK) result = curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
        if (result != CURLE_OK) {
            std::snprintf(errorText, sizeof errorText, "%s", curl_easy_strerror(result));
        } else {
            // The web request that waits for this must not hang on a stalled server.
            curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
            curl_easy_setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds);
            result = curl_easy_perform(handle);
        }
        curl_easy_cleanup(handle);
    }
    if (result == CURLE_OK) return;
    if (result == CURLE_WRITE_ERROR) throw error(4, 1, 1, 2) << Messages::getLine("err_no_space2");
    throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_pkg_dwnld")) % url % errorText;
}
