#include "CurlDownloader.h"

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "HttpError.h"
#include "StdioFile.h"

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

void CurlDownloader::download() {
    if (state != stateReady) return;
    if (sourceUrls.empty()) throw error(3, 1, 1, 3) << Messages::getMessage("err_srcs_empty");
    const std::string url = sourceUrls.front() + relativeName;
    Log(3) << "CurlDownloader: save url '" + url + "' to file '" + target + "'" << std::endl;

    StdioFile out(target, "wb");
    errorText[0] = '\0';
    OptionSetter set(handle);
    set(CURLOPT_URL, url.c_str())
        (CURLOPT_WRITEDATA, out.file)
        (CURLOPT_ERRORBUFFER, errorText)
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
    state = result == CURLE_OK ? stateDone : stateFailed;
    checkTermination();
    if (result == CURLE_OK) return;  // `out` reports a failing close as it goes

    if (result == CURLE_WRITE_ERROR) throw error(4, 1, 1, 2) << Messages::getMessage("err_no_space2");
    const std::string message =
        (boost::format(Messages::getMessage("err_pkg_dwnld")) % url % errorText).str();
    long code = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        throw error(4, 1, 1, 2) << message;
    throw http_error(url, code) << message;
}
