#ifndef VN_BENCH_GENERATEDCATALOGUE_H
#define VN_BENCH_GENERATEDCATALOGUE_H

// One generated product with one selected release and one build, for the benchmarks that
// build component trees by hand.

#include <memory>
#include <string>
#include <vector>

#include "catalogue/Build.h"
#include "catalogue/Product.h"
#include "catalogue/Release.h"
#include "components/ComponentManager.h"
#include "components/VnComponent.h"

struct GeneratedCatalogue {
    GeneratedCatalogue() {
        product = std::make_shared<Product>("gen", "Generated", std::vector<std::vector<std::string>>{{"gen-base"}});
        release = std::make_shared<Release>(product, "gen-1.0", "Generated 1.0", "1.0", "1.0");
        build = std::make_shared<Build>(release, "Linux", "Debian", "12", "x86_64", "", "", "b.inf3", "");
        release->addBuild(build);
        release->selected = true;
    }
    // A component of the build, made in the manager's arena, with the status given.
    std::shared_ptr<VnComponent> component(ComponentManager& manager, const std::string& name, int status) const {
        auto c = manager.arena()->make(build, name, name + " description", "", std::vector<std::vector<std::string>>{});
        c->setStatus(status);
        return c;
    }
    std::shared_ptr<Product> product;
    std::shared_ptr<Release> release;
    std::shared_ptr<Build> build;
};

#endif
