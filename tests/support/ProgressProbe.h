#ifndef VN_TESTS_SUPPORT_PROGRESSPROBE_H
#define VN_TESTS_SUPPORT_PROGRESSPROBE_H

#include <map>
#include <string>

namespace testutil {

// The shared progress record as another process reads it (fixtures/common/read_progress.py,
// which knows only the layout): field name to value. A line of the reader that is no
// "name=value" (a missing record, a held lock) comes back under "problem". Only inside the
// namespace helper, where System V IPC and /tmp are private.
std::map<std::string, std::string> progressRecord();

}  // namespace testutil

#endif
