#ifndef VN_TESTS_SUPPORT_RPMFIXTURES_H
#define VN_TESTS_SUPPORT_RPMFIXTURES_H

#include <string>
#include <vector>

namespace testutil {

// Path of a package that tests/fixtures/rpm/build-fixtures made (the CTest step
// "rpm.BuildFixtures", which runs before every test whose suite name begins with "Rpm").
// A missing package fails the calling test with a hint.
std::string rpmFixture(const std::string& name);

// rpm's own answer for a package file: the standard output of "rpm -qp", the arguments and
// the file (no shell).
std::string rpmQuery(const std::string& file, const std::vector<std::string>& arguments);

}  // namespace testutil

#endif
