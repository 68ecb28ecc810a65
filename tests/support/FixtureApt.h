#ifndef VN_TESTS_SUPPORT_FIXTUREAPT_H
#define VN_TESTS_SUPPORT_FIXTUREAPT_H

#include <string>

namespace testutil {

// Where tests/fixtures/apt/build-repo built the apt repository of the run (fixture
// "apt_repository"): repo/ (Codename "vnfix") and installed/ (old 1.0, lib 1:1.0-1).
std::string aptRepository();

// The real apt of this machine, reading only the fixture repository, with /etc/apt and dpkg's
// database on tmpfs of their own and the packages of installed/ installed with dpkg -i into
// the empty database. Sandbox tests only: the mounts are the namespace's. A step that fails is
// a fatal test failure.
void useFixtureApt();

}  // namespace testutil

#endif
