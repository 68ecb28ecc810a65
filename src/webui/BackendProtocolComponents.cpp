// The progress answer and the component list of the web pages.
#include <tinyxml.h>

#include "../catalogue/Build.h"
#include "../catalogue/BuildManager.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/error.h"
#include "../components/VnComponent.h"
#include "../components/VnRadioGroup.h"
#include "../components/VnSubGroup.h"
#include "BackendProtocol.h"

namespace {

const char* const sourceName = "BackendProtocolComponents";
const int lineNoProgress = 47;
const int lineNoComponentManager = 121;
const int lineProductLost = 160;
const int lineNoComponents = 166;
const int lineNoPath = 172;
const int lineNoRelease = 182;

// `product` with the release's product, its web action and version.
TiXmlElement progressProduct(const Release& release) {
    TiXmlElement product("product");
    product.SetAttribute("id", release.product->id);
    product.SetAttribute("name", release.product->name);
    product.SetAttribute("action", release.web_update_mode());
    product.SetAttribute("version", release.version.toString());
    return product;
}

const char* jobStatus(bool finished, bool succeeded) {
    if (!finished) return "waiting";
    return succeeded ? "completed" : "failed";
}

// The release a component was loaded for; the tree never holds a component without one.
const Release& releaseOf(const VnComponent& component) {
    const std::shared_ptr<Release> release = component.getBuild()->getParent();
    if (!release || !release->product) throw internalError(sourceName, lineNoRelease);
    return *release;
}

}  // namespace

void BackendProtocol::sendProgress(const std::string& consoleText, bool finished, bool succeeded,
                                   checked_pointer<BuildManager> buildManager,
                                   checked_pointer<ComponentManager> componentManager) {
    ProductsProgress* progress = ProductsProgress::instance();
    if (!progress) throw internalError(sourceName, lineNoProgress);
    ProductsProgress::ReleaseProgressList records;
    progress->get_progress(records);
    sendProgressRecords(records, consoleText, finished, succeeded, buildManager, componentManager);
}

void BackendProtocol::sendProgressRecords(const ProductsProgress::ReleaseProgressList& records,
                                          const std::string& consoleText, bool finished, bool succeeded,
                                          checked_pointer<BuildManager> buildManager,
                                          checked_pointer<ComponentManager> componentManager) {
    TiXmlElement* root = answerRoot();
    TiXmlElement products("products");

    if (records.empty()) {
        // Nothing registered yet: the releases about to be installed stand in.
        for (const std::shared_ptr<Release>& release : buildManager->getReleases()) {
            if (!release->selected || !componentManager->isSelectedFromRelease(release.get())) continue;
            TiXmlElement product = progressProduct(*release);
            TiXmlElement state("progress");
            state.SetAttribute("percentage", "0");
            state.SetAttribute("status", jobStatus(finished, succeeded));
            product.InsertEndChild(state);
            products.InsertEndChild(product);
        }
        root->InsertEndChild(products);
        return;
    }

    for (const ProductsProgress::ReleaseProgress& record : records) {
        TiXmlElement product = progressProduct(*checked_pointer<Release>(record.release.get()));
        TiXmlElement state("progress");
        const char* status = nullptr;
        if (finished) {
            status = jobStatus(finished, succeeded);
        } else {
            switch (record.state) {
                case 0: status = "waiting"; break;
                case 1: status = "started"; break;
                case 2: status = "in_progress"; break;
                case 3: status = "completed"; break;
                case ProductsProgress::NOT_COUNTED: status = "failed"; break;
                default: Log(0) << "ERROR: Internal error: product progress state=" << record.state << "\n";
            }
        }
        if (status) state.SetAttribute("status", status);
        state.SetAttribute("percentage", record.percent);
        product.InsertEndChild(state);
        products.InsertEndChild(product);
    }
    root->InsertEndChild(products);
    TiXmlElement console("console");
    console.InsertEndChild(TiXmlText(consoleText));
    root->InsertEndChild(console);
}

