#include "Component.h"

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/error.h"
#include "DebPackage.h"
#include "PkgPackage.h"
#include "RPMPackage.h"
#include "StdPackage.h"

Component::Component(const std::string& name, const std::string& description, const std::string& environment,
                     const std::vector<std::vector<std::string>>& keyPackages)
    : component1(false),
      legacy(false),
      name(name),
      description(description),
      environment(environment),
      keyPackages(keyPackages) {}

Component::Component(const char* text) : component1(false), legacy(false) {
    const std::string line = text ? text : "";
    const std::string::size_type blank = line.find(' ');
    name = line.substr(0, blank);
    if (name.empty()) throw error(1, 1, 1, 1) << Messages::getMessage("err_bad_component");
    if (blank != std::string::npos) description = line.substr(blank + 1);
    if (description.empty()) description = name + "(no description available";
}

Component::~Component() {
    for (const Bootstrapper::Action* action : actions) delete action;
}

const Package* Component::firstPackage() const {
    if (packages.empty()) throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_empty_comp")) % name;
    return packages.front();
}

bool Component::isRPM() const { return dynamic_cast<const RPMPackage*>(firstPackage()) != nullptr; }
bool Component::isStd() const { return dynamic_cast<const StdPackage*>(firstPackage()) != nullptr; }
bool Component::isPkg() const { return dynamic_cast<const PkgPackage*>(firstPackage()) != nullptr; }
bool Component::isDeb() const { return dynamic_cast<const DebPackage*>(firstPackage()) != nullptr; }
