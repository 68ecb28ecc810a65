#include "ParamManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/format.hpp>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/Regexp.h"
#include "../common/ScopedFd.h"
#include "../common/error.h"
#include "../common/fileops.h"
#include "../common/utils.h"
#include "../catalogue/Build.h"
#include "ComponentArena.h"
#include "ComponentManager.h"
#include "ParamBool.h"
#include "ParamDomain.h"
#include "ParamEmail.h"
#include "ParamEnum.h"
#include "ParamFloat.h"
#include "ParamGroup.h"
#include "ParamHidden.h"
#include "ParamHostname.h"
#include "ParamInteger.h"
#include "ParamPassword.h"
#include "ParamPath.h"
#include "ParamStatic.h"
#include "ParamString.h"
#include "ParamUrl.h"
#include "VnComponent.h"

namespace {

// The text variables by name, process-wide. The web engine expands texts on its main thread
// while an installation thread may expand setting defaults, so the table has a lock.
std::map<std::string, std::string> textVariables;
std::mutex textVariablesMutex;

std::string localeVariable() {
    std::string locale = Messages::getLocale();
    locale = locale.substr(0, locale.find('.'));
    if (locale.size() > 3 && locale[2] == '_') locale[2] = '-';
    return locale;
}

// Values that never reach the log: secure settings and passwords.
bool isSecret(const Param& param) {
    return param.getBehaviour() == Param::secure || dynamic_cast<const ParamPassword*>(&param) != nullptr;
}

bool isTextOnly(const Param& param) {
    return dynamic_cast<const ParamStatic*>(&param) != nullptr || dynamic_cast<const ParamHidden*>(&param) != nullptr;
}

// The product of the setting's first owner (a null owner raises).
std::string productOf(const Param& param) { return param.getComponents().front()->getProductId(); }

std::string address(const void* p) {
    std::ostringstream s;
    s << p;
    return s.str();
}

// Writes every byte; 0 or the errno of the failure.
int writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

// How deep default values are being expanded on this thread, and whether a level gave up.
// Defaults refer to settings whose defaults refer to others; a cycle would never end.
const int maxDefaultDepth = 16;
thread_local int defaultDepth = 0;
thread_local bool defaultTooDeep = false;

}  // namespace

ParamManager* ParamManager::current = nullptr;

// ---- Visitor

void ParamManager::Visitor::begin() {}
void ParamManager::Visitor::enterSubParams(const std::shared_ptr<Param>&) {}
void ParamManager::Visitor::enterBranch(const std::shared_ptr<Param>&, const std::string&) {}
void ParamManager::Visitor::leaveBranch(const std::shared_ptr<Param>&, const std::string&) {}
void ParamManager::Visitor::leaveSubParams(const std::shared_ptr<Param>&) {}
void ParamManager::Visitor::end() {}
ParamManager::Visitor::~Visitor() = default;

// ---- the manager

ParamManager::ParamManager() : finished(false) { current = this; }

ParamManager::~ParamManager() {
    finish();
    if (current == this) current = nullptr;
}

void ParamManager::keepComponents(const std::shared_ptr<ComponentArena>& arena) { components = arena; }

void ParamManager::visit(Visitor& visitor, const std::shared_ptr<Param>& start, bool skipUnselected) {
    bool active = !start;
    visitor.begin();
    for (const std::shared_ptr<Param>& param : params) {
        if (skipUnselected && param->hasUnselectedOwner()) continue;
        if (param == start) active = true;
        walk(visitor, param, start, active);
    }
    visitor.end();
}

void ParamManager::walk(Visitor& visitor, const std::shared_ptr<Param>& param, const std::shared_ptr<Param>& start,
                        bool& active) {
    if (active) visitor.visit(param);
    SubParams* sub = dynamic_cast<SubParams*>(param.get());
    if (!sub) return;
    if (active) visitor.enterSubParams(param);
    // Asked after the visit: a value the visitor just set decides the branch.
    std::vector<std::string> branches = sub->getBranchValues();
    if (sub->hasOwnValue()) {
        const std::string& value = sub->getStoredValue();
        bool known = false;
        for (const std::string& b : branches) known = known || b == value;
        branches = known ? std::vector<std::string>{value} : std::vector<std::string>();
    }
    for (const std::string& branch : branches) {
        if (active) visitor.enterBranch(param, branch);
        for (const std::shared_ptr<Param>& child : sub->getBranch(branch)) {
            if (child == start) active = true;
            walk(visitor, child, start, active);
        }
        if (active) visitor.leaveBranch(param, branch);
    }
    if (active) visitor.leaveSubParams(param);
}

