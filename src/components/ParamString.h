#ifndef VN_COMPONENTS_PARAMSTRING_H
#define VN_COMPONENTS_PARAMSTRING_H

#include <string>

#include "Param.h"

// A text within byte-length bounds, matching the description's pattern when it gives one
// (a search: only "^...$" constrains the whole line). Bounds and pattern are kept as written
// ("" for none) and read at each validation; a bad bound or pattern refuses every text.
class ParamString : public Param {
public:
    ParamString(VnComponent* owner, const std::string& id, const std::string& minLength, const std::string& maxLength,
                const std::string& pattern);
    ~ParamString() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;

    const std::string& getMinLength() const { return minLength; }
    const std::string& getMaxLength() const { return maxLength; }
    const std::string& getPattern() const { return pattern; }

private:
    std::string minLength;
    std::string maxLength;
    std::string pattern;
};

#endif
