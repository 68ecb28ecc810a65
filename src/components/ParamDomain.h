#ifndef VN_COMPONENTS_PARAMDOMAIN_H
#define VN_COMPONENTS_PARAMDOMAIN_H

#include <string>

#include "Param.h"

// A domain name: two or more dot-separated labels of letters, digits and inner '-', at most
// 255 bytes, and no reverse-lookup name.
class ParamDomain : public Param {
public:
    ParamDomain(VnComponent* owner, const std::string& id);
    ~ParamDomain() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;

    // The rule shared with host names: at most 255 bytes, not "localhost.rev", not ending in
    // ".in-addr.arpa", then the label pattern over the whole text or, when `dottedQuad`, four
    // dot-separated numbers anywhere in it.
    static bool isName(const std::string& text, bool dottedQuad);
};

#endif
