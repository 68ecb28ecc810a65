#include "PackagesReporter.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <string>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../packages/Package.h"
#include "../packages/Repository.h"
#include "../packages/Version.h"
#include "../packages/findPackageByName.h"
#include "setXmlAttribute.h"

pkgentry::pkgentry(const Package* package_, int action_) : package(package_), action(action_) {
    Log(3) << "create pkgentry " << *package << " " << action;
}

PackagesReporter::PackagesReporter(const std::vector<const Package*>* list_, Repository* repository_)
    : Reporter(reportOk, "", ""), list(list_), repository(repository_) {}

PackagesReporter::~PackagesReporter() = default;

std::vector<pkgentry> PackagesReporter::entries() {
    const std::vector<const Package*>& packages = *list;
    std::vector<pkgentry> result;
    for (const Package* p : packages) {
        // A dummy that obsoletes something only stands for the removal it causes.
        if (p->getType() == 'd' && p->getObsolete(0) != nullptr) continue;
        const bool installed = repository->getInstalledPackage(p->getName()) != nullptr;
        result.emplace_back(p, installed ? pkgentry::upgrade : pkgentry::install);
    }
    for (const Package* p : packages)
        for (const Package* old : repository->getObsoletedBy(p))
            if (old->getType() == 's' &&
                findPackageByName(packages.begin(), packages.end(), old->getName()) == packages.end())
                result.emplace_back(old, pkgentry::remove);
    // Stable, so that equal entries (one package removed by two listed ones, two arches of a
    // name) come out in list order, the same in every run.
    std::stable_sort(result.begin(), result.end(), [](const pkgentry& a, const pkgentry& b) {
        if (a.action != b.action) return a.action < b.action;
        return std::strcmp(a.package->getName(), b.package->getName()) < 0;
    });
    return result;
}

std::ostream& PackagesReporter::put(std::ostream& out) {
    const std::vector<pkgentry> sorted = entries();
    return xmlOutput ? putXmlReport(out, sorted) : putText(out, sorted);
}

std::ostream& PackagesReporter::putText(std::ostream& out) { return putText(out, entries()); }

std::ostream& PackagesReporter::putText(std::ostream& out, const std::vector<pkgentry>& sorted) {
    const std::string& none = Messages::getMessage("packages_no_reqpackages");
    if (sorted.empty()) return out << none << "\n";
    int counter = 0;
    bool kernel = false;
    for (const pkgentry& e : sorted) {
        const Package& p = *e.package;
        const char* mark = nullptr;
        if (e.action == pkgentry::remove) {
            mark = ". [R] ";
        } else if (p.getType() == 's' || p.getType() == 'b') {
            continue;
        } else if (e.action == pkgentry::upgrade) {
            mark = ". [U] ";
        } else if (p.getType() != 'd') {
            mark = ". [I] ";
        }
        // A dummy is not printed, but one that stands for a kernel still asks for the note.
        if (e.action != pkgentry::remove && p.isKernel()) kernel = true;
        if (!mark) continue;
        ++counter;
        // Three columns; a wider number is written whole.
        out << std::right << std::setw(3) << counter << mark;
        p.print(out) << "\n";
    }
    if (kernel) out << "Note: new kernel installation required" << std::endl;
    if (counter == 0) out << none << "\n";
    return out;
}

namespace {

struct Group {
    TiXmlElement element;
    unsigned installs = 0;
    unsigned upgrades = 0;
    unsigned removals = 0;
    uint64_t bytes = 0;
    explicit Group(const char* name) : element(name) {}
    void add(const TiXmlElement& package, int action, uint64_t size) {
        element.InsertEndChild(package);
        if (action == pkgentry::remove) {
            ++removals;
            return;
        }
        ++(action == pkgentry::upgrade ? upgrades : installs);
        bytes += size;
    }
};

const char* actionName(int action) {
    switch (action) {
    case pkgentry::remove:
        return "remove";
    case pkgentry::upgrade:
        return "upgrade";
    default:
        return "install";
    }
}

}  // namespace

std::ostream& PackagesReporter::putXmlReport(std::ostream& out, const std::vector<pkgentry>& sorted) {
    Group system("system_packages"), kernel("kernel_packages"), build("build_packages");
    for (const pkgentry& e : sorted) {
        const Package& p = *e.package;
        if (p.getType() == 's' && e.action != pkgentry::remove) continue;
        const uint64_t size = p.size > 0 ? static_cast<uint64_t>(p.size) : 0;
        TiXmlElement package("package");
        setXmlAttribute(package, "action", actionName(e.action));
        setXmlAttribute(package, "name", p.getName());
        const Version* version = p.getVersion();
        setXmlAttribute(package, "version", version->getVersionString());
        setXmlAttribute(package, "release", version->getRelease());
        setXmlAttribute(package, "arch", p.getArch());
        setXmlAttribute(package, "size", std::to_string(size));
        if (e.action == pkgentry::remove)
            system.add(package, e.action, size);
        else if (p.isKernel())
            // Kernel upgrades count as installations too.
            kernel.add(package, pkgentry::install, size);
        else if (p.getType() == 'b')
            build.add(package, e.action, size);
        else if (p.getType() == 'u')
            system.add(package, e.action, size);
    }
    setXmlAttribute(system.element, "install_num", std::to_string(system.installs));
    setXmlAttribute(system.element, "upgrade_num", std::to_string(system.upgrades));
    setXmlAttribute(system.element, "remove_num", std::to_string(system.removals));
    setXmlAttribute(system.element, "bytes", std::to_string(system.bytes));
    setXmlAttribute(kernel.element, "install_num", std::to_string(kernel.installs));
    setXmlAttribute(kernel.element, "bytes", std::to_string(kernel.bytes));
    setXmlAttribute(build.element, "install_num", std::to_string(build.installs));
    setXmlAttribute(build.element, "upgrade_num", std::to_string(build.upgrades));
    setXmlAttribute(build.element, "remove_num", "0");
    setXmlAttribute(build.element, "bytes", std::to_string(build.bytes));
    TiXmlElement packages("packages");
    packages.InsertEndChild(system.element);
    packages.InsertEndChild(kernel.element);
    packages.InsertEndChild(build.element);
    return putXml(out, &packages);
}
