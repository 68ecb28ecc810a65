#ifndef VN_TESTS_COMPONENTS_TREECATALOGUE_H
#define VN_TESTS_COMPONENTS_TREECATALOGUE_H

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "components/ComponentArena.h"
#include "components/VnComponent.h"
#include "components/VnRadioGroup.h"
#include "components/VnSubGroup.h"

namespace testutil {

// An address as the log writes a pointer.
inline std::string address(const void* p) {
    std::ostringstream s;
    s << p;
    return s.str();
}

// One product with one release and one build of it, as the catalogue reader makes them, and
// components of that build for the tests of the component tree. The build is for a Debian
// host unless the caller names the system.
struct TreeCatalogue {
    explicit TreeCatalogue(const std::string& productId, const std::string& version = "1.0",
                           const std::vector<std::string>& host = {"Linux", "Debian", "12", "x86_64"}) {
        product = std::make_shared<Product>(productId, productId,
                                            std::vector<std::vector<std::string>>{{productId + "-base"}});
        release = std::make_shared<Release>(product, productId + "-" + version, "", version, "1.0");
        build = std::make_shared<Build>(release, host.at(0), host.at(1), host.at(2), host.at(3), "", "", "b.inf3", "");
        release->addBuild(build);
    }

    // Described as name + " description"; status 0 leaves it undetected.
    std::shared_ptr<VnComponent> component(const std::string& name, int status = 0,
                                           const std::string& environment = "") const {
        auto c = std::make_shared<VnComponent>(build, name, name + " description", environment,
                                               std::vector<std::vector<std::string>>{});
        c->setStatus(status);
        return c;
    }

    // The same, made by `arena` as build loading makes them.
    std::shared_ptr<VnComponent> component(ComponentArena& arena, const std::string& name, int status = 0) const {
        auto c = arena.make(build, name, name + " description", "", std::vector<std::vector<std::string>>{});
        c->setStatus(status);
        return c;
    }

    // A radio group of this release holding `members`, the default one named.
    std::shared_ptr<VnRadioGroup> radioGroup(const std::string& name,
                                             const std::vector<std::shared_ptr<VnComponent>>& members,
                                             const std::string& defaultMember = "") const {
        auto g = std::make_shared<VnRadioGroup>(name, name + " group", release);
        g->defaultMemberName = defaultMember;
        for (const std::shared_ptr<VnComponent>& m : members) g->addMember(m.get());
        return g;
    }

    std::shared_ptr<VnSubGroup> subGroup(const std::string& name,
                                         const std::vector<std::shared_ptr<VnCompNode>>& children) const {
        auto g = std::make_shared<VnSubGroup>(name, name + " section", release);
        g->children = children;
        return g;
    }

    std::shared_ptr<Product> product;
    std::shared_ptr<Release> release;
    std::shared_ptr<Build> build;
};

}  // namespace testutil

#endif
