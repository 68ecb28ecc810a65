#ifndef VN_UPDATES_BOOTSTRAPPER_H
#define VN_UPDATES_BOOTSTRAPPER_H

#include <cstdint>
#include <string>
#include <vector>

class ComponentManager;
namespace tinybind {
class Element;
}

// The shell commands that components declare around the installation of the selected
// components. The "prep" sequence runs before the packages are installed, "post" after; each
// runs its "execute" stage, then "commit" when every execute action succeeded, else
// "rollback". Build loading reads the declarations into the components' action lists; the
// installers run the sequences. No instances: a scope for the names, the action types and the
// operations. The component record includes this header, so it stays light.
class Bootstrapper {
public:
    Bootstrapper() = delete;

    // The one spelling of every name the actions use: build loading, the installers and the
    // runs compare against these.
    static constexpr const char* sequenceValidate = "validate";
    static constexpr const char* sequencePrep = "prep";
    static constexpr const char* sequencePost = "post";
    static constexpr const char* operationInstall = "install";
    static constexpr const char* operationRemove = "remove";
    static constexpr const char* stageExecute = "execute";
    static constexpr const char* stageRollback = "rollback";
    static constexpr const char* stageCommit = "commit";

    class Action {
    public:
        virtual ~Action() = default;
        // Runs the action; true on success.
        virtual bool execute() const = 0;

        std::string sequence;
        std::string stage;
        int32_t sequenceOrder = 0;
        std::string operation;
    };

    // An "action" element: a shell command line, run as written.
    class Action_ExecCmd : public Action {
    public:
        // True exactly when the command exits with status 0. The errors of executeCommand
        // (no pipe or child, the command's runner ended by a signal, a termination request)
        // pass on.
        bool execute() const override;

        std::string command;
    };

    // The names an action must carry to be collected, compared byte for byte.
    struct SequenceMatch {
        std::string sequence;
        std::string stage;
        std::string operation;

        bool matches(const Action& action) const;
    };

    // An ordered list of actions; owns none. A component owns the actions of its own list
    // (Component::actions).
    typedef std::vector<const Action*> ActionList;

    // Appends one Action_ExecCmd per direct "action" child of `bootstrapper`, in document
    // order, and logs each at level 3. "sequence" and "exec-cmd" are required
    // (tinybind::err naming row and column); an absent "stage" is "execute", an absent
    // "operation" "install", an absent "sequence-order" 0; a present value is taken as it
    // stands, empty included. A bad "sequence-order" raises "err_non_digit". On an error the
    // action being read is dropped and those appended before it stay.
    static void parseActions(ActionList& list, const tinybind::Element& bootstrapper);

    // Appends the matching actions of every selected component, in walk order, then orders
    // the whole list by sequenceOrder (equal orders keep walk order). Only operation
    // "install" is ever matched, whatever `match` says; `match` itself is not changed.
    static void getActionsSequence(const ComponentManager& manager, const SequenceMatch& match, ActionList& list);

    // Runs the actions in order; false at the first failure, and the rest do not run.
    static bool executeActions(const ActionList& list);

    // The execute pass of `sequence`, then its commit pass (all succeeded) or its rollback
    // pass; the result is the execute pass's. Each pass collects afresh from the current
    // selection. An error of a command's run leaves at once, with no further pass.
    static bool runStage(const ComponentManager& manager, const std::string& sequence);
};

#endif
