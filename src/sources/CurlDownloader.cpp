#include "CurlDownloader.h"

#include <cstdio>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/StdioFile.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "HttpError.h"

namespace {

char errorText[CURL_ERROR_SIZE];

// Values that libcurl accepts for the options; any refusal is a broken set-up on our side.
class OptionSetter {
public:
    explicit OptionSetter(CURL* h) : handle(h) {}
    template <class T>
    OptionSetter& operator()(CURLoption option, T value) {
        if (curl_easy_setopt(handle, option, value) != CURLE_OK)
            throw error(3, 1, 1, 3) << Messages::getMessage("err_curl_setup");
        return *this;
    }

private:
    CURL* handle;
};

}  // namespace

long CurlDownloader::lowSpeedTime = 120;

Downloader* CurlDownloader::create(const std::string& target, const std::string& relativeName) {
    return new CurlDownloader(target, relativeName);
}

CurlDownloader::CurlDownloader(const std::string& target, const std::string& relative)
    : Downloader(target, relative), state(stateNoHandle), handle(curl_easy_init()) {
    if (!handle) throw error(4, 1, 1, 2) << Messages::getMessage("err_curl_init");
    state = stateReady;
}

CurlDownloader::~CurlDownloader() {
    if (handle) curl_easy_cleanup(handle);
}

int CurlDownloader::progressCallback(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                                     curl_off_t) {
    CurlDownloader* d = static_cast<CurlDownloader*>(self);
    if (d->progress) d->progress(static_cast<uint32_t>(dltotal), static_cast<uint32_t>(dlnow));
    return acceptTerminationRequest() ? 1 : 0;
}

// libcurl's own limit stops a body whose announced length is too long before it comes; a body
// without a length is stopped here. What fits the limit is written, nothing past it.
size_t CurlDownloader::writeCallback(char* data, size_t size, size_t count, void* self) {
    CurlDownloader* d = static_cast<CurlDownloader*>(self);
    const size_t n = size * count;
    const uint64_t room = d->maxSize - d->written;
    const size_t take = n <= room ? n : static_cast<size_t>(room);
    const size_t put = take ? std::fwrite(data, 1, take, d->out) : 0;
    d->written += put;
    if (put == take && take < n) d->tooLong = true;
    return put == take ? (d->tooLong ? take : n) : put;
}

void CurlDownloader::download() {
    if (state != stateReady) return;
    if (sourceUrls.empty()) throw error(3, 1, 1, 3) << Messages::getMessage("err_srcs_empty");
    const std::string url = sourceUrls.front() + relativeName;
    Log(3) << "CurlDownloader: save url '" + url + "' to file '" + target + "'" << std::endl;

    StdioFile file(target, "wb");
    out = file.file;
    written = 0;
    tooLong = false;
    errorText[0] = '\0';
    OptionSetter set(handle);
    set(CURLOPT_URL, url.c_str())
        (CURLOPT_WRITEDATA, this)
        (CURLOPT_WRITEFUNCTION, &CurlDownloader::writeCallback)
        (CURLOPT_ERRORBUFFER, errorText)
        // A source names a server; file:// would copy any local file, other protocols reach
        // services that were never meant as sources.
        (CURLOPT_PROTOCOLS_STR, "http,https,ftp")
        (CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp")
        (CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxSize))
        (CURLOPT_LOW_SPEED_LIMIT, 1L)
        (CURLOPT_LOW_SPEED_TIME, lowSpeedTime)
        (CURLOPT_NOPROGRESS, 0L)
        (CURLOPT_XFERINFODATA, this)
        (CURLOPT_XFERINFOFUNCTION, &CurlDownloader::progressCallback)
        (CURLOPT_FOLLOWLOCATION, 1L)
        (CURLOPT_MAXREDIRS, 1L)
        (CURLOPT_FAILONERROR, 1L)
        (CURLOPT_CONNECTTIMEOUT, 120L);
    // libcurl copies text options, so the composed texts need not outlive the set-up.
    if (!user.empty()) {
        const std::string credentials = user + ":" + password;
        set(CURLOPT_USERPWD, credentials.c_str())(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
    }
    if (!proxy.host.empty()) {
        set(CURLOPT_PROXY, proxy.host.c_str())(CURLOPT_PROXYPORT, static_cast<long>(proxy.port));
        if (!proxy.user.empty()) {
            const std::string credentials = proxy.user + ":" + proxy.password;
            set(CURLOPT_PROXYUSERPWD, credentials.c_str());
        }
    }

    CURLcode result = curl_easy_perform(handle);
    out = nullptr;
    state = result == CURLE_OK ? stateDone : stateFailed;
    checkTermination();
    if (result == CURLE_OK) return;  // `file` reports a failing close as it goes

    if (tooLong) {
        // The same failure as a body whose announced length libcurl refused.
        result = CURLE_FILESIZE_EXCEEDED;
        std::snprintf(errorText, sizeof errorText, "%s", curl_easy_strerror(result));
    }

    if (result == CURLE_WRITE_ERROR) throw error(4, 1, 1, 2) << Messages::getLine("err_no_space2");
    const std::string message =
        (boost::format(Messages::getMessage("err_pkg_dwnld")) % url % errorText).str();
    long code = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        throw error(4, 1, 1, 2) << message;
    throw http_error(url, code) << message;
}
