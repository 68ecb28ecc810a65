#ifndef VN_REPORTING_PACKAGESREPORTER_H
#define VN_REPORTING_PACKAGESREPORTER_H

#include <vector>

#include "../common/checked_pointer"
#include "../main/Reporter.h"

class Package;
class Repository;

// One line of the packages report: a package and what the installation does with it.
struct pkgentry {
    enum { install = 0, upgrade = 1, remove = 2 };
    // Logs the entry at level 3.
    pkgentry(const Package* package, int action);
    const Package* package;
    int action;
};

// What installing a resolved install list would do ("--show-packages", and the console
// wizard's packages page): the packages to install, to upgrade, and the installed packages
// that a listed package obsoletes and so removes.
class PackagesReporter : public Reporter {
public:
    // Neither is owned. `repository` holds the installed packages too; a null one is reported
    // when put() reads it.
    PackagesReporter(const std::vector<const Package*>* list, Repository* repository);
    ~PackagesReporter() override;

    // The report as text, or as XML when Reporter::xmlOutput is set. The XML is written only
    // at the end, so an error leaves the stream untouched; text lines written before an error
    // stay.
    std::ostream& put(std::ostream& out) override;
    // The text form, whatever Reporter::xmlOutput says (the console wizard's pager shows it).
    std::ostream& putText(std::ostream& out);

    // The entries in report order: installs, upgrades, removals, each by name; equal entries
    // keep the order in which they were made.
    std::vector<pkgentry> entries();

private:
    std::ostream& putText(std::ostream& out, const std::vector<pkgentry>& sorted);
    std::ostream& putXmlReport(std::ostream& out, const std::vector<pkgentry>& sorted);

    checked_pointer<const std::vector<const Package*>> list;
    checked_pointer<Repository> repository;
};

#endif