namespace {

// Reads the status of each selected component; an undetermined one raises.
class Processor : public ComponentManager::Visitor {
public:
    explicit Processor(ParamManager* manager) : manager(manager) {}
    void visit(VnComponent* component) override {
        if (component->isSelected()) component->getStatus();
    }

private:
    ParamManager* manager;
};

}  // namespace

void ParamManager::investigateComponentsStatus(const ComponentManager& tree) {
    Processor processor(this);
    // The walk only reads the tree; its interface is not const.
    const_cast<ComponentManager&>(tree).visit(processor);
}

int ParamManager::countConfiguredComponents() const {
    std::set<const VnComponent*> owners;
    for (const std::shared_ptr<Param>& param : params) {
        if (param->is_readonly()) continue;
        for (const checked_pointer<VnComponent>& owner : param->getComponents()) owners.insert(&*owner);
    }
    return static_cast<int>(owners.size());
}

int ParamManager::countReadyComponents() const {
    std::map<const VnComponent*, long> scores;
    for (const std::shared_ptr<Param>& param : params) {
        if (param->is_readonly()) continue;
        const long points = param->isSet() ? 1 : -100;
        for (const checked_pointer<VnComponent>& owner : param->getComponents()) scores[&*owner] += points;
    }
    int ready = 0;
    for (const auto& score : scores)
        if (score.second > 0) ++ready;
    return ready;
}

void ParamManager::expandParamReferences(std::string& text) const {
    expandTextVariables(text);
    std::string::size_type pos = 0;
    for (;;) {
        const std::string::size_type open = text.find('[', pos);
        if (open == std::string::npos) return;
        const std::string::size_type close = text.find(']', open + 1);
        if (close == std::string::npos) return;
        const std::string name = text.substr(open + 1, close - open - 1);
        const Param* found = nullptr;
        for (const std::shared_ptr<Param>& param : params) {
            if (param->getId() == name) {
                found = param.get();
                break;
            }
        }
        if (!found) {
            pos = close;
            continue;
        }
        const std::string value = found->getValue();
        text.replace(open, close - open + 1, value);
        pos = open + value.size();
    }
}

// ---- settings descriptions

