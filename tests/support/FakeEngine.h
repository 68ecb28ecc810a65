#ifndef VN_TESTS_SUPPORT_FAKEENGINE_H
#define VN_TESTS_SUPPORT_FAKEENGINE_H

#include <memory>
#include <string>
#include <vector>

#include "support/TestUtil.h"

namespace testutil {

// The installing process as the web pages meet it (tests/fixtures/webui/fake_engine.py): it
// listens on the engine's socket (by default "/tmp/vantrell_webui_socket", so a sandboxed test
// only) and answers each command with the canned text given for it. A command without an
// answer gets its connection closed unanswered. Stopped when the object goes.
class FakeEngine {
public:
    explicit FakeEngine(const std::string& socketPath = "/tmp/vantrell_webui_socket");
    ~FakeEngine();
    FakeEngine(const FakeEngine&) = delete;
    FakeEngine& operator=(const FakeEngine&) = delete;

    // The answer to every request of `command`, or (call > 0) to its call-th request only,
    // which then wins over the general one.
    void answer(const std::string& command, const std::string& xml, int call = 0);
    // An answer `<vantrell status="STATUS" ...attributes>children</vantrell>` with the XML
    // declaration.
    static std::string document(const std::string& status, const std::string& attributes = std::string(),
                                const std::string& children = std::string());
    // Removes the answers of `command`: its requests are then left unanswered.
    void silence(const std::string& command);
    // The request texts received so far, in order.
    std::vector<std::string> requests() const;
    // The engine goes away (its socket stays, refusing connections).
    void stop();

private:
    TempDir dir;
    std::unique_ptr<Background> process;
};

}  // namespace testutil

#endif
