#include "BuildInfFile.h"

#include <climits>
#include <cstdint>

#include <sys/stat.h>

#include <boost/format.hpp>
#include <tinyxml.h>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/tinybind.h"
#include "../packages/Package.h"
#include "../updates/SelfUpgrade.h"

namespace {

const char* const sourceName = "BuildInfFile";
const int lineEmptyTypeComponent = 372;
const int lineTypeWithoutComponents = 378;

// "err_missing_attr" names the attribute only: neither the element nor its place.
std::string required(const TiXmlElement& element, const char* name) {
    const char* value = element.Attribute(name);
    if (!value) throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_missing_attr")) % name;
    return value;
}

std::string optional(const TiXmlElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value ? value : "";
}

// The element's single text node, never empty-handed: none, or several, is the XML access
// layer's error.
std::string textOf(TiXmlElement& element) { return tinybind::text(tinybind::Element(&element), false); }

// Each child named `name`, in document order.
template <class F>
void forEachChild(TiXmlElement& parent, const char* name, F f) {
    for (TiXmlElement* child = parent.FirstChildElement(name); child; child = child->NextSiblingElement(name))
        f(*child);
}

// The value of the element's first text node; false when it has none.
bool firstText(const TiXmlElement& element, std::string& text) {
    for (const TiXmlNode* node = element.FirstChild(); node; node = node->NextSibling()) {
        if (const TiXmlText* t = node->ToText()) {
            text = t->ValueStr();
            return true;
        }
    }
    return false;
}

std::shared_ptr<TiXmlElement> copyOf(const TiXmlElement& element) {
    return std::shared_ptr<TiXmlElement>(element.Clone()->ToElement());
}

// The size of a "directory_use" value in KiB: its leading decimal number of megabytes, found
// as scanf's "%d" finds it (white space and a sign first, anything after the digits left
// alone), times 1024. False when the text does not begin with a number, or when the size
// does not fit 64 bits.
bool megabytesToKib(const std::string& text, int64_t& kib) {
    const int64_t limit = INT64_MAX / 1024;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    int64_t megabytes = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        megabytes = megabytes * 10 + (text[i] - '0');
        if (megabytes > limit) return false;
    }
    kib = (negative ? -megabytes : megabytes) * 1024;
    return true;
}

// Fills one description. Until the whole file is read, the packages made so far belong to
// the reader, so a load that fails takes them along.
class Reader {
public:
    Reader(BuildInfFile& out, const std::string& path) : out(out), path(path) {}

    void read();

private:
    void readProduct(TiXmlElement& root);
    void readSections(TiXmlElement& root);
    void readComponent(TiXmlElement& element);
    void readInclude(TiXmlElement& element);
    void readInstallationTypes(TiXmlElement& root);
    std::vector<BuildInfFile::group_t> readGroups(TiXmlElement& parent, int depth);
    void readDiskSpace(TiXmlElement& root);
    void readUpdates(TiXmlElement& root);
    void readThirdparty(TiXmlElement& root);
    void readNames(TiXmlElement& root, const char* section, bool nameRequired, std::vector<std::string>& names,
                   const char* absent);
    void readPorts(TiXmlElement& root);

    Package* package(const TiXmlElement& element, char type);
    void discard(const std::vector<Package*>& packages);

    BuildInfFile& out;
    const std::string& path;
    std::vector<std::unique_ptr<Package>> made;
};

