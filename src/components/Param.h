#ifndef VN_COMPONENTS_PARAM_H
#define VN_COMPONENTS_PARAM_H

#include <string>
#include <vector>

#include "../common/checked_pointer"

class VnComponent;

// One component setting: a typed value with its id, display texts, an optional default and
// the component whose setting it is. The kind decides what is accepted (validate) and how an
// accepted text is stored (assign). Parameters are held through shared handles and never
// point back at the parameter that files them.
//
// A parameter is unset and valid when made. The first accepted value sets it for good; a
// refused one only clears `valid`, the earlier value stays.
class Param {
public:
    enum Behaviour { regular = 0, secure = 1, detectable = 2 };

    Param(VnComponent* owner, const std::string& id);
    virtual ~Param();
    Param(const Param&) = delete;
    Param& operator=(const Param&) = delete;

    // The kind's type name.
    virtual std::string getType() const = 0;
    // Whether a value has been accepted; branching kinds also ask the chosen branch.
    virtual bool isSet() const;
    // Whether the kind accepts `text`. A bad value is a refusal, never an exception.
    virtual bool validate(const std::string& text) = 0;
    // Stores an accepted text.
    virtual void assign(const std::string& text);

    // Offers a text: kept in `input` whatever happens, stored only when accepted. A setting of
    // an installed component cannot change: error (3,1,1,2), and nothing changes.
    bool setValue(const std::string& text);
    // Whether an owning component is already installed (status 2 or 3).
    bool is_readonly() const;

    // The default, with text variables and references to other settings expanded afresh at
    // each call. Without a default, error (3,1,1,3).
    std::string getDefault() const;
    // The value when set, else the default when there is one, else "".
    std::string getValue() const;

    // The owners; an empty list is an internal error.
    const std::vector<checked_pointer<VnComponent>>& getComponents() const;
    // Whether an owner is not selected.
    bool hasUnselectedOwner() const;

    void setTexts(const std::string& name, const std::string& description, const std::string& errorMessage);
    void setDefault(const std::string& text);
    // Detectable settings carry a read-setting value and a lock flag; nothing uses them yet.
    void setDetectable(const std::string& readSetting, bool lock);
    void setBehaviour(int value) { behaviour = value; }

    const std::string& getId() const { return id; }
    const std::string& getName() const { return name; }
    const std::string& getDescription() const { return description; }
    const std::string& getErrorMessage() const { return errorMessage; }
    // The stored value as accepted, whether or not the parameter is set.
    const std::string& getStoredValue() const { return value; }
    // The last text offered, accepted or not.
    const std::string& getInput() const { return input; }
    // Left by the last validation of the kinds that explain a refusal (path, password).
    const std::string& getValidationMessage() const { return validationMessage; }
    // The default as written in the description, unexpanded.
    const std::string& getRawDefault() const { return defaultValue; }
    bool hasDefaultValue() const { return hasDefault; }
    // The result of the last setValue.
    bool isValid() const { return valid; }
    // Whether a value has been accepted, without asking any branch.
    bool hasOwnValue() const { return !unset; }
    int getBehaviour() const { return behaviour; }

protected:
    enum TextCheck { textAccepted, textTooShort, textTooLong, textNoMatch };
    // The length bounds and pattern of the text kinds, in this order; "" means none. Lengths
    // count bytes and compare as unsigned 32-bit numbers, as the bounds always have, so a
    // minimum of "-1" refuses everything and a maximum of "-1" nothing. The pattern is a
    // search. A bound that is not an integer or a pattern that does not compile raises error.
    static TextCheck checkText(const std::string& text, const std::string& minLength, const std::string& maxLength,
                               const std::string& pattern);

    // A text that holds a line feed or a NUL byte. Patterns work line by line and on C
    // strings, so a whole-text pattern would judge only one line (or the part before the NUL)
    // of such a text: the kinds whose rule covers the whole text refuse it outright.
    static bool holdsLineBreak(const std::string& text);

    std::string value;
    std::string input;
    std::string validationMessage;
    std::string id;
    std::string defaultValue;
    bool hasDefault;
    bool valid;
    std::vector<checked_pointer<VnComponent>> components;
    std::string name;
    std::string description;
    std::string errorMessage;
    bool unset;
    int behaviour;
};

#endif
