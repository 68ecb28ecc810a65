#ifndef VN_COMPONENTS_PARAMURL_H
#define VN_COMPONENTS_PARAMURL_H

#include <string>

#include "Param.h"

// An address: a scheme of word characters, "://", something, then a "/" (found anywhere in the text).
class ParamUrl : public Param {
public:
    ParamUrl(VnComponent* owner, const std::string& id);
    ~ParamUrl() override;

    std::string getType() const override;
    bool validate(const std::string& text) override;
};

#endif
