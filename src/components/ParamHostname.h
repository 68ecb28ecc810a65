#ifndef VN_COMPONENTS_PARAMHOSTNAME_H
#define VN_COMPONENTS_PARAMHOSTNAME_H

#include <string>

#include "Param.h"

// A host name as a domain name is, or any text holding a dotted quad of numbers.
class ParamHostname : public Param {
public:
    ParamHostname(VnComponent* owner, const std::string& id);
    ~ParamHostname() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
};

#endif
