// The settings answer of the web pages: every setting of the selected components, nested as
// the settings descriptions nest them.
#include <tinyxml.h>

#include "../catalogue/Build.h"
#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/Log.h"
#include "../common/error.h"
#include "../components/Param.h"
#include "../components/ParamBool.h"
#include "../components/ParamEnum.h"
#include "../components/ParamGroup.h"
#include "../components/ParamPassword.h"
#include "../components/VnComponent.h"
#include "BackendProtocol.h"

namespace {

const char* const sourceName = "BackendProtocolParams";
const int lineNoParamManager = 54;
const int lineNoRelease = 70;
const int lineProductLost = 84;
const int lineComponentsLost = 94;
const int lineComponentLost = 107;
const int lineSettingsLost = 118;

TiXmlElement textElement(const char* name, const std::string& text) {
    TiXmlElement element(name);
    element.InsertEndChild(TiXmlText(text));
    return element;
}

// The first child `tag` of `parent` (with `attribute` = `value` when an attribute is given);
// when there is none, `added` is appended and looked up again, and a second miss is the
// internal error at `line`.
tinybind::Element childOrAdded(const tinybind::Element& parent, const std::string& tag, const std::string& attribute,
                               const std::string& value, const TiXmlElement& added, int line) {
    tinybind::Element found = parent;
    if (found.childByAttribute(tag, attribute, value).element) return found;
    parent.element->InsertEndChild(added);
    found = parent;
    if (!found.childByAttribute(tag, attribute, value).element) throw internalError(sourceName, line);
    return found;
}

// The value the page shows: the setting's own accepted value, else its default, else "". A
// branching setting counts as answered by its own value, as the walk does when it picks the
// branch to show.
std::string displayedValue(const Param& param) {
    if (param.hasOwnValue()) return param.getStoredValue();
    return param.hasDefaultValue() ? param.getDefault() : std::string();
}

std::string errorText(const Param& param) {
    const std::string& detail = param.getValidationMessage();
    return detail.empty() ? param.getErrorMessage() : param.getErrorMessage() + " - " + detail;
}

}  // namespace

void BackendProtocol::sendComponentParams(ParamManager* paramManager) {
    Log(3) << "DEBUG: BackendProtocol::sendComponentParams entry\n";
    if (!paramManager) throw internalError(sourceName, lineNoParamManager);
    ParamSender sender(*this);
    paramManager->visit(sender, nullptr, true);
}

BackendProtocol::ParamSender::ParamSender(BackendProtocol& protocol)
    : protocol(protocol), root(protocol.answerRoot()) {
    root.element->InsertEndChild(TiXmlElement("products"));
}

tinybind::Element BackendProtocol::ParamSender::currentElement(const Param& param) {
    const std::vector<checked_pointer<VnComponent>>& owners = param.getComponents();
    const VnComponent& owner = *owners.front();
    const std::shared_ptr<Release> release = owner.getBuild()->getParent();
    if (!release || !release->product) throw internalError(sourceName, lineNoRelease);
    const Product& product = *release->product;

    TiXmlElement newProduct("product");
    newProduct.SetAttribute("id", product.id);
    newProduct.SetAttribute("name", product.name);
    tinybind::Element current =
        childOrAdded(root.requiredChild("products"), "product", "id", product.id, newProduct, lineProductLost);

    if (owners.size() == 1) {
        current = childOrAdded(current, "components", "", "", TiXmlElement("components"), lineComponentsLost);
        TiXmlElement newComponent("component");
        newComponent.SetAttribute("id", owner.name);
        newComponent.InsertEndChild(textElement("description", owner.getName()));
        current = childOrAdded(current, "component", "id", owner.name, newComponent, lineComponentLost);
    }
    current = childOrAdded(current, "settings", "", "", TiXmlElement("settings"), lineSettingsLost);

    for (const Step& step : tagStack) {
        if (step.attribute.empty()) {
            // Groups carry no attribute: the step names the one it opened by its place.
            TiXmlElement* child = current.element->FirstChildElement(step.tag);
            for (int i = 0; child && i < step.position; ++i) child = child->NextSiblingElement(step.tag);
            current = tinybind::Element(child);
        } else {
            current.childByAttribute(step.tag, step.attribute, step.value);
        }
        if (!current.element) {
            error e(3, 1, 1, 3);
            e << "in iterate tag stack: can't find node <" << step.tag;
            if (!step.attribute.empty()) e << "[" << step.attribute << "]='" << step.value << "'";
            e << ">";
            throw e;
        }
    }
    return current;
}

