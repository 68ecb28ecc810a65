// The proxy of the settings exported to the process's transfers and to its children's
// environment. Each row runs in a child of its own: the environment and the process-wide
// proxy of the downloader are changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "sources/Downloader.h"
#include "support/TestUtil.h"

namespace {

const char* const variables[] = {"FTP_PROXY", "HTTP_PROXY", "HTTP_PROXY_AUTH"};

struct Row {
    const char* label;
    Downloader::Proxy proxy;
    std::map<std::string, std::string> before;  // variables set beforehand; the others are unset
    std::string after;                          // the three variables and the downloader's proxy
};

std::string exported(const Row& row) {
    return testutil::inChild([&] {
        for (const char* name : variables) {
            auto it = row.before.find(name);
            if (it == row.before.end())
                ::unsetenv(name);
            else
                ::setenv(name, it->second.c_str(), 1);
        }
        row.proxy.exportToEnvironment();
        std::string out;
        for (const char* name : variables) {
            const char* value = ::getenv(name);
            out += std::string(name) + "=" + (value ? value : "<unset>") + " ";
        }
        const Downloader::Proxy& p = Downloader::proxy;
        return out + "transfers=" + p.host + "|" + std::to_string(p.port) + "|" + p.user + "|" + p.password;
    });
}

Downloader::Proxy proxy(const std::string& host, int port, const std::string& user = "", const std::string& password = "") {
    Downloader::Proxy p;
    p.host = host;
    p.port = port;
    p.user = user;
    p.password = password;
    return p;
}

TEST(DownloaderProxy, ExportTable) {
    const Row rows[] = {
        {"nothing set before: both addresses and the credentials", proxy("h", 3128, "u", "p:w"), {},
         "FTP_PROXY=h:3128 HTTP_PROXY=h:3128 HTTP_PROXY_AUTH=u:p:w transfers=h|3128|u|p:w"},
        {"FTP_PROXY set: only HTTP_PROXY is added", proxy("h", 3128), {{"FTP_PROXY", "other:1"}},
         "FTP_PROXY=other:1 HTTP_PROXY=h:3128 HTTP_PROXY_AUTH=<unset> transfers=h|3128||"},
        {"both set: neither changes, and no credentials for someone else's proxy", proxy("h", 3128, "u", "p"),
         {{"FTP_PROXY", "f:21"}, {"HTTP_PROXY", "w:80"}},
         "FTP_PROXY=f:21 HTTP_PROXY=w:80 HTTP_PROXY_AUTH=<unset> transfers=h|3128|u|p"},
        {"credentials already in the environment stay", proxy("h", 8080, "u", "p"), {{"HTTP_PROXY_AUTH", "x:y"}},
         "FTP_PROXY=h:8080 HTTP_PROXY=h:8080 HTTP_PROXY_AUTH=x:y transfers=h|8080|u|p"},
        {"an empty variable counts as set", proxy("h", 3128), {{"FTP_PROXY", ""}, {"HTTP_PROXY", ""}},
         "FTP_PROXY= HTTP_PROXY= HTTP_PROXY_AUTH=<unset> transfers=h|3128||"},
        {"empty host: nothing at all, not even the credentials", proxy("", 3128, "u", "p"), {},
         "FTP_PROXY=<unset> HTTP_PROXY=<unset> HTTP_PROXY_AUTH=<unset> transfers=|0||"},
    };
    for (const Row& row : rows) EXPECT_EQ(exported(row), row.after) << row.label;
}

}  // namespace
