#include "ComponentsReporter.h"

#include <tinyxml.h>

#include <iomanip>
#include <string>

#include "../catalogue/Build.h"
#include "../catalogue/BuildManager.h"
#include "../catalogue/Release.h"
#include "../common/error.h"
#include "../components/ComponentManager.h"
#include "../components/Param.h"
#include "../components/ParamBool.h"
#include "../components/ParamEnum.h"
#include "../components/ParamGroup.h"
#include "../components/ParamHidden.h"
#include "../components/ParamPassword.h"
#include "../components/VnComponent.h"
#include "../main/Options.h"
#include "setXmlAttribute.h"

namespace {

// Names of this file and its line in internal errors; they stay fixed from build to build.
const char* const sourceName = "ComponentsReporter.cpp";
const int lineBadBoolValue = 77;

std::string blanks(int count) { return std::string(count > 0 ? static_cast<size_t>(count) : 0, ' '); }

bool isGroup(const Param& param) { return param.getId() == ParamGroup::groupId; }

}  // namespace

ComponentsReporter::OptionsPrinter::OptionsPrinter(VnComponent* component_, std::ostream& out_)
    : component(component_), out(out_), indent(4), inComponent(false) {}

void ComponentsReporter::OptionsPrinter::visit(const std::shared_ptr<Param>& param) {
    const checked_pointer<VnComponent>& owner = param->getComponents().front();
    if (owner.checked() != checked_pointer<VnComponent>(component).checked()) {
        inComponent = false;
        return;
    }
    inComponent = true;
    if (isGroup(*param) || dynamic_cast<const ParamHidden*>(param.get())) return;

    out << blanks(indent) << "Option: " << param->getId() << " - " << param->getDescription() << "\n";
    if (const ParamEnum* choices = dynamic_cast<const ParamEnum*>(param.get()))
        for (const auto& choice : choices->getChoices())
            out << blanks(indent) << "  " << choice.first << " - " << choice.second << "\n";
    printValue(*param);
}

void ComponentsReporter::OptionsPrinter::printValue(const Param& param) {
    std::string label;
    std::string value;
    if (param.isSet()) {
        label = "Current: ";
        value = param.getStoredValue();
    } else if (param.hasDefaultValue()) {
        label = "Default: ";
        value = param.getDefault();
    } else {
        return;
    }

    if (dynamic_cast<const ParamBool*>(&param)) {
        if (value == "true")
            value = "yes";
        else if (value == "false")
            value = "no";
        else
            throw internalError(sourceName, lineBadBoolValue);
    } else if (dynamic_cast<const ParamPassword*>(&param)) {
        value = std::string(value.size(), '*');
    }
    out << blanks(indent + 2) << label << value << "\n";
}

void ComponentsReporter::OptionsPrinter::enterBranch(const std::shared_ptr<Param>& param, const std::string& branch) {
    if (!inComponent) return;
    if (isGroup(*param)) {
        out << blanks(indent) << "=== " << param->getDescription() << " ===\n";
    } else {
        // A boolean has one branch, the one of "yes".
        const std::string variant = dynamic_cast<const ParamBool*>(param.get()) ? "yes" : branch;
        out << blanks(indent) << "For variant '" << variant << "' following sub-options available:\n";
    }
    indent += 2;
}

// The setting visited last decides: the branch's own settings, or the branching setting
// itself when the branch holds none of the component's.
void ComponentsReporter::OptionsPrinter::leaveBranch(const std::shared_ptr<Param>&, const std::string&) {
    if (inComponent) indent -= 2;
}

namespace {

// One text line per component the walk reaches (radio-group members and sub-group children
// included; groups themselves write nothing), with its settings when they are asked for.
class TextComponentsReporter : public ComponentManager::Visitor {
public:
    TextComponentsReporter(std::ostream& out, ParamManager& settings) : out(out), settings(settings) {}

    void visit(VnComponent* component) override {
        const std::string status = component->getStatusName();
        // The left alignment stays set on the stream, as it always has.
        out << "  " << std::left << std::setw(18) << component->name << "[" << status << "]"
            << " - " << component->description << "\n";
        if (Options::instance().showOptions) {
            ComponentsReporter::OptionsPrinter printer(component, out);
            settings.visit(printer, nullptr, false);
        }
    }

private:
    std::ostream& out;
    ParamManager& settings;
};

// The components of one release as elements of its "components" element.
class CompNodeInserter : public ComponentManager::Visitor {
public:
    CompNodeInserter(TiXmlElement& target, const Release& release) : target(target), release(release) {}

    void visit(VnComponent* component) override {
        const std::shared_ptr<Release> owner = component->getBuild()->getParent();
        if (!owner || owner->id != release.id) return;

        TiXmlElement item(component->component1 ? "component_1" : "component");
        if (component->legacy) setXmlAttribute(item, "legacy", "true");
        setXmlAttribute(item, "id", component->name);
        setXmlAttribute(item, "action", component->getStatusName());
        setXmlAttribute(item, "serverbuildtime", std::to_string(component->getAvailableBuildTime()));
        setXmlAttribute(item, "localbuildtime", std::to_string(component->getInstalledBuildTime()));
        setXmlAttribute(item, "serverversion", component->getAvailableVersion());
        setXmlAttribute(item, "localversion", component->getInstalledVersion());
        setXmlAttribute(item, "kernelupdate", "false");
        if (component->isRequired()) setXmlAttribute(item, "required", "true");

        TiXmlElement description("description");
        description.InsertEndChild(TiXmlText(component->description));
        item.InsertEndChild(description);

        TiXmlElement dependencies("dependencies");
        addDependencies(dependencies, component->hardwiredWith, "hardwired");
        addDependencies(dependencies, component->requires, "required");
        item.InsertEndChild(dependencies);

        target.InsertEndChild(item);
        if (Options::instance().showOptions)
            throw error(3, 1, 1, 3) << "ComponentsReporter: --show-options with --enable-xml-output is not implemented.";
    }

private:
    static void addDependencies(TiXmlElement& list, const std::vector<std::string>& names, const char* type) {
        for (const std::string& name : names) {
            TiXmlElement dependency("dependency");
            setXmlAttribute(dependency, "id", name);
            setXmlAttribute(dependency, "type", type);
            list.InsertEndChild(dependency);
        }
    }

    TiXmlElement& target;
    const Release& release;
};

}  // namespace

ComponentsReporter::ComponentsReporter(BuildManager* catalogue_, ComponentManager* components_,
                                       ParamManager* settings_)
    : Reporter(reportOk, "", ""), catalogue(catalogue_), components(components_), settings(settings_) {}

ComponentsReporter::~ComponentsReporter() = default;

std::ostream& ComponentsReporter::put(std::ostream& out) {
    if (xmlOutput) {
        TiXmlElement list("releases");
        for (const std::shared_ptr<Release>& release : catalogue->getReleases()) {
            if (!release->selected) continue;
            TiXmlElement item("release");
            setXmlAttribute(item, "id", release->id);
            TiXmlElement description("description");
            description.InsertEndChild(TiXmlText(release->name));
            item.InsertEndChild(description);

            TiXmlElement found("components");
            CompNodeInserter inserter(found, *release);
            components->visit(inserter);
            item.InsertEndChild(found);
            list.InsertEndChild(item);
        }
        return putXml(out, &list);
    }

    ParamManager& parameters = *settings;
    const ComponentManager& tree = *components;
    TextComponentsReporter lines(out, parameters);
    tree.visit(lines);
    out.flush();
    return out;
}
