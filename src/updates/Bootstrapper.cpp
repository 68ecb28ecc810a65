#include "Bootstrapper.h"

#include <algorithm>
#include <memory>
#include <ostream>

#include "../common/Log.h"
#include "../common/exec_cmd.h"
#include "../common/tinybind.h"
#include "../common/utils.h"
#include "../components/ComponentManager.h"
#include "../components/VnComponent.h"

namespace {

// An optional attribute: its value when present, empty ones included, else `absent`.
std::string attributeOr(const tinybind::Element& element, const char* name, const char* absent) {
    const std::string* value = element.element->Attribute(std::string(name));
    return value ? *value : std::string(absent);
}

// Collects the matching actions of the selected components of one walk.
class SequenceGetter : public ComponentManager::Visitor {
public:
    SequenceGetter(const Bootstrapper::SequenceMatch& match, Bootstrapper::ActionList& out) : match(match), out(out) {}

    void visit(VnComponent* component) override {
        if (!component->isSelected() || component->actions.empty()) return;
        // Only installing runs actions; the copy keeps it for the rest of the walk.
        match.operation = Bootstrapper::operationInstall;
        Log(3) << component->name << ": get component specific actions for " << match.sequence << "/" << match.stage
               << "/" << match.operation << std::endl;
        for (const Bootstrapper::Action* action : component->actions)
            if (match.matches(*action)) out.push_back(action);
    }

private:
    Bootstrapper::SequenceMatch match;
    Bootstrapper::ActionList& out;
};

}  // namespace

bool Bootstrapper::Action_ExecCmd::execute() const {
    Log(3) << " Execute action command: " << command << std::endl;
    // A shell command line by design: the description's author writes it as it must run.
    return executeCommand(command.c_str(), true, false) == 0;
}

bool Bootstrapper::SequenceMatch::matches(const Action& action) const {
    return action.sequence == sequence && action.stage == stage && action.operation == operation;
}

void Bootstrapper::parseActions(ActionList& list, const tinybind::Element& bootstrapper) {
    for (tinybind::Element element : bootstrapper.children("action")) {
        std::unique_ptr<Action_ExecCmd> action(new Action_ExecCmd);
        action->sequence = element.requiredAttribute("sequence");
        action->stage = attributeOr(element, "stage", stageExecute);
        const std::string* order = element.element->Attribute(std::string("sequence-order"));
        action->sequenceOrder = order ? stringToInt(*order) : 0;
        action->operation = attributeOr(element, "operation", operationInstall);
        action->command = element.requiredAttribute("exec-cmd");

        Log(3) << " add action sequence: " << action->sequence << ", sequence_order:" << action->sequenceOrder
               << ", operation:" << action->operation << ", stage:" << action->stage
               << ", exec_cmd: " << action->command << std::endl;
        list.push_back(action.get());
        action.release();
    }
}

void Bootstrapper::getActionsSequence(const ComponentManager& manager, const SequenceMatch& match, ActionList& list) {
    SequenceGetter getter(match, list);
    manager.visit(getter);
    // Stable: actions of one order run in walk order, the same in every run.
    std::stable_sort(list.begin(), list.end(),
                     [](const Action* a, const Action* b) { return a->sequenceOrder < b->sequenceOrder; });
}

bool Bootstrapper::executeActions(const ActionList& list) {
    for (const Action* action : list)
        if (!action->execute()) return false;
    return true;
}

bool Bootstrapper::runStage(const ComponentManager& manager, const std::string& sequence) {
    SequenceMatch match{sequence, stageExecute, ""};
    ActionList list;
    getActionsSequence(manager, match, list);
    const bool ok = executeActions(list);

    // A failing commit or rollback action ends only its own pass: the command's output in the
    // log tells of it, and the result stays the execute pass's.
    match.stage = ok ? stageCommit : stageRollback;
    list.clear();
    getActionsSequence(manager, match, list);
    executeActions(list);
    return ok;
}
