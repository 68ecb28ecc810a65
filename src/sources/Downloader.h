#ifndef VN_SOURCES_DOWNLOADER_H
#define VN_SOURCES_DOWNLOADER_H

#include <cstdint>
#include <string>
#include <vector>

// Transfers one remote file, named relative to a list of base URLs, into one local target.
// Users: create, addSourceUrl, optionally setCredentials and enableConsoleProgress, download,
// delete.
class Downloader {
public:
    typedef int (*ProgressCallback)(uint32_t total, uint32_t now);

    struct Proxy {
        std::string host;
        int port = 0;
        std::string user;
        std::string password;

        // Makes this proxy the default of every transfer of the process and of the child
        // processes it starts: FTP_PROXY and HTTP_PROXY get "host:port" where they are
        // unset, and HTTP_PROXY_AUTH "user:password" only when one of them was set here, so
        // credentials never pair with a proxy that someone else chose. An empty host does
        // nothing at all.
        void exportToEnvironment() const;
    };

    // Creates the directory part of the target with its parents. Failure: the mkdir error,
    // qualified (4,1,1,2), with a line "err_download_mkdir".
    Downloader(const std::string& target, const std::string& relativeName);
    virtual ~Downloader();
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    // Only the first URL is used; a '/' is appended where missing.
    void addSourceUrl(const std::string& url);
    void setCredentials(const std::string& user, const std::string& password);
    // Progress marks on the console line that the caller has opened.
    void enableConsoleProgress();
    // The size the caller knows the file to have (a package's listed size): a longer body
    // fails the transfer. 0, as at first, means not known: the ceiling below applies.
    void setExpectedSize(uint64_t bytes);

    // The most a transfer of a file of unknown size may bring: servers are not trusted to
    // end their bodies, and the target directory is shared with the rest of the system.
    static const uint64_t unlistedSizeCeiling = 1ull << 30;

    // The transfer; at most once per object.
    virtual void download() = 0;

    // Process-wide; every transfer set up afterwards uses them.
    static void setProxy(const std::string& host, int port);
    static void setProxyCredentials(const std::string& user, const std::string& password);
    static Proxy proxy;

    // "37%.." once per tenth reached, and "100% " + "download_done" with the line end.
    static int printConsoleProgress(uint32_t total, uint32_t now);

protected:
    std::string target;
    std::string relativeName;
    std::vector<std::string> sourceUrls;
    ProgressCallback progress;  // null: no progress output
    std::string user;
    std::string password;
    uint64_t maxSize;

private:
    static int lastPrintedPercent;
};

#endif