void BackendProtocol::ParamSender::visit(const std::shared_ptr<Param>& param) {
    if (dynamic_cast<const ParamGroup*>(param.get())) return;
    if (dynamic_cast<const ParamPassword*>(param.get()) || param->getBehaviour() == Param::secure)
        protocol.addSecretSettingId(param->getId());

    const std::string value = displayedValue(*param);
    const std::string complaint = errorText(*param);
    TiXmlElement setting("setting");
    setting.SetAttribute("id", param->getId());
    setting.SetAttribute("type", param->getType());
    setting.SetAttribute("value", value);
    setting.InsertEndChild(textElement("name", param->getName()));
    setting.InsertEndChild(textElement("description", param->getDescription()));
    setting.InsertEndChild(textElement("error-message", complaint));
    if (!param->isValid()) {
        root.element->SetAttribute("status", "bad_values");
        setting.InsertEndChild(textElement("error", complaint));
        setting.SetAttribute("value", param->getInput());
    }
    if (const ParamEnum* choices = dynamic_cast<const ParamEnum*>(param.get())) {
        for (const auto& choice : choices->getChoices()) {
            setting.SetAttribute("default", value);
            TiXmlElement element("choice");
            element.SetAttribute("id", choice.first);
            element.InsertEndChild(textElement("name", choice.second));
            setting.InsertEndChild(element);
        }
    }
    currentElement(*param).element->InsertEndChild(setting);
}

void BackendProtocol::ParamSender::enterSubParams(const std::shared_ptr<Param>& param) {
    if (dynamic_cast<const ParamGroup*>(param.get())) {
        TiXmlElement group("group");
        group.InsertEndChild(textElement("description", param->getDescription()));
        const tinybind::Element parent = currentElement(*param);
        int position = 0;
        for (TiXmlElement* sibling = parent.element->FirstChildElement("group"); sibling;
             sibling = sibling->NextSiblingElement("group"))
            ++position;
        parent.element->InsertEndChild(group);
        tagStack.push_back(Step{"group", "", "", position});
    } else if (dynamic_cast<const ParamEnum*>(param.get())) {
        tagStack.push_back(Step{"setting", "id", param->getId(), 0});
    } else if (dynamic_cast<const ParamBool*>(param.get())) {
        tagStack.push_back(Step{"setting", "id", param->getId(), 0});
        currentElement(*param).element->InsertEndChild(TiXmlElement("settings"));
        tagStack.push_back(Step{"settings", "", "", 0});
    }
}

void BackendProtocol::ParamSender::enterBranch(const std::shared_ptr<Param>& param, const std::string& branch) {
    if (!dynamic_cast<const ParamEnum*>(param.get())) return;
    tagStack.push_back(Step{"choice", "id", branch, 0});
    currentElement(*param).element->InsertEndChild(TiXmlElement("settings"));
    tagStack.push_back(Step{"settings", "", "", 0});
}

void BackendProtocol::ParamSender::leaveBranch(const std::shared_ptr<Param>& param, const std::string&) {
    if (dynamic_cast<const ParamEnum*>(param.get())) popSteps(2);
}

void BackendProtocol::ParamSender::leaveSubParams(const std::shared_ptr<Param>& param) {
    if (dynamic_cast<const ParamGroup*>(param.get()) || dynamic_cast<const ParamEnum*>(param.get()))
        popSteps(1);
    else if (dynamic_cast<const ParamBool*>(param.get()))
        popSteps(2);
}

void BackendProtocol::ParamSender::popSteps(size_t count) {
    tagStack.resize(tagStack.size() > count ? tagStack.size() - count : 0);
}