void ParamManager::createFromElements(VnComponent* component, TiXmlElement* element) {
    for (TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        create(component, tinybind::Element(child), nullptr, "");
}

void ParamManager::create(VnComponent* component, const tinybind::Element& element,
                          const std::shared_ptr<Param>& parent, const std::string& branch) {
    const std::string tag = tinybind::getName(element);
    std::shared_ptr<Param> param;
    if (tag == "group") {
        param = std::make_shared<ParamGroup>(component, ParamGroup::groupId);
        param->setTexts(ParamGroup::groupName, get_localized_text_from_subnode(element, "description"),
                        ParamGroup::groupErrorMessage);
    } else if (tag == "setting") {
        param = createSetting(component, element);
    } else {
        throw error(1, 1, 1, 3) << "Unsupported tag <" << tag << "> in config.";
    }

    if (parent) {
        SubParams* owner = dynamic_cast<SubParams*>(parent.get());
        if (!owner) throw internalError("ParamManager", 233);
        owner->addBranchParam(branch, param);
    } else {
        Log(3) << "ParamManager::create: push back " << param->getId() << "\n";
        params.push_back(param);
    }

    if (!dynamic_cast<SubParams*>(param.get())) return;
    const auto isParam = [](const tinybind::Element& e) {
        const std::string name = tinybind::getName(e);
        return name == "group" || name == "setting";
    };
    const std::string type = element.attribute("type");
    if (type == "enum") {
        for (tinybind::Element choice : element.children("choice"))
            for (tinybind::Element child : choice.children(""))
                if (isParam(child)) create(component, child, param, choice.attribute("id"));
        return;
    }
    const std::string branchValue = type == "boolean" ? "true" : "";
    for (tinybind::Element child : element.children(""))
        if (isParam(child)) create(component, child, param, branchValue);
}

std::shared_ptr<Param> ParamManager::createSetting(VnComponent* component, const tinybind::Element& element) {
    if (tinybind::getName(element) != "setting") throw internalError("ParamManager", 272);
    const std::string id = element.attribute("id");
    const std::string type = element.attribute("type");
    // The pattern judges one line at a time; an id is one word of the answers file.
    if (id.find('\n') != std::string::npos || !Regexp("^[a-zA-Z0-9_-]+$").match(id))
        throw error(1, 1, 1, 3) << "ERROR: invalid '<setting id=' in config: '" << id << "'";

    const std::string name = get_localized_text_from_subnode(element, "name");
    const std::string description = get_localized_text_from_subnode(element, "description");
    const std::string errorMessage = get_localized_text_from_subnode(element, "error-message");

    const auto attr = [&element](const char* attribute) { return element.attribute(attribute); };
    std::shared_ptr<Param> param;
    if (type == "integer") {
        param = std::make_shared<ParamInteger>(component, id, attr("min"), attr("max"));
    } else if (type == "boolean") {
        param = std::make_shared<ParamBool>(component, id);
    } else if (type == "string") {
        param = std::make_shared<ParamString>(component, id, attr("min-length"), attr("max-length"), attr("regex"));
    } else if (type == "password") {
        param = std::make_shared<ParamPassword>(component, id, attr("min-length"), attr("max-length"), attr("regex"),
                                                attr("validate-with-login"));
    } else if (type == "float") {
        param = std::make_shared<ParamFloat>(component, id, attr("min"), attr("max"));
    } else if (type == "email") {
        param = std::make_shared<ParamEmail>(component, id);
    } else if (type == "domain-name") {
        param = std::make_shared<ParamDomain>(component, id);
    } else if (type == "host-name") {
        param = std::make_shared<ParamHostname>(component, id);
    } else if (type == "static-text") {
        param = std::make_shared<ParamStatic>(component, id);
    } else if (type == "hidden") {
        param = std::make_shared<ParamHidden>(component, id);
    } else if (type == "enum") {
        auto choiceParam = std::make_shared<ParamEnum>(component, id);
        ParamEnum::Choices choices;
        for (tinybind::Element choice : element.children("choice"))
            choices.emplace_back(choice.attribute("id"), get_localized_text_from_subnode(choice, "name"));
        choiceParam->setChoices(choices);
        param = choiceParam;
    } else if (type == "path") {
        param = std::make_shared<ParamPath>(component, id, tinybind::getBoolAttribute(element, "exists"));
    } else if (type == "url") {
        param = std::make_shared<ParamUrl>(component, id);
    } else {
        throw error(1, 1, 1, 3) << "Unsupported 'setting type' in config: " << type;
    }

    param->setTexts(name, description, errorMessage);

    const std::string behaviour = element.attribute("behaviour");
    if (behaviour == "secure") {
        param->setBehaviour(Param::secure);
    } else if (behaviour == "detectable") {
        param->setBehaviour(Param::detectable);
        const tinybind::Element readSetting = element.requiredChild("read-setting-value");
        param->setDetectable(readSetting.text(true), element.attribute("lock") == "true");
    } else if (!behaviour.empty() && behaviour != "regular") {
        throw error(1, 1, 1, 3) << "Unsupported attribute 'behaviour' value " << behaviour;
    }

    // Present, even empty, is a default; absent is none.
    if (const std::string* defaultValue = element.element->Attribute(std::string("default-value")))
        param->setDefault(*defaultValue);
    return param;
}

std::string ParamManager::get_localized_text_from_subnode(const tinybind::Element& element, const std::string& name) {
    std::string lang = Messages::getLocale();
    lang = lang.substr(0, lang.find('.'));
    Log(3) << "DEBUG: ParamManager::get_localized_text_from_subnode. Find for lang=" << lang << "\n";
    std::string text;
    for (tinybind::Element child : element.children(name)) {
        if (text.empty()) text = child.text();
        if (child.attribute("lang") == lang) text = child.text();
    }
    return text;
}

// ---- loading

ParamManager::ParamLoader::ParamLoader(const Values& values, int* refused) : values(values), refused(refused) {}

void ParamManager::ParamLoader::visit(const std::shared_ptr<Param>& param) {
    Log(3) << "ParamManager::ParamLoader::visit: entry\n";
    if (isTextOnly(*param)) return;
    const std::string productId = productOf(*param);
    if (productId.empty()) throw internalError("ParamManager", 363);
    const auto product = values.find(productId);
    if (product == values.end()) return;
    const auto given = product->second.find(param->getId());
    if (given == product->second.end()) return;

    const std::string shown = isSecret(*param) ? "***" : given->second;
    const std::string where = "[" + productId + "][" + param->getId() + "]=" + shown;
    if (param->is_readonly()) {
        Log(2) << "DEBUG: ParamLoader: skip of set read-only option: " << where << "\n";
        return;
    }
    Log(2) << "DEBUG: ParamLoader: set component from option: " << where << "\n";
    if (param->setValue(given->second)) return;
    std::string why = param->getErrorMessage();
    if (!param->getValidationMessage().empty()) why += " - " + param->getValidationMessage();
    Log(3) << "DEBUG: ParamLoader: Set param error: " << why << "\n";
    if (refused) ++*refused;
}

void ParamManager::loadFromOptions(const Values& componentOptions, int* refused) {
    ParamLoader loader(componentOptions, refused);
    visit(loader, nullptr, false);
}

// ---- the answers file

ParamManager::ParamFileSaver::ParamFileSaver(std::ostream& out) : out(out) {}

void ParamManager::ParamFileSaver::visit(const std::shared_ptr<Param>& param) {
    if (isTextOnly(*param) || !param->hasOwnValue() || param->getBehaviour() != Param::regular) return;
    const std::string productId = productOf(*param);
    if (productId.empty()) {
        Log(0) << "ERROR: ParamManager: param " << param->getId() << " without product ID\n";
        return;
    }
    collected[productId].push_back(param);
}

void ParamManager::ParamFileSaver::write() {
    if (collected.empty()) {
        Log(3) << "ParamManager::ParamFileSaver::~ParamFileSaver: nothing to dump\n";
        return;
    }
    for (const auto& product : collected) {
        out << "[" << product.first << "]\n";
        for (const std::shared_ptr<Param>& param : product.second)
            out << param->getId() << "=" << toJsString(param->getStoredValue()) << "\n";
        out << "\n\n\n";
    }
}

void ParamManager::writeOptionsIni() {
    const std::string dir = get_home_dir() + "/.vantrell";
    const std::string path = dir + "/options.ini";
    if (!fileops::exists(dir) && ::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        const int why = errno;
        Log(0) << "ERROR: " << boost::format(Messages::getMessage("err_mkdir")) % dir % std::strerror(why) << "\n";
        return;
    }
    if (!fileops::is_directory(dir)) {
        Log(0) << "ERROR: path " << dir << " exists, but it is not directory\n";
        return;
    }

    // A private file beside the old one, renamed over it once complete: the old answers stay
    // whole until the new ones are.
    std::string temp = path + ".XXXXXX";
    ScopedFd fd(::mkostemp(&temp[0], O_CLOEXEC));
    if (fd.fd < 0) {
        Log(0) << "ERROR: " << boost::format(Messages::getMessage("err_file_create")) % ".vantrell/options.ini" << "\n";
        return;
    }
    int why = 0;
    try {
        std::ostringstream content;
        ParamFileSaver saver(content);
        visit(saver, nullptr, true);
        saver.write();
        if (::fchmod(fd.fd, 0600) != 0) why = errno;
        if (!why) why = writeAll(fd.fd, content.str());
        if (!why && ::fsync(fd.fd) != 0) why = errno;
        if (::close(fd.release()) != 0 && !why) why = errno;
        if (!why && ::rename(temp.c_str(), path.c_str()) != 0) why = errno;
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (why) {
        ::unlink(temp.c_str());
        Log(0) << "ERROR: " << boost::format(Messages::getMessage("err_filewrite2")) % path % std::strerror(why)
               << "\n";
    }
}

// ---- exported parameters files

ParamManager::ParamFileExport::file_t::file_t(const std::string& productId, const std::string& path)
    : productId(productId), path(path), fd(-1), opened(false) {
    if (path.empty()) {
        Log(2) << "Notice: no parameters file for product " << productId << ", its settings are not exported\n";
        return;
    }
    if (path[0] != '/') fail(EINVAL);
    // Product scripts run as root read this file: never write through a link or into
    // anything but a regular file, and keep the values (passwords among them) private.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        Log(0) << "ERROR: can't rewrite non-regular file " << path << "\n";
        fail(EPERM);
    }
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) fail(errno);
    if (::fstat(fd, &st) != 0) fail(errno);
    if (!S_ISREG(st.st_mode)) {
        Log(0) << "ERROR: can't rewrite non-regular file " << path << "\n";
        fail(EPERM);
    }
    opened = true;
    if (::fchmod(fd, 0600) != 0) fail(errno);
    Log(3) << "DEBUG: ParamManager::ParamFileExport::file_t::file_t create " << address(this) << "\n";
}

