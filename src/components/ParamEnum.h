#ifndef VN_COMPONENTS_PARAMENUM_H
#define VN_COMPONENTS_PARAMENUM_H

#include <string>
#include <utility>
#include <vector>

#include "SubParams.h"

// A choice among ids; the sub-settings of a choice sit in the branch of its id.
class ParamEnum : public SubParams {
public:
    // (choice id, display name), in description order.
    typedef std::vector<std::pair<std::string, std::string>> Choices;

    ParamEnum(VnComponent* owner, const std::string& id);
    ~ParamEnum() override;

    std::string getType() const override;
    // One of the choice ids, byte for byte; without choices nothing is accepted.
    bool validate(const std::string& text) override;

    // Replaces the choices with a copy of `list`.
    void setChoices(const Choices& list);
    const Choices& getChoices() const { return choices; }

private:
    Choices choices;
};

#endif
