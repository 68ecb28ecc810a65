#ifndef VN_TESTS_SUPPORT_RPMFIXTURES_H
#define VN_TESTS_SUPPORT_RPMFIXTURES_H

#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace testutil {

// Path of a package that tests/fixtures/rpm/build-fixtures made (the CTest step
// "rpm.BuildFixtures", which runs before every test whose suite name begins with "Rpm").
// A missing package fails the calling test with a hint.
std::string rpmFixture(const std::string& name);

// rpm's own answer for a package file: the standard output of "rpm -qp", the arguments and
// the file (no shell).
std::string rpmQuery(const std::string& file, const std::vector<std::string>& arguments);

// A private, empty rpm database for every rpm that this process starts, and for librpm: HOME
// is a temporary directory whose .rpmmacros points %_dbpath into it. librpm reads its
// configuration once per process, so the first database of a process is the one it keeps.
// To start afresh, destroy the old object before making the new one (HOME comes back in
// the right order).
class PrivateRpmDatabase {
public:
    PrivateRpmDatabase();
    PrivateRpmDatabase(const PrivateRpmDatabase&) = delete;
    PrivateRpmDatabase& operator=(const PrivateRpmDatabase&) = delete;

    // The temporary home directory, and a name in it.
    const std::string& home() const { return dir.path(); }
    std::string operator/(const std::string& name) const { return dir / name; }

    // Registers built fixture packages as installed, without files or scriptlets
    // ("rpm -i --justdb --nodeps --replacefiles": earlier versions of a name stay).
    void registerInstalled(const std::vector<std::string>& fixtures);
    // Registers the provider of /bin/sh, which rpm requires before it runs a scriptlet.
    void registerShell() { registerInstalled({"vntest-sh.rpm"}); }
    // What the database holds, as "name-version.arch", sorted, without the /bin/sh provider.
    std::vector<std::string> installed() const;

private:
    TempDir dir;
    ScopedEnv env;
};

}  // namespace testutil

#endif
