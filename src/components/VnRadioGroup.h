#ifndef VN_COMPONENTS_VNRADIOGROUP_H
#define VN_COMPONENTS_VNRADIOGROUP_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "VnGroup.h"

class VnComponent;

// Alternative components of which at most one is selected. The group does not own its
// members: it never deletes one, neither when it drops it nor when it goes itself.
class VnRadioGroup : public VnGroup {
public:
    VnRadioGroup(const std::string& name, const std::string& description, const std::shared_ptr<Release>& release);
    // Logs its going; never throws.
    ~VnRadioGroup() override;

    // '*' while a member is selected, else ' '.
    char getMark() const override;
    bool isEmpty() const override;

    // Appends the component and points it back to this group.
    void addMember(VnComponent* component);
    void addAllowedSwitch(const std::string& from, const std::string& to);

    // The first selected member; null when none.
    VnComponent* getSelected() const;
    bool hasSelected() const;

    // The status of the group as a whole: the selected member's; else 3 when a member is up
    // to date, else 2 when one is to be upgraded, else the last member's; 0 without members.
    int getCombinedStatus() const;
    // The non-legacy member named by defaultMemberName, else the first non-legacy member;
    // an internal error when there is none.
    VnComponent* getDefaultMember() const;
    // The member that stands for the group: the selected one, else the last installed
    // non-legacy one (status 2 or 3), else the default member.
    VnComponent* getCurrentMember() const;

    // With switch rules, drops every member that the installed member (the first of status
    // 2 or 3) may not be switched to. A dropped member loses its back link and stays alive.
    void drop_not_allowed_switches();

    // In description order; not owned.
    std::vector<VnComponent*> members;
    std::string defaultMemberName;
    // (from, to) names: the switches from an installed member that the description allows.
    std::vector<std::pair<std::string, std::string>> allowedSwitches;
    // Only a group whose description states switch rules drops members.
    bool hasSwitchRules;
};

#endif
