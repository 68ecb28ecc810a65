#include "support/FakeEngine.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "support/FixtureServers.h"

namespace testutil {

FakeEngine::FakeEngine(const std::string& socketPath) {
    writeFile(dir / "requests.log", "");
    ::mkdir((dir / "answers").c_str(), 0700);
    process.reset(new Background({systemPython(), std::string(VN_FIXTURES_DIR) + "/webui/fake_engine.py", socketPath,
                                  dir / "answers", dir / "requests.log"}));
    if (process->readLine() != "ready") throw std::runtime_error("the fake engine did not start");
}

FakeEngine::~FakeEngine() = default;

void FakeEngine::answer(const std::string& command, const std::string& xml, int call) {
    const std::string name = call > 0 ? command + "." + std::to_string(call) + ".xml" : command + ".xml";
    // Written aside and renamed, so the engine never reads half an answer.
    writeFile(dir / "answers/.next", xml);
    ::rename((dir / "answers/.next").c_str(), (dir / ("answers/" + name)).c_str());
}

std::string FakeEngine::document(const std::string& status, const std::string& attributes,
                                 const std::string& children) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<vantrell status=\"" + status + "\"";
    if (!attributes.empty()) text += " " + attributes;
    return text + (children.empty() ? " />" : ">" + children + "</vantrell>");
}

void FakeEngine::silence(const std::string& command) {
    shell("rm -f '" + dir.path() + "/answers/" + command + "'.*xml");
}

std::vector<std::string> FakeEngine::requests() const {
    const std::string log = readFile(dir / "requests.log");
    std::vector<std::string> out;
    size_t at = 0;
    while (at < log.size()) {
        const size_t line = log.find('\n', at);
        if (line == std::string::npos) break;
        const size_t length = std::strtoul(log.substr(at, line - at).c_str(), nullptr, 10);
        out.push_back(log.substr(line + 1, length));
        at = line + 1 + length;
    }
    return out;
}

void FakeEngine::stop() {
    if (process) process->stop(SIGKILL);
}

}  // namespace testutil
