#ifndef VN_TESTS_SUPPORT_USRBINOVERLAY_H
#define VN_TESTS_SUPPORT_USRBINOVERLAY_H

#include <map>
#include <string>
#include <vector>

namespace testutil {

// Sandbox tests only: a throw-away overlay on /usr/bin of this mount namespace, in which each
// name of `copies` is a copy of the file it maps to (a stand-in of ours put where the program
// looks for a host tool) and each name of `whiteouts` is missing. Fails the calling test when
// the mount fails. Call it once per test process.
void overlayUsrBin(const std::map<std::string, std::string>& copies, const std::vector<std::string>& whiteouts = {});

}  // namespace testutil

#endif
