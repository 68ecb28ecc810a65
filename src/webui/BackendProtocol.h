#ifndef VN_WEBUI_BACKENDPROTOCOL_H
#define VN_WEBUI_BACKENDPROTOCOL_H

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../catalogue/ReleasesCompatibilityChecker.h"
#include "../sources/Downloader.h"

class BuildManager;
class FileFetcher;
class Release;
class TiXmlDocument;
class TiXmlElement;
class VnComponent;

// The XML answer of the command being processed, and the operations that fill it. The
// command loop starts a fresh document before each command (resetAnswer), the handlers add to
// it, and the loop hands it to WebUiTransport::sendAnswer.
//
// The document: declaration 1.0/UTF-8/standalone, then the root "vantrell" whose first
// attribute is `status` ("ok" after a reset). Elements are built whole and then appended as
// the last child of their parent; attributes stand in the order they are set, and setting one
// again keeps its place.
class BackendProtocol {
public:
    BackendProtocol();
    ~BackendProtocol();
    BackendProtocol(const BackendProtocol&) = delete;
    BackendProtocol& operator=(const BackendProtocol&) = delete;

    // A new document with status "ok"; also forgets the secret setting ids of the last answer.
    void resetAnswer();
    // The document, and its root; an internal error before the first reset.
    TiXmlDocument* answer() const;
    TiXmlElement* answerRoot() const;

    // Status "error" with `error_message` and `error_class` on the root; no child.
    void sendError(const std::string& message, const std::string& className);
    // Status "bad_page" and `page id`.
    void sendBadPage(const std::string& pageId);
    void sendCurrentPage(const std::string& pageId);
    // A `warning` element, then status "warning".
    void sendWarning(const std::string& text);
    void sendStartSelfUpgrade();
    void sendPrepareSelfUpgrade();
    void sendLog(const std::string& text);
    // `data encoding="base64"`; empty data is an internal error.
    void sendBinaryData(const std::vector<unsigned char>& bytes);
    // Status "warning" and `bestwith_info` with the findings of the compatibility check.
    void sendBestwithWarning(const std::vector<BestWithProduct>& findings);
    // Status "warning" and `dependencies_info`: one `component` per first component, in order
    // of first appearance, with one `requires` per pair.
    void sendDependenciesWarning(const std::vector<std::pair<VnComponent*, VnComponent*>>& pairs);
    // `preferences`: the source with its type ("tarnix" for the default update server,
    // "local" for an absolute path, else "mirror"), the target, and the proxy.
    void sendPreferences(const std::string& source, const std::string& target, const Downloader::Proxy& proxy);
    // `products`: the releases in catalogue order grouped by neighbouring product, each
    // usable release with its installation types. A release whose types cannot be read is
    // left out with a level-0 line; failures of the release queries propagate.
    void sendReleases(const BuildManager& catalogue, FileFetcher& fetcher);
    // `installation_types` of the release's best build for this host, then "Full" and
    // "Custom", appended to `parent`.
    void sendInstallationTypes(TiXmlElement& parent, const Release& release, FileFetcher& fetcher);

    // Setting ids whose values the log of this answer must not show; emptied by resetAnswer.
    const std::set<std::string>& secretSettingIds() const { return secretIds; }
    void addSecretSettingId(const std::string& id) { secretIds.insert(id); }

private:
    std::unique_ptr<TiXmlDocument> document;
    std::set<std::string> secretIds;
};

// The compact XML text of `root` for a log line, with "***" in place of every attribute named
// `password` and of the `value` and `default` of each `setting` element whose `type` is
// "password" or whose `id` is in `secretSettingIds` (of every `setting` with
// `maskAllSettings`).
std::string maskedForLog(const TiXmlElement& root, const std::set<std::string>& secretSettingIds,
                         bool maskAllSettings);

#endif
