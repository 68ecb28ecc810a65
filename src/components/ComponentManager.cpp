#include "ComponentManager.h"

#include <boost/format.hpp>
#include <cstring>
#include <set>
#include <sstream>

#include "../catalogue/Build.h"
#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "../configurators/SystemSpecificConfigurator.h"
#include "../packages/Package.h"
#include "../packages/RPMPackage.h"
#include "../packages/Repository.h"
#include "../packages/internString.h"
#include "../reporting/ProductsProgress.h"
#include "VnComponent.h"
#include "VnRadioGroup.h"
#include "VnSubGroup.h"

namespace {

const char* const sourceName = "ComponentManager";
const int lineNoBaseComponent = 78;
const int lineNotInArena = 590;
const int lineUnknownNode = 682;
const int lineUnknownSelectNode = 803;

// An address as the stream writes a pointer.
std::string addressOf(const void* p) {
    std::ostringstream text;
    text << p;
    return text.str();
}

void collectRadioGroups(const ComponentManager::NodeList& list, std::set<const VnRadioGroup*>& groups) noexcept {
    for (const std::shared_ptr<VnCompNode>& node : list) {
        if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node.get()))
            groups.insert(group);
        else if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node.get()))
            collectRadioGroups(sub->children, groups);
    }
}

}  // namespace

ComponentManager::Visitor::~Visitor() = default;

ComponentManager::ComponentManager() : components(std::make_shared<ComponentArena>()) {}

// Components keep a plain link to their radio group. The groups go with the tree, while the
// components may live on in the arena: no link may point at a group that is gone, also not
// the link of a member that left the group's list without clearing it. Only the arena's
// components are touched: they are the ones known to be alive here.
ComponentManager::~ComponentManager() {
    try {
        std::set<const VnRadioGroup*> groups;
        collectRadioGroups(nodes, groups);
        if (groups.empty()) return;
        for (const std::shared_ptr<VnComponent>& component : components->components())
            if (groups.count(component->getRadioGroup())) component->setRadioGroup(nullptr);
    } catch (...) {
        // Only the set can fail (memory); the links are then left as they are.
    }
}

void ComponentManager::visit(Visitor& visitor) const {
    // A copy: the nodes stay alive, and the loop valid, whatever the visitor does to the list.
    const NodeList list = nodes;
    for (const std::shared_ptr<VnCompNode>& node : list) visitNode(visitor, node);
}

// `node` is held by value: the node lives through its own visit even if the visitor drops
// the tree's owner meanwhile.
void ComponentManager::visitNode(Visitor& visitor, std::shared_ptr<VnCompNode> node) const {
    if (VnComponent* component = dynamic_cast<VnComponent*>(node.get())) {
        visitor.visit(component);
        return;
    }
    if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node.get())) {
        visitor.enterRadioGroup(group);
        // Read only now: entering may shrink the group.
        const std::vector<VnComponent*> members = group->members;
        for (VnComponent* member : members) visitor.visit(member);
        visitor.leaveRadioGroup(group);
        return;
    }
    if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node.get())) {
        visitor.enterSubGroup(sub);
        const NodeList children = sub->children;
        for (const std::shared_ptr<VnCompNode>& child : children) visitNode(visitor, child);
        visitor.leaveSubGroup(sub);
        return;
    }
    throw internalError(sourceName, lineUnknownNode);
}

void ComponentManager::find_and_edit(NodeList& list, VnGroup* group, VnComponent* component) {
    const VnCompNode* wanted = group;
    for (size_t i = 0; i < list.size(); ++i) {
        VnCompNode* node = list[i].get();
        if (node && node == wanted && dynamic_cast<VnGroup*>(node)) {
            if (component) {
                // The tree shares the arena's owner; a second owner made from the plain
                // pointer would free the component twice.
                std::shared_ptr<VnComponent> owner = components->ownerOf(component);
                if (!owner) throw internalError(sourceName, lineNotInArena);
                Log(3) << "DEBUG: find_and_edit: replace " + group->name + " (" + addressOf(group) + ") with " +
                              component->name + " (" + addressOf(component) + ")"
                       << "\n";
                component->setRadioGroup(nullptr);
                // The group may go here.
                list[i] = owner;
                for (size_t j = 0; j < list.size(); ++j) {
                    if (dynamic_cast<VnGroup*>(list[j].get())) {
                        std::swap(list[i], list[j]);
                        break;
                    }
                }
            } else {
                Log(3) << "DEBUG: find_and_edit: erase " + addressOf(group) << "\n";
                list.erase(list.begin() + static_cast<NodeList::difference_type>(i));
            }
            throw done();
        }
        if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node)) find_and_edit(sub->children, group, component);
    }
}

