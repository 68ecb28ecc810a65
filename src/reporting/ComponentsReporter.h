#ifndef VN_REPORTING_COMPONENTSREPORTER_H
#define VN_REPORTING_COMPONENTSREPORTER_H

#include <memory>
#include <ostream>
#include <string>

#include "../common/checked_pointer"
#include "../components/ParamManager.h"
#include "../main/Reporter.h"

class BuildManager;
class ComponentManager;
class Param;
class VnComponent;

// The components of the loaded builds ("--show-components"): one line per component, each
// followed by its settings with "--show-options"; in XML, the selected releases with their
// components, what installing each would do and what each depends on.
class ComponentsReporter : public Reporter {
public:
    // The settings of one component, as indented text lines: each setting with its choices
    // and its value, and below a branching setting the settings of its branches, two columns
    // deeper per level.
    class OptionsPrinter : public ParamManager::Visitor {
    public:
        OptionsPrinter(VnComponent* component, std::ostream& out);
        // Prints a setting of the component. Meeting a setting of another component ends the
        // component's part: the branches below are not announced.
        void visit(const std::shared_ptr<Param>& param) override;
        void enterBranch(const std::shared_ptr<Param>& param, const std::string& branch) override;
        void leaveBranch(const std::shared_ptr<Param>& param, const std::string& branch) override;
        // "Current: " and the value when set, "Default: " and the default when there is one,
        // nothing otherwise. Yes/no for a boolean, stars for a password.
        void printValue(const Param& param);

        int getIndent() const { return indent; }
        bool isInComponent() const { return inComponent; }

    private:
        // Not owned.
        VnComponent* component;
        std::ostream& out;
        // Blanks before a setting line.
        int indent;
        // The setting visited last belongs to the component.
        bool inComponent;
    };

    // None of the three is owned; a null one is reported when put() reads it.
    ComponentsReporter(BuildManager* catalogue, ComponentManager* components, ParamManager* settings);
    ~ComponentsReporter() override;

    // XML is built whole before anything is written: a failure leaves the stream untouched.
    // Text goes out line by line: what was written before a failure stays.
    std::ostream& put(std::ostream& out) override;

private:
    checked_pointer<BuildManager> catalogue;
    checked_pointer<ComponentManager> components;
    checked_pointer<ParamManager> settings;
};

#endif
