#ifndef VN_PACKAGES_COMPONENT_H
#define VN_PACKAGES_COMPONENT_H

#include <set>
#include <string>
#include <vector>

#include "../updates/Bootstrapper.h"

class Package;

// The plain record of one component as a build description states it: the unit a user
// selects. It owns its strings and lists and the bootstrap actions of its list, not the
// packages (the repository owns them).
class Component {
public:
    Component(const std::string& name, const std::string& description, const std::string& environment,
              const std::vector<std::vector<std::string>>& keyPackages);
    // From a description line: the name up to the first blank, the description after it.
    // No name is "err_bad_component" (1,1,1,1).
    explicit Component(const char* text);
    // Frees the actions: the run's components live in its arena, so an action lives exactly
    // as long as the component that lists it.
    ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Whether the first package is of that kind (or derives from it); a null first entry is
    // false. Without packages "err_empty_comp" (1,1,1,3) naming the component.
    bool isRPM() const;
    bool isStd() const;
    bool isPkg() const;
    bool isDeb() const;

    // Described by a "component_1" element; reports write the element name back so.
    bool component1;
    // Skipped by "select all" and by the choice of a radio group's member.
    bool legacy;
    std::vector<Package*> packages;
    std::vector<Package*> bootstrapperPackages;
    // Owned: only Bootstrapper::parseActions puts actions here. Lists collected from it for a
    // run (Bootstrapper::getActionsSequence) own nothing.
    std::vector<const Bootstrapper::Action*> actions;
    // Held for the component tree; nothing in the record uses them.
    std::vector<const void*> reservedPointers;
    std::vector<std::string> hardwiredWith;
    std::vector<std::string> requires;
    std::set<std::string> reservedNames;
    std::vector<std::string> expackages;
    std::vector<std::string> rmpackages;
    std::string name;
    std::string description;
    // "" for any environment, else a named one such as "dedicated".
    std::string environment;
    // Each inner list holds alternative names; the installed state is detected through them.
    std::vector<std::vector<std::string>> keyPackages;
    // Container template names.
    std::vector<std::string> templates;

private:
    // The first package, after the emptiness check.
    const Package* firstPackage() const;
};

#endif