void ComponentManager::edit_components_tree_replace(VnGroup* group, VnComponent* component) {
    try {
        find_and_edit(nodes, group, component);
    } catch (const done&) {
        return;
    }
    Log(3) << "DEBUG: edit_components_tree_replace: " + addressOf(group) + " not found!\n";
}

void ComponentManager::edit_components_tree_remove(VnGroup* group) {
    try {
        find_and_edit(nodes, group, nullptr);
    } catch (const done&) {
        return;
    }
    Log(3) << "DEBUG: edit_components_tree_remove: " + addressOf(group) + " not found!\n";
}

void ComponentManager::addDiskUsage(const std::string& path, int64_t kib) { diskUsage[path] += kib; }

VnComponent* ComponentManager::getBaseComponent(const std::string& productId) {
    if (nodes.empty()) throw error(3, 1, 1, 3) << Messages::getMessage("err_binf3_nocomps2");
    if (VnComponent* component = findBaseComponent(productId)) return component;
    throw internalError(sourceName, lineNoBaseComponent);
}

VnComponent* ComponentManager::findBaseComponent(const std::string& productId) const {
    for (const std::shared_ptr<VnCompNode>& node : nodes) {
        VnComponent* component = dynamic_cast<VnComponent*>(node.get());
        if (!component) continue;
        if (!productId.empty() && component->getProductId() != productId) continue;
        if (component->name == "base") return component;
    }
    for (const std::shared_ptr<VnCompNode>& node : nodes) {
        VnComponent* component = dynamic_cast<VnComponent*>(node.get());
        if (!component) continue;
        if (productId.empty() || component->getProductId() == productId) return component;
    }
    return nullptr;
}

void ComponentManager::selectBaseComponent() {
    getBaseComponent("")->setSelected(true);
    getBaseComponent("")->forceSelect();
}

void ComponentManager::selectAll(NodeList::const_iterator first, NodeList::const_iterator last, bool select,
                                 const std::string& productId) {
    for (; first != last; ++first) {
        VnCompNode* node = first->get();
        if (!node) throw internalError(sourceName, lineUnknownSelectNode);
        if (!productId.empty() && node->getProductId() != productId) continue;

        VnComponent* target = nullptr;
        if (VnSubGroup* sub = dynamic_cast<VnSubGroup*>(node)) {
            selectAll(sub->children.begin(), sub->children.end(), select, "");
            continue;
        } else if (VnRadioGroup* group = dynamic_cast<VnRadioGroup*>(node)) {
            target = group->getCurrentMember();
        } else if (VnComponent* component = dynamic_cast<VnComponent*>(node)) {
            if (component->legacy) continue;
            target = component;
        } else {
            throw internalError(sourceName, lineUnknownSelectNode);
        }

        if (target->getStatus() == 4) continue;
        if (select || !target->isRequired()) target->setSelected(select);
    }
}

// --- What to install and remove