void Reader::read() {
    if (path.empty()) throw error(1, 1, 1, 3) << Messages::getMessage("err_inf_fname");
    Log(3) << "Load and parse component list from " + path << std::endl;

    // TinyXML takes a directory for a file of the length that ftell gives it, and fails to
    // allocate that much.
    struct stat status;
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_config_parse")) % path %
                                       "Failed to open file: it is a directory";
    TiXmlDocument document;
    if (!document.LoadFile(path))
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_config_parse")) % path %
                                       document.ErrorDesc();
    TiXmlElement* root = document.FirstChildElement();
    if (!root) throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_inf3_root")) % path;
    // Before the name: a description of a newer format asks for a newer installer first.
    SelfUpgrade::check_required_VN_version(*root);
    if (root->ValueStr() != "build")
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_binf3_build")) % path;

    out.os_name = required(*root, "os_name");
    out.os_vendor = required(*root, "os_vendor");
    out.os_version = required(*root, "os_version");
    out.os_arch = required(*root, "os_arch");
    out.environment = required(*root, "environment");
    out.os_release_name = optional(*root, "os_release_name");
    out.kv_template_prefix = optional(*root, "kv-template-prefix");
    out.kv_template_suffix = optional(*root, "kv-template-suffix");
    out.deprecated = optional(*root, "deprecated");
    out.repodata = optional(*root, "repodata") == "yes";

    readProduct(*root);

    out.build_dir = required(*root, "build_dir");
    out.headers_file = optional(*root, "headers_file");

    try {
        readSections(*root);
    } catch (error& e) {
        e << ". Error while parse " << path;
        throw;
    }

    out.apt_repository = optional(*root, "apt_repository");
    out.apt_source = optional(*root, "apt_source");
    if (out.os_vendor == "FreeBSD") readPorts(*root);

    // Complete: the packages go with the record to whoever registers them.
    for (std::unique_ptr<Package>& p : made) p.release();
}

// Optional as a whole: a failure here is a warning, and what was read before it stays.
void Reader::readProduct(TiXmlElement& root) {
    try {
        tinybind::Element product = tinybind::Element(&root).requiredChild("product");
        out.product_id = optional(*product.element, "id");
        forEachChild(*product.element, "keypackages", [this](TiXmlElement& keypackages) {
            std::vector<std::string> names;
            forEachChild(keypackages, "keypackage", [&names](TiXmlElement& k) { names.push_back(textOf(k)); });
            out.product_keypackages.push_back(names);
            forEachChild(keypackages, "upgrade_code", [this](TiXmlElement& c) { out.upgrade_codes.push_back(textOf(c)); });
            forEachChild(keypackages, "product_code", [this](TiXmlElement& c) { out.product_codes.push_back(textOf(c)); });
        });
        TiXmlElement& release = *product.requiredChild("release").element;
        out.release_id = optional(release, "id");
        out.release_name = optional(release, "name");
        out.release_version = optional(release, "version");
        out.upgrade_allowed_from = optional(release, "upgrade_allowed_from");
        out.parameters_file = optional(release, "parameters_file");
    } catch (const error& e) {
        Log(1) << "Warning: There is some error during read optional config section 'product': " + e.text()
               << std::endl;
    } catch (const tinybind::err& e) {
        Log(1) << "Warning: There is some error during read optional config section 'product': " + e.message
               << std::endl;
    }
}

void Reader::readSections(TiXmlElement& root) {
    for (TiXmlElement* child = root.FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::string& name = child->ValueStr();
        if (name == "component" || name == "component_1")
            readComponent(*child);
        else if (name == "include")
            readInclude(*child);
    }
    if (out.components.empty())
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_binf3_comps")) % out.config;

    readInstallationTypes(root);
    if (TiXmlElement* groups = root.FirstChildElement("component_groups")) out.groups = readGroups(*groups, 1);
    readDiskSpace(root);
    readUpdates(root);
    readThirdparty(root);
    readNames(root, "removable_packages", true, out.removable_packages, "No removers section in this build.");
    readNames(root, "force_remove_packages", false, out.force_remove_packages,
              "No force remove packages list in this build.");
    readNames(root, "preferred_packages", true, out.preferred_packages, "No preferrers section in this build.");
}

