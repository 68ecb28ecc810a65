#ifndef VN_TESTS_COMPONENTS_BUILDLOADING_H
#define VN_TESTS_COMPONENTS_BUILDLOADING_H

#include <memory>
#include <string>

#include "catalogue/BuildManager.h"
#include "catalogue/ProductInf3FileGuard.h"
#include "common/error.h"
#include "components/BuildLoader.h"
#include "components/ComponentManager.h"
#include "components/Param.h"
#include "components/ParamManager.h"
#include "components/SourceManager.h"
#include "components/VnComponent.h"
#include "components/VnGroup.h"
#include "sources/FileFetcher.h"
#include "updates/MicroUpdateManager.h"

namespace testutil {

// The holders a driver keeps around a load of the catalogue at `root` (a directory or an
// http:// location), downloading into `target`.
struct LoadRun {
    LoadRun(Repository& repo, const std::string& root, const std::string& target)
        : fetcher(root + (!root.empty() && root.back() == '/' ? "" : "/") + "products.inf3", target),
          sources(repo) {
        fetcher.quiet = true;
    }

    std::unique_ptr<BuildLoader> loader(Repository& repo) {
        return std::make_unique<BuildLoader>(&repo, &components, &fetcher, &sources, &params, &patches, &guards);
    }

    // Loads the builds of the catalogue's selected releases into this run, as a driver does,
    // then reads the installed state of every component from `repo`.
    void loadSelected(BuildManager& catalogue, Repository& repo) {
        {
            auto l = loader(repo);
            catalogue.visit(*l);
            l->commit();
        }
        ComponentManager::CheckInstalled check(&repo, nullptr);
        components.visit(check);
    }

    ComponentManager components;
    FileFetcher fetcher;
    ParamManager params;
    MicroUpdateManager patches{&fetcher, &components};
    BuildLoader::GuardList guards;
    SourceManager sources;
};

// The top level of a tree: component names, group descriptions in brackets, each followed by
// " ". Nothing asks for the installed state, which a sub-group's display name shows.
inline std::string nodeNames(const ComponentManager::NodeList& nodes) {
    std::string out;
    for (const auto& node : nodes) {
        if (auto component = std::dynamic_pointer_cast<VnComponent>(node))
            out += component->name;
        else if (auto group = std::dynamic_pointer_cast<VnGroup>(node))
            out += "[" + group->description + "]";
        else
            out += "?";
        out += " ";
    }
    return out;
}

// The first setting of that id in walk order; none is an error.
inline std::shared_ptr<Param> findSetting(ParamManager& params, const std::string& id) {
    struct Finder : ParamManager::Visitor {
        void visit(const std::shared_ptr<Param>& p) override {
            if (!found && p->getId() == id) found = p;
        }
        std::string id;
        std::shared_ptr<Param> found;
    } finder;
    finder.id = id;
    params.visit(finder, nullptr, false);
    if (!finder.found) throw error(3, 1, 1, 3) << "no setting " << id;
    return finder.found;
}

}  // namespace testutil

#endif
