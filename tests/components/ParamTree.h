#ifndef VN_TESTS_COMPONENTS_PARAMTREE_H
#define VN_TESTS_COMPONENTS_PARAMTREE_H

#include <memory>
#include <string>

#include <tinyxml.h>

#include "components/ParamEnum.h"
#include "components/ParamFloat.h"
#include "components/ParamInteger.h"
#include "components/ParamManager.h"
#include "components/ParamPassword.h"
#include "components/ParamPath.h"
#include "components/ParamString.h"
#include "components/SubParams.h"

namespace testutil {

// One line per setting, two blanks deeper per level, a branch as "[value]" on a line of its
// own: "id:type" and whatever the description gave it ("name=", "default=", bounds, ...).
inline void describeParam(const Param& p, const std::string& indent, std::string& out) {
    out += indent + p.getId() + ":" + p.getType();
    const auto field = [&out](const char* name, const std::string& value) {
        if (!value.empty()) out += std::string(" ") + name + "=" + value;
    };
    field("name", p.getName());
    field("desc", p.getDescription());
    field("err", p.getErrorMessage());
    if (p.hasDefaultValue()) out += " default=\"" + p.getRawDefault() + "\"";
    if (p.getBehaviour() != 0) out += " behaviour=" + std::to_string(p.getBehaviour());
    if (auto* i = dynamic_cast<const ParamInteger*>(&p)) out += " range=" + i->getMin() + ".." + i->getMax();
    if (auto* f = dynamic_cast<const ParamFloat*>(&p)) out += " range=" + f->getMin() + ".." + f->getMax();
    if (auto* s = dynamic_cast<const ParamString*>(&p))
        out += " length=" + s->getMinLength() + ".." + s->getMaxLength() + " regex=" + s->getPattern();
    if (auto* w = dynamic_cast<const ParamPassword*>(&p))
        out += " length=" + w->getMinLength() + ".." + w->getMaxLength() + " regex=" + w->getPattern() +
               " login=" + w->getValidateWithLogin();
    if (auto* path = dynamic_cast<const ParamPath*>(&p)) out += path->getMustExist() ? " exists" : " may-be-missing";
    if (auto* e = dynamic_cast<const ParamEnum*>(&p)) {
        out += " choices=";
        for (const auto& c : e->getChoices()) out += c.first + "/" + c.second + ",";
    }
    out += "\n";
    if (auto* sub = dynamic_cast<const SubParams*>(&p)) {
        for (const std::string& b : sub->getBranchValues()) {
            out += indent + "  [" + b + "]\n";
            for (const auto& child : sub->getBranch(b)) describeParam(*child, indent + "    ", out);
        }
    }
}

inline std::string describeParams(const ParamManager::ParamList& params) {
    std::string out;
    for (const auto& p : params) describeParam(*p, "", out);
    return out;
}

// A walk written down call by call, one word per call.
class TraceVisitor : public ParamManager::Visitor {
public:
    void begin() override { trace += "begin "; }
    void visit(const std::shared_ptr<Param>& p) override { trace += "visit:" + p->getId() + " "; }
    void enterSubParams(const std::shared_ptr<Param>& p) override { trace += "enter:" + p->getId() + " "; }
    void enterBranch(const std::shared_ptr<Param>& p, const std::string& b) override {
        trace += "branch:" + p->getId() + "=" + b + " ";
    }
    void leaveBranch(const std::shared_ptr<Param>& p, const std::string& b) override {
        trace += "/branch:" + p->getId() + "=" + b + " ";
    }
    void leaveSubParams(const std::shared_ptr<Param>& p) override { trace += "/enter:" + p->getId() + " "; }
    void end() override { trace += "end"; }

    std::string trace;
};

// A settings element parsed from text; the document lives as long as this.
struct SettingsXml {
    explicit SettingsXml(const std::string& xml) {
        doc.Parse(xml.c_str());
        root = doc.RootElement();
    }
    TiXmlDocument doc;
    TiXmlElement* root = nullptr;
};

}  // namespace testutil

#endif
