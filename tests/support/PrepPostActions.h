#pragma once
// PREP and POST shell actions of a component, as a build description would attach them.
#include <string>

#include "components/VnComponent.h"
#include "updates/Bootstrapper.h"

namespace testutil {

// Adds an install-time "prep" and a "post" action to the component; each runs the command that
// `commandFor` makes of its sequence name.
template <class CommandFor>
void addPrepPostActions(VnComponent& component, CommandFor commandFor) {
    for (const char* sequence : {"prep", "post"}) {
        Bootstrapper::Action_ExecCmd* action = new Bootstrapper::Action_ExecCmd;
        action->sequence = sequence;
        action->stage = Bootstrapper::stageExecute;
        action->operation = Bootstrapper::operationInstall;
        action->command = commandFor(std::string(sequence));
        component.actions.push_back(action);
    }
}

}  // namespace testutil