void Reader::readComponent(TiXmlElement& element) {
    auto c = std::make_shared<BuildInfFile::component_t>();
    c->component_1 = element.ValueStr() == "component_1";
    c->legacy = optional(element, "legacy") == "true";
    c->name = required(element, "name");
    c->description = required(element, "description");
    if (c->description.empty()) c->description = c->name + " (description empty)";
    c->environment = optional(element, "environment");

    if (TiXmlElement* bootstrapper = element.FirstChildElement("bootstrapper")) {
        Log(3) << "parse bootstrapper for component " + c->name << std::endl;
        c->bootstrapper = copyOf(*bootstrapper);
        forEachChild(*bootstrapper, "package", [this, &c](TiXmlElement& p) {
            Package* made = package(p, 'b');
            c->bootstrapper_packages.push_back(made);
            Log(3) << " add package " + made->getFileName() << std::endl;
        });
    }

    forEachChild(element, "keypackages", [&c](TiXmlElement& keypackages) {
        std::vector<std::string> names;
        forEachChild(keypackages, "keypackage", [&names](TiXmlElement& k) { names.push_back(required(k, "name")); });
        if (names.empty())
            throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_binf3_compkey")) % c->name;
        c->keypackages.push_back(names);
    });
    if (TiXmlElement* expackages = element.FirstChildElement("expackages"))
        forEachChild(*expackages, "expackage", [&c](TiXmlElement& p) { c->expackages.push_back(optional(p, "name")); });
    if (TiXmlElement* rmpackages = element.FirstChildElement("rmpackages"))
        forEachChild(*rmpackages, "rmpackage", [&c](TiXmlElement& p) { c->rmpackages.push_back(optional(p, "name")); });
    forEachChild(element, "kvtemplate", [&c](TiXmlElement& t) { c->kvtemplates.push_back(required(t, "name")); });

    std::string text;
    forEachChild(element, "hardwired_with", [&](TiXmlElement& h) {
        if (firstText(h, text)) c->hardwired_with.push_back(text);
    });
    forEachChild(element, "requires", [&](TiXmlElement& r) {
        if (firstText(r, text)) c->requires.push_back(text);
    });

    forEachChild(element, "package", [this, &c](TiXmlElement& p) {
        c->packages.push_back(package(p, 'b'));
        if (TiXmlElement* settings = p.FirstChildElement("settings")) c->settings = copyOf(*settings);
    });

    if (TiXmlElement* portsOptions = element.FirstChildElement("comp_ports_options")) {
        forEachChild(*portsOptions, "port", [&c](TiXmlElement& port) {
            std::map<std::string, std::string> options;
            forEachChild(port, "option", [&options](TiXmlElement& o) { options[optional(o, "name")] = optional(o, "value"); });
            c->ports_options[optional(port, "name")] = options;
        });
    }

    if (c->packages.empty() && c->keypackages.empty() && c->kvtemplates.empty() && c->ports_options.empty()) {
        Log(0) << "Warning: component " + c->name + " have no build or keypackages, ignore." << std::endl;
        discard(c->bootstrapper_packages);
        return;
    }
    out.components.push_back(c);
}

void Reader::readInclude(TiXmlElement& element) {
    auto c = std::make_shared<BuildInfFile::component_t>();
    c->name = BuildInfFile::includeName;
    c->description = required(element, "config");
    out.components.push_back(c);
}

void Reader::readInstallationTypes(TiXmlElement& root) {
    TiXmlElement* types = root.FirstChildElement("installation_types");
    if (!types) return;
    forEachChild(*types, "type", [this](TiXmlElement& type) {
        BuildInfFile::insttype_t t;
        t.name = optional(type, "name");
        t.description = optional(type, "description");
        forEachChild(type, "component", [&t](TiXmlElement& c) {
            t.components.push_back(textOf(c));
            if (t.components.back().empty()) throw internalError(sourceName, lineEmptyTypeComponent);
        });
        if (t.components.empty()) throw internalError(sourceName, lineTypeWithoutComponents);
        out.installation_types.push_back(t);
    });
}

std::vector<BuildInfFile::group_t> Reader::readGroups(TiXmlElement& parent, int depth) {
    std::vector<BuildInfFile::group_t> groups;
    forEachChild(parent, "group", [&](TiXmlElement& element) {
        if (depth > BuildInfFile::maxGroupDepth)
            throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_config_parse")) % path %
                                           "component groups nested too deeply";
        BuildInfFile::group_t g;
        g.radio = optional(element, "type") == "radio";
        g.name = optional(element, "name");
        g.description = optional(element, "description");
        forEachChild(element, "component", [&g](TiXmlElement& member) {
            g.components.push_back(tinybind::Element(&member).requiredAttribute("name"));
            if (optional(member, "default") == "true") g.default_component = g.components.back();
        });
        if (TiXmlElement* rules = element.FirstChildElement("switch_rules")) {
            g.has_switch_rules = true;
            forEachChild(*rules, "allow", [&g](TiXmlElement& allow) {
                g.allowed_switches.emplace_back(optional(allow, "from"), optional(allow, "to"));
            });
        }
        g.subgroups = readGroups(element, depth + 1);
        groups.push_back(std::move(g));
    });
    return groups;
}