namespace {

// The result lists are short; the first package of a name decides, searched from the start.
bool listsName(const std::vector<const Package*>& list, const std::string& name) {
    for (const Package* p : list)
        if (name == p->getName()) return true;
    return false;
}

// Whether the installed package is of the same version as `offered` or newer.
bool sameOrNewer(const Package& installed, const Package& offered) {
    const Version& a = *installed.getVersion();
    const Version& b = *offered.getVersion();
    return a == b || a > b;
}

// Registers a scheduled package with the run's progress table, when one lives, under the
// release of the component's build.
void registerProgress(const VnComponent& component, const Package& package) {
    if (ProductsProgress* progress = ProductsProgress::instance())
        progress->add_product_package(component.getBuild()->getParent(), package.getName());
}

// The closing line of both package walks: the whole list, the caller's entries included.
void logPackageList(const char* head, const std::vector<const Package*>& list) {
    Log log(2);
    log << head;
    for (const Package* p : list) log << *p << " ";
    if (list.empty()) log << "(empty)";
    log << "\n ----------------" << "\n";
}

}  // namespace

void ComponentManager::addComponentPackages(VnComponent* component, const std::vector<Package*>& packages,
                                            Repository& repository, std::vector<const Package*>& result) {
    for (Package* p : packages) {
        Package* r = repository.findPackage(p->getName(), *p->getVersion(), p->getArch());
        if (!r) {
            Log(1) << "Package " << *p << " from inf3 file not found in build headers (hdr.gz) file.\n";
            throw error(1, 1, 1, 3) << (boost::format(Messages::getMessage("err_misheaders")) % ".inf3" % ".hdr.gz");
        }
        if (listsName(result, r->getName())) continue;

        Package* installed = repository.getInstalledPackage(r->getName());
        // A port named in the options is built again even over the same version.
        if (installed && component->getPortOptions().count(r->getFileName()) == 0 && sameOrNewer(*installed, *r)) {
            Log(1) << "  skip package '" << *r << "'" << " from component " + component->name +
                          " - there is same or newer version of this package is installed (in system "
                   << *installed << ")" << "\n";
            continue;
        }
        if (installed && dynamic_cast<const RPMPackage*>(r)) {
            const char* from = installed->getArch();
            const char* to = r->getArch();
            if (from[0] && to[0] && std::strcmp(from, to) != 0 && from[0] == 'i' && to[0] == 'i')
                Log(1) << "Warning: The package architecture will be changed during upgrade: Trying to upgrade "
                       << *installed << " to " << *r << "\n";
        }
        result.push_back(r);
        Log(3) << "  Scheduling the following package for installation: " + r->getFileName() + "\n";
        registerProgress(*component, *r);
    }
}

void ComponentManager::getPackagesToInstall(std::vector<const Package*>& result, Repository* repository,
                                            checked_pointer<SystemSpecificConfigurator> configurator) {
    class PackagesToInstall : public Visitor {
    public:
        PackagesToInstall(std::vector<const Package*>& result, Repository* repository,
                          checked_pointer<SystemSpecificConfigurator> configurator)
            : result(result), repository(repository), configurator(configurator) {}

        void visit(VnComponent* c) override {
            if (!c->isSelected()) return;
            Log(3) << "Get packages to installation from selected component " + c->name + "\n";
            addComponentPackages(c, c->packages, *repository, result);
            if (c->keyPackages.empty() || (!c->packages.empty() && c->isPkg())) return;
            // Only the first set: it names what the component stands for.
            for (const std::string& key : c->keyPackages.front()) addKeyPackage(c, key);
        }

    private:
        void addKeyPackage(VnComponent* c, const std::string& key) {
            if (listsName(result, fileops::basename(key))) return;
            Package* found = c->findKeyPackage(key, repository.get(), configurator);
            if (!found) {
                Log(1) << "Warning: key package " + key + " is not available\n";
                return;
            }
            Package* r = repository->findPackage(found->getName(), *found->getVersion(), found->getArch());
            if (!r) r = found;
            Package* installed = repository->getInstalledPackage(r->getName());
            if (installed && sameOrNewer(*installed, *r)) {
                Log(2) << "  skip  keypackage '" << *r << "'" << " from component " + c->name +
                              " - there is same or newer version of this package is installed (in system "
                       << *installed << ")" << "\n";
                return;
            }
            result.push_back(r);
            Log(3) << "  add package from keypackage to install list: " + r->getFileName() + "\n";
            registerProgress(*c, *r);
        }

        std::vector<const Package*>& result;
        checked_pointer<Repository> repository;
        checked_pointer<SystemSpecificConfigurator> configurator;
    } v(result, repository, configurator);

    Log(2) << "\nGetting packages to installation list:" << "\n";
    visit(v);
    logPackageList("Following packages will be installed: ", result);
}