ParamManager::ParamFileExport::file_t::~file_t() {
    Log(3) << "ParamManager::ParamFileExport::file_t::~file_t: o = " << address(this) << "\n";
    if (fd >= 0) ::close(fd);
}

void ParamManager::ParamFileExport::file_t::write(const std::string& line) {
    if (fd < 0) return;
    if (const int why = writeAll(fd, line)) fail(why);
}

void ParamManager::ParamFileExport::file_t::close() {
    if (fd < 0) return;
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0) fail(errno);
}

void ParamManager::ParamFileExport::file_t::fail(int reason) {
    Log(2) << "ParamManager::ParamFileExport: " << path << ": " << std::strerror(reason) << "\n";
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_file_create")) % path;
}

ParamManager::ParamFileExport::ParamFileExport() {}

ParamManager::ParamFileExport::~ParamFileExport() = default;

void ParamManager::ParamFileExport::visit(const std::shared_ptr<Param>& param) {
    if (!param->hasOwnValue()) return;
    const VnComponent& owner = *param->getComponents().front();
    const std::string productId = owner.getProductId();
    std::shared_ptr<file_t> file;
    for (const std::shared_ptr<file_t>& f : files)
        if (f->productId == productId) file = f;
    if (!file) {
        file = std::make_shared<file_t>(productId, owner.getBuild() ? owner.getBuild()->parameters_file : "");
        files.push_back(file);
    }
    const std::string quoted = toJsString(param->getStoredValue());
    Log(3) << "DEBUG: export to file param " << param->getId() << "=" << (isSecret(*param) ? "***" : quoted) << "\n";
    Log(3) << " file " << address(file.get()) << "\n";
    file->write(param->getId() + "=" + quoted + "\n");
}