void Reader::readDiskSpace(TiXmlElement& root) {
    TiXmlElement* diskspace = root.FirstChildElement("diskspace");
    if (!diskspace) {
        Log(2) << "Warning: no 'diskspace' section in config" << std::endl;
        return;
    }
    forEachChild(*diskspace, "directory_use", [this](TiXmlElement& use) {
        const std::string directory = required(use, "path");
        const std::string value = required(use, "value");
        int64_t kib = 0;
        if (!megabytesToKib(value, kib)) {
            Log(1) << "Warning: disk space value '" + value + "' of directory '" + directory +
                          "' is not a usable number of megabytes, counted as 0"
                   << std::endl;
            kib = 0;
        }
        out.diskspace[directory] = kib;
    });
}

void Reader::readUpdates(TiXmlElement& root) {
    TiXmlElement* updates = root.FirstChildElement("updates");
    if (!updates) {
        Log(1) << "No updates section in this build\n";
        return;
    }
    out.updates_dir = required(*updates, "updates_dir");
    out.updates_headers_file = optional(*updates, "headers_file");
    forEachChild(*updates, "package", [this](TiXmlElement& p) {
        if (p.Attribute("file")) {
            out.update_packages.push_back(package(p, 'u'));
            return;
        }
        const std::string name = required(p, "name");
        std::map<std::string, std::string> options;
        forEachChild(p, "option", [&options](TiXmlElement& o) {
            const std::string option = required(o, "name");
            options[option] = required(o, "value");
        });
        out.update_package_options[name] = options;
    });
}

void Reader::readThirdparty(TiXmlElement& root) {
    TiXmlElement* thirdparty = root.FirstChildElement("thirdparty");
    if (!thirdparty) {
        Log(1) << "No thirdparty section in this build\n";
        return;
    }
    out.thirdparty_dir = required(*thirdparty, "thirdparty_dir");
    out.thirdparty_headers_file = optional(*thirdparty, "headers_file");
    forEachChild(*thirdparty, "package",
                 [this](TiXmlElement& p) { out.thirdparty_packages.push_back(package(p, 't')); });
}

void Reader::readNames(TiXmlElement& root, const char* section, bool nameRequired, std::vector<std::string>& names,
                       const char* absent) {
    TiXmlElement* list = root.FirstChildElement(section);
    if (!list) {
        Log(1) << absent << "\n";
        return;
    }
    forEachChild(*list, "package", [&](TiXmlElement& p) {
        names.push_back(nameRequired ? required(p, "name") : optional(p, "name"));
    });
}

void Reader::readPorts(TiXmlElement& root) {
    const std::string portsFile = optional(root, "ports_file");
    if (!portsFile.empty()) {
        out.ports_archives.push_back(portsFile);
        Log(2) << "Warning: deprecated attribute in build tag: 'ports_file'" << std::endl;
        return;
    }
    TiXmlElement* ports = root.FirstChildElement("ports");
    if (!ports) return;
    out.ports_date = optional(*ports, "freebsd-ports-date");
    forEachChild(*ports, "archive", [this](TiXmlElement& a) { out.ports_archives.push_back(optional(a, "filename")); });
    if (out.ports_archives.empty())
        throw error(1, 1, 1, 3) << boost::format(Messages::getMessage("err_ports_file")) % out.config;
}

Package* Reader::package(const TiXmlElement& element, char type) {
    made.emplace_back(Package::createFromXml(element));
    made.back()->setType(type);
    return made.back().get();
}

void Reader::discard(const std::vector<Package*>& packages) {
    for (Package* p : packages) {
        for (auto it = made.begin(); it != made.end(); ++it) {
            if (it->get() == p) {
                made.erase(it);
                break;
            }
        }
    }
}

}  // namespace

const char* const BuildInfFile::includeName = "dummy_component_name_for_include";

BuildInfFile::BuildInfFile() = default;

BuildInfFile::BuildInfFile(const std::string& path, const std::string& config) : config(config) {
    Reader(*this, path).read();
}

BuildInfFile::~BuildInfFile() = default;