void BackendProtocol::sendComponents(ComponentManager* componentManager,
                                     const std::vector<std::string>& hiddenProductIds) {
    {
        Log log(3);
        log << "DEBUG: BackendProtocol::sendComponents: show_prod_ids: ";
        for (const std::string& id : hiddenProductIds) log << " '" << id << "'";
        log << "\n";
    }
    if (!componentManager) throw internalError(sourceName, lineNoComponentManager);
    TiXmlElement* root = answerRoot();
    ComponentSender sender(tinybind::Element(root), hiddenProductIds);
    root->InsertEndChild(TiXmlElement("products"));
    componentManager->visit(sender);
}

BackendProtocol::ComponentSender::ComponentSender(const tinybind::Element& root,
                                                  const std::vector<std::string>& hiddenProductIds)
    : root(root), hiddenProductIds(hiddenProductIds.begin(), hiddenProductIds.end()) {}

tinybind::Element BackendProtocol::ComponentSender::currentElement(const Release& release) {
    const Product& owner = *release.product;
    tinybind::Element products = root.requiredChild("products");
    tinybind::Element product = products;
    if (!product.childByAttribute("product", "id", owner.id).element) {
        TiXmlElement added("product");
        added.SetAttribute("id", owner.id);
        added.SetAttribute("name", owner.name);
        added.SetAttribute("action", release.web_update_mode());
        added.InsertEndChild(TiXmlElement("components"));
        products.element->InsertEndChild(added);
        product = products;
        if (!product.childByAttribute("product", "id", owner.id).element)
            throw internalError(sourceName, lineProductLost);
    }
    tinybind::Element current = product;
    if (!current.childByAttribute("components").element) throw internalError(sourceName, lineNoComponents);
    for (const auto& step : tagStack) current.childByAttribute(step.first, "name", step.second);
    if (!current.element) throw internalError(sourceName, lineNoPath);
    return current;
}

void BackendProtocol::ComponentSender::visit(VnComponent* component) {
    const Release& release = releaseOf(*component);
    if (hiddenProductIds.count(release.product->id)) return;
    const bool selected = component->isSelected();
    TiXmlElement element("component");
    element.SetAttribute("id", component->name);
    element.SetAttribute("action", component->getStatusName());
    element.SetAttribute("serverbuildtime", component->getAvailableBuildTime());
    element.SetAttribute("localbuildtime", component->getInstalledBuildTime());
    element.SetAttribute("serverversion", component->getAvailableVersion());
    element.SetAttribute("localversion", component->getInstalledVersion());
    element.SetAttribute("kernelupdate", "false");
    element.SetAttribute("selected", selected ? "true" : "false");
    if (selected && component->isRequired()) element.SetAttribute("required", "true");
    TiXmlElement description("description");
    description.InsertEndChild(TiXmlText(component->description));
    element.InsertEndChild(description);
    currentElement(release).element->InsertEndChild(element);
}

void BackendProtocol::ComponentSender::enterSubGroup(VnSubGroup* group) {
    TiXmlElement element("group");
    element.SetAttribute("name", group->name);
    element.SetAttribute("description", group->description);
    currentElement(*group->release).element->InsertEndChild(element);
    tagStack.emplace_back("group", group->name);
}

void BackendProtocol::ComponentSender::enterRadioGroup(VnRadioGroup* group) {
    TiXmlElement element("alternative_components");
    element.SetAttribute("name", group->name);
    element.SetAttribute("description", group->description);
    element.SetAttribute("selected", group->hasSelected() ? "true" : "false");
    currentElement(*group->release).element->InsertEndChild(element);
    tagStack.emplace_back("alternative_components", group->name);
}

void BackendProtocol::ComponentSender::leaveSubGroup(VnSubGroup*) {
    if (!tagStack.empty()) tagStack.pop_back();
}

void BackendProtocol::ComponentSender::leaveRadioGroup(VnRadioGroup*) {
    if (!tagStack.empty()) tagStack.pop_back();
}
