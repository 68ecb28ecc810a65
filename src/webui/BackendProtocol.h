#ifndef VN_WEBUI_BACKENDPROTOCOL_H
#define VN_WEBUI_BACKENDPROTOCOL_H

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../catalogue/ReleasesCompatibilityChecker.h"
#include "../common/checked_pointer"
#include "../common/tinybind.h"
#include "../components/ComponentManager.h"
#include "../components/ParamManager.h"
#include "../reporting/ProductsProgress.h"
#include "../sources/Downloader.h"

class BuildManager;
class FileFetcher;
class Param;
class ParamManager;
class Release;
class TiXmlDocument;
class TiXmlElement;
class VnComponent;

// One product of a "product_selection" request.
struct ProductSelection {
    std::string productId;
    std::string releaseId;
    std::string installationType;
    bool customize = false;
};

// The engine's preferences as the preferences page edits them.
struct WebPreferences {
    // The default update-server address, a mirror address or a local path.
    std::string source;
    // Where downloads go.
    std::string target;
    // Empty: no proxy.
    std::string proxyHost;
    int proxyPort = 0;
    // Empty: no proxy authentication.
    std::string proxyUser;
    std::string proxyPassword;
    // The ports source kind as sent; "custom" takes portsTarball.
    std::string portsUse;
    std::string portsTarball;
    std::string portsCvsup;
    std::string portsMasterSiteOverride;
    std::string portsTarget;
};

// A parsed request: the document, its root "request" and the command name (the `value` of
// its `command`, "" when absent).
struct WebRequest {
    std::unique_ptr<TiXmlDocument> document;
    TiXmlElement* root = nullptr;
    std::string command;
};

// Collects the text of one complaint about a request element; append() adds it to that
// element as a child `error`.
class ElementErrorWriter {
public:
    explicit ElementErrorWriter(const tinybind::Element& element);

    template <class T>
    ElementErrorWriter& operator<<(const T& value) {
        text << value;
        return *this;
    }
    // An empty handle is an internal error.
    void append();

private:
    tinybind::Element element;
    std::ostringstream text;
};

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

    // --- Requests. The parsers take the request's root element `request`; XML access errors
    // (tinybind::err and its kinds) and `error`s leave them for the command loop to answer.

    // Parses a received request: no root element (text that is no XML included) and a root
    // other than "request" are error (3,1,1,3); no `command`, tinybind::notfound.
    static WebRequest readRequest(const std::string& text);
    // `products`/`product` in document order; `customize` is false when absent and must
    // otherwise be a yes/no word.
    static std::vector<ProductSelection> parseProductSelection(TiXmlElement* request);
    // (product id, component ids) in document order; repeated ids stay.
    static std::vector<std::pair<std::string, std::vector<std::string>>> parseComponentSelection(TiXmlElement* request);
    // Product id -> setting id -> value; a later value wins. No `products`, or a product
    // without `settings`, is an internal error.
    static ParamManager::Values parseComponentParams(TiXmlElement* request);
    // The `name` of `locale`; without `locale`, error (3,1,1,3).
    static std::string parseLocale(TiXmlElement* request);
    // The `size` of `command`: empty is an internal error, other than digits err_non_digit.
    static int parseLogSize(TiXmlElement* request);
    // (`prod_id`, `enabled`) of `command`; `enabled` is a required yes/no word.
    static std::pair<std::string, bool> parseProductIconRequest(TiXmlElement* request);
    // Overwrites the fields of `record` (filled by the caller with the current values) that
    // the `preferences` element gives. The `source`, `proxy` and `ports` blocks are read in
    // this order, each on its own: an XML access error ends only its block and is written
    // into that block's element as an `error`. With any complaint, the answer gets status
    // "bad_values" and a copy of `preferences` with its `error` children; returns whether
    // everything was accepted. A non-numeric proxy port raises err_non_digit.
    bool parsePreferences(WebPreferences& record, TiXmlElement* preferences);

    // --- Progress and component answers.

    // `products` with one `product` per progress record of the live ProductsProgress (none
    // living is an internal error), then `console` with `consoleText`. Without records, the
    // selected releases with a selected component stand in, each with percentage 0 and the
    // job's state, and no `console` is written.
    void sendProgress(const std::string& consoleText, bool finished, bool succeeded,
                      checked_pointer<BuildManager> buildManager, checked_pointer<ComponentManager> componentManager);
    // The same for records in hand.
    void sendProgressRecords(const ProductsProgress::ReleaseProgressList& records, const std::string& consoleText,
                             bool finished, bool succeeded, checked_pointer<BuildManager> buildManager,
                             checked_pointer<ComponentManager> componentManager);
    // `products` with the component tree, one `product` per product in walk order; the
    // components (not the groups) of the hidden products are left out. A null manager is an
    // internal error.
    void sendComponents(ComponentManager* componentManager, const std::vector<std::string>& hiddenProductIds);
    // `products` with the settings of the selected components, nested as described; a
    // rejected value turns the status into "bad_values". The ids of secret settings go into
    // secretSettingIds(). A null manager is an internal error.
    void sendComponentParams(ParamManager* paramManager);

    // Writes the component tree under the answer root's `products` (which must exist).
    class ComponentSender : public ComponentManager::Visitor {
    public:
        ComponentSender(const tinybind::Element& root, const std::vector<std::string>& hiddenProductIds);
        void visit(VnComponent* component) override;
        void reserved() override {}
        void enterRadioGroup(VnRadioGroup* group) override;
        void enterSubGroup(VnSubGroup* group) override;
        void leaveSubGroup(VnSubGroup* group) override;
        void leaveRadioGroup(VnRadioGroup* group) override;

        // The element under which the next node of `release` goes: the path of the open
        // groups under the release's product, whose `product` is made on first need.
        tinybind::Element currentElement(const Release& release);

    private:
        tinybind::Element root;
        // (tag, name) of each open group, innermost last.
        std::vector<std::pair<std::string, std::string>> tagStack;
        std::set<std::string> hiddenProductIds;
    };

    // Writes the settings under a `products` element that the constructor appends to the
    // answer root.
    class ParamSender : public ParamManager::Visitor {
    public:
        explicit ParamSender(BackendProtocol& protocol);
        void visit(const std::shared_ptr<Param>& param) override;
        void enterSubParams(const std::shared_ptr<Param>& param) override;
        void enterBranch(const std::shared_ptr<Param>& param, const std::string& branch) override;
        void leaveBranch(const std::shared_ptr<Param>& param, const std::string& branch) override;
        void leaveSubParams(const std::shared_ptr<Param>& param) override;
        void end() override {}

        // The element under which `param` goes: its product, its component unless several
        // components own it, their `settings`, then the open path. A path step that finds
        // nothing is error (3,1,1,3) "in iterate tag stack: can't find node <...>".
        tinybind::Element currentElement(const Param& param);

    private:
        // One step of the open path: the child `tag` whose `attribute` equals `value`; without
        // an attribute, the child `tag` number `position` (from 0) among its namesakes.
        struct Step {
            std::string tag;
            std::string attribute;
            std::string value;
            int position;
        };

        void popSteps(size_t count);

        BackendProtocol& protocol;
        tinybind::Element root;
        std::vector<Step> tagStack;
    };

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
