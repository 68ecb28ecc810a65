#include "VnRadioGroup.h"

#include <algorithm>

#include "../common/Log.h"
#include "../common/error.h"
#include "VnComponent.h"

namespace {

const char* const dropLine = "DEBUG: drop_not_allowed_switches: ";

}  // namespace

VnRadioGroup::VnRadioGroup(const std::string& name, const std::string& description,
                           const std::shared_ptr<Release>& release)
    : VnGroup(name, description, release), hasSwitchRules(false) {}

VnRadioGroup::~VnRadioGroup() {
    try {
        Log(3) << "DEBUG: ~VnRadioGroup: " << name << " (" << static_cast<const void*>(this) << ")\n";
    } catch (...) {
    }
}

char VnRadioGroup::getMark() const { return hasSelected() ? '*' : ' '; }

bool VnRadioGroup::isEmpty() const { return members.empty(); }

void VnRadioGroup::addMember(VnComponent* component) {
    component->setRadioGroup(this);
    members.push_back(component);
}

void VnRadioGroup::addAllowedSwitch(const std::string& from, const std::string& to) {
    allowedSwitches.emplace_back(from, to);
}

VnComponent* VnRadioGroup::getSelected() const {
    for (VnComponent* member : members)
        if (member->isSelected()) return member;
    return nullptr;
}

bool VnRadioGroup::hasSelected() const { return getSelected() != nullptr; }

int VnRadioGroup::getCombinedStatus() const {
    if (VnComponent* selected = getSelected()) return selected->getStatus();
    if (members.empty()) return 0;
    int combined = members.front()->getStatus();
    for (auto it = members.begin() + 1; it != members.end(); ++it) {
        const int next = (*it)->getStatus();
        if (combined == 2) {
            if (next == 3) combined = 3;
        } else if (combined != 3) {
            combined = next;
        }
    }
    return combined;
}

VnComponent* VnRadioGroup::getDefaultMember() const {
    VnComponent* first = nullptr;
    for (VnComponent* member : members) {
        if (member->legacy) continue;
        if (member->name == defaultMemberName) return member;
        if (!first) first = member;
    }
    if (!first) throw internalError("VnRadioGroup", 92);
    return first;
}

VnComponent* VnRadioGroup::getCurrentMember() const {
    if (VnComponent* selected = getSelected()) return selected;
    for (auto it = members.rbegin(); it != members.rend(); ++it) {
        if ((*it)->legacy) continue;
        const int status = (*it)->getStatus();
        if (status == 2 || status == 3) return *it;
    }
    return getDefaultMember();
}

void VnRadioGroup::drop_not_allowed_switches() {
    if (!hasSwitchRules) return;

    VnComponent* installed = nullptr;
    for (VnComponent* member : members) {
        const int status = member->getStatus();
        if (status == 2 || status == 3) {
            installed = member;
            break;
        }
    }
    const std::string from = installed ? installed->name : std::string();
    // One piece: the log would write an empty one as a placeholder.
    Log(3) << dropLine << ("from=" + from) << "\n";
    if (from.empty()) return;

    // Each removal starts the pass again from the first member.
    for (bool removed = true; removed;) {
        removed = false;
        for (auto it = members.begin(); it != members.end(); ++it) {
            VnComponent* member = *it;
            if (member == installed) continue;
            Log(3) << dropLine << "to=" << member->name << "\n";
            const bool allowed =
                std::find(allowedSwitches.begin(), allowedSwitches.end(), std::make_pair(from, member->name)) !=
                allowedSwitches.end();
            Log(3) << dropLine << "allowed=" << (allowed ? "true" : "false") << "\n";
            if (allowed) continue;
            Log(3) << dropLine << "erase component " << static_cast<const void*>(member) << " " << member->name
                   << "\n";
            member->setRadioGroup(nullptr);
            members.erase(it);
            removed = true;
            break;
        }
    }
}
