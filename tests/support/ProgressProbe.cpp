#include "support/ProgressProbe.h"

#include <sstream>

#include "support/TestUtil.h"

namespace testutil {

std::map<std::string, std::string> progressRecord() {
    RunResult r = run({"/usr/bin/python3", VN_FIXTURES_DIR "/common/read_progress.py"});
    std::map<std::string, std::string> fields;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            fields["problem"] = line + r.err;
        else
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

}  // namespace testutil