void ComponentManager::getBootstrapperPackagesToInstall(std::vector<const Package*>& result,
                                                        Repository* repository) {
    class PackagesToInstall : public Visitor {
    public:
        PackagesToInstall(std::vector<const Package*>& result, Repository* repository)
            : result(result), repository(repository) {}

        void visit(VnComponent* c) override {
            if (!c->isSelected()) return;
            Log(3) << "Get bootstrapper packages to installation from selected component " + c->name + "\n";
            addComponentPackages(c, c->bootstrapperPackages, *repository, result);
        }

    private:
        std::vector<const Package*>& result;
        checked_pointer<Repository> repository;
    } v(result, repository);

    Log(2) << "\nGetting bootstrapper packages to installation list:" << "\n";
    visit(v);
    logPackageList("Following bootstrapper packages will be installed: ", result);
}

std::vector<std::string> ComponentManager::getPackagesToRemove(Repository* repository) {
    class Collector : public Visitor {
    public:
        explicit Collector(Repository* repository) : repository(repository) {}
        void visit(VnComponent* c) override {
            if (!c->isSelected()) return;
            for (const std::string& name : c->rmpackages)
                if (repository->getInstalledPackage(internString(name.c_str()))) names.push_back(name);
        }
        std::vector<std::string> names;
        checked_pointer<Repository> repository;
    } v(repository);
    visit(v);
    return v.names;
}

std::vector<std::string> ComponentManager::getKVTemplListToInstall() {
    class KVTemplListToInstall : public Visitor {
    public:
        void visit(VnComponent* c) override {
            if (c->isSelected()) names.insert(c->templates.begin(), c->templates.end());
        }
        std::set<std::string> names;
    } v;
    visit(v);
    return std::vector<std::string>(v.names.begin(), v.names.end());
}

std::vector<std::string> ComponentManager::needAlso(const std::vector<const Package*>& resolved) {
    class NeedAlso : public Visitor {
    public:
        explicit NeedAlso(const std::vector<const Package*>& resolved) : resolved(resolved) {}
        void visit(VnComponent* c) override {
            for (const Package* p : c->packages) {
                if (c->isSelected())
                    selectedNames.insert(p->getName());
                else
                    owners[p->getName()] = c->name;
            }
        }
        const std::vector<const Package*>& resolved;
        std::set<std::string> selectedNames;
        std::map<std::string, std::string> owners;
    } v(resolved);
    visit(v);

    std::set<std::string> components;
    std::string noted;
    for (const Package* p : v.resolved) {
        if (p->getType() != 'b' || v.selectedNames.count(p->getName())) continue;
        auto owner = v.owners.find(p->getName());
        if (owner == v.owners.end()) continue;
        noted += std::string(" '") + p->getName() + "'";
        components.insert(owner->second);
    }
    Log(2) << "The following packages will be installed because they are required by the packages you selected "
              "for installation: " + noted
           << "\n";
    return std::vector<std::string>(components.begin(), components.end());
}

void ComponentManager::checkDiskSpace() {
    for (const std::pair<const std::string, int64_t>& use : diskUsage) {
        const std::string& directory = use.first;
        // A directory that cannot be made is measured all the same: it then counts 0 free,
        // and the shortage is reported like any other.
        try {
            fileops::create_directory(directory);
        } catch (const error& e) {
            Log(0) << e.text();
        }
        const uint64_t freeKib = getFreeSpace(directory);
        if (use.second <= 0 || freeKib >= static_cast<uint64_t>(use.second)) continue;
        const int64_t megabytes = use.second / 1024 - static_cast<int64_t>(freeKib / 1024);
        Log(0) << (boost::format(Messages::getMessage("err_no_diskspace")) % directory % megabytes).str();
        Log(0) << "\n";
    }
}