void ParamManager::ParamFileExport::close() {
    for (const std::shared_ptr<file_t>& file : files) file->close();
}

std::vector<std::string> ParamManager::ParamFileExport::createdPaths() const {
    std::vector<std::string> paths;
    for (const std::shared_ptr<file_t>& file : files)
        if (file->created()) paths.push_back(file->path);
    return paths;
}

void ParamManager::exportToFiles() {
    ParamFileExport exporter;
    try {
        visit(exporter, nullptr, true);
        exporter.close();
    } catch (...) {
        // Whatever was made before the failure is still removed at the end of the run.
        exportedFiles = exporter.createdPaths();
        throw;
    }
    exportedFiles = exporter.createdPaths();
}

// ---- end of the run

void ParamManager::finish(bool writeAnswers) {
    if (finished) return;
    finished = true;
    try {
        if (writeAnswers) writeOptionsIni();
    } catch (const error& e) {
        Log(0) << e.text() << "\n";
    } catch (const std::exception& e) {
        Log(0) << "ERROR: " << e.what() << "\n";
    }
    for (const std::string& path : exportedFiles) {
        try {
            fileops::remove(path);
        } catch (const error& e) {
            Log(0) << e.text() << "\n";
        } catch (const std::exception& e) {
            Log(0) << "ERROR: " << e.what() << "\n";
        }
    }
    exportedFiles.clear();
    if (current == this) current = nullptr;
}

// ---- text expansion

int expandTextVariables(std::string& text) {
    const std::string locale = localeVariable();
    std::lock_guard<std::mutex> lock(textVariablesMutex);
    std::map<std::string, std::string>& variables = textVariables;
    variables["LOCALE"] = locale;

    std::string::size_type pos = 0;
    for (;;) {
        const std::string::size_type open = text.find('[', pos);
        if (open == std::string::npos) return 0;
        const std::string::size_type close = text.find(']', open + 1);
        if (close == std::string::npos) return -1;
        auto found = variables.find(text.substr(open + 1, close - open - 1));
        if (found == variables.end()) {
            pos = close;
            continue;
        }
        text.replace(open, close - open + 1, found->second);
        pos = open + found->second.size();
    }
}

std::string expandDefaultValue(const std::string& text) {
    const ParamManager* manager = ParamManager::current;
    if (!manager) return text;
    // Past the limit every level gives up at once, so a default that names itself twice
    // cannot multiply the work either.
    if (defaultDepth >= maxDefaultDepth || defaultTooDeep) {
        defaultTooDeep = true;
        return text;
    }
    struct Level {
        Level() {
            if (defaultDepth++ == 0) defaultTooDeep = false;
        }
        ~Level() {
            if (--defaultDepth == 0) defaultTooDeep = false;
        }
    } level;
    std::string expanded = text;
    manager->expandParamReferences(expanded);
    if (defaultDepth == 1 && defaultTooDeep) {
        Log(1) << "Warning: recursive reference in default value, left unexpanded: " << text << "\n";
        return text;
    }
    return expanded;
}
