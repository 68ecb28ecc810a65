// The login check against PAM stacks of pam_wrapper's test modules (never a real password),
// and the service chosen by the files in /etc/pam.d (the sandbox's own /etc).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TestUtil.h"
#include "webui/password_check.h"

namespace {

const std::string modules = "/usr/lib/x86_64-linux-gnu/pam_wrapper/";
const std::string matrix = "auth required " + modules + "pam_matrix.so passdb=";

// A PAM world of test modules: service files in a private directory that pam_wrapper reads
// instead of /etc/pam.d, and pam_matrix's password list.
class PamWorld {
public:
    PamWorld() {
        testutil::shell("mkdir -p " + dir / "pam");
        testutil::writeFile(passdb(),
                            "root:s3cret:common-auth\nroot:s3cret:system-auth\nroot:s3cret:other\n"
                            "nobody:n0body:common-auth\n");
    }
    std::string passdb() const { return dir / "passdb"; }
    void service(const std::string& name, const std::string& lines) { testutil::writeFile(servicePath(name), lines); }
    std::string servicePath(const std::string& name) const { return dir / ("pam/" + name); }
    std::string matrixLine() const { return matrix + passdb() + "\n"; }

    struct Outcome {
        std::string out;  // the program's lines
        std::string log;
    };
    Outcome check(const std::string& login, const std::string& password) const {
        testutil::RunResult r = testutil::run(
            {testutil::program("prog_password_check"), login, password, dir / "check.log"},
            {{"LD_PRELOAD", "libpam_wrapper.so"}, {"PAM_WRAPPER", "1"}, {"PAM_WRAPPER_SERVICE_DIR", dir / "pam"}});
        EXPECT_EQ(r.status, 0) << r.err;
        return {r.out, testutil::readFile(dir / "check.log")};
    }

private:
    testutil::TempDir dir;
};

// /etc/pam.d as the test wants it: which of the two service files exist.
void etcServices(bool systemAuth, bool commonAuth) {
    testutil::shell("mkdir -p /etc/pam.d && rm -f /etc/pam.d/system-auth /etc/pam.d/common-auth");
    if (systemAuth) testutil::writeFile("/etc/pam.d/system-auth", "# test\n");
    if (commonAuth) testutil::writeFile("/etc/pam.d/common-auth", "# test\n");
}

TEST(PasswordCheck, StacksOfTestModules) {
    etcServices(false, true);
    PamWorld pam;
    const std::string chatty = "auth required " + modules + "pam_chatty.so num_lines=1 info\n";
    struct Case {
        const char* what;
        std::string stack;
        const char* login;
        const char* password;
        const char* result;
        const char* logged;  // a text the log holds
    } cases[] = {
        {"right password", pam.matrixLine(), "root", "s3cret", "accepted", ""},
        {"wrong password", pam.matrixLine(), "root", "wrong", "refused",
         "DEBUG: pam_authenticate failed. facilyty=common-auth: 7 - Authentication failure"},
        {"user unknown to the list", pam.matrixLine(), "daemon", "s3cret", "refused",
         "DEBUG: pam_authenticate failed. facilyty=common-auth: "},
        // Each module prompts on its own: both prompts get the same password.
        {"two password prompts", pam.matrixLine() + pam.matrixLine(), "root", "s3cret", "accepted", ""},
        {"a text message goes on", chatty + pam.matrixLine(), "root", "s3cret", "accepted", "Notice: PAM Message: "},
        {"an empty password is an answer", pam.matrixLine(), "root", "", "refused",
         "DEBUG: pam_authenticate failed. facilyty=common-auth: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pam.service("common-auth", c.stack);
        const PamWorld::Outcome o = pam.check(c.login, c.password);
        EXPECT_EQ(o.out, "service=common-auth\n" + std::string(c.result) + "\n");
        EXPECT_NE(o.log.find(c.logged), std::string::npos) << o.log;
        // The failure line ends without a line end; nothing follows it here.
        if (std::string(c.what) == "wrong password") {
            EXPECT_EQ(o.log.substr(o.log.size() - std::strlen(c.logged)), c.logged);
        }
        EXPECT_EQ(o.log.find("s3cret"), std::string::npos) << "the password reached the log";
    }
}

TEST(PasswordCheck, ServiceFollowsTheFilesOfEtcPamD) {
    struct Case {
        bool systemAuth, commonAuth;
        const char* service;
    } cases[] = {
        {true, true, "system-auth"},
        {true, false, "system-auth"},
        {false, true, "common-auth"},
        {false, false, "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service);
        etcServices(c.systemAuth, c.commonAuth);
        PamWorld pam;
        // Only the chosen service's file exists for PAM: the check passes only through it.
        pam.service(c.service, pam.matrixLine());
        EXPECT_EQ(pam.check("root", "s3cret").out, "service=" + std::string(c.service) + "\naccepted\n");
    }
}

TEST(PasswordCheck, AServiceThatCannotStartIsAnError) {
    etcServices(false, true);
    PamWorld pam;
    // A directory where the service file should be, and no "other" to fall back to.
    testutil::shell("mkdir -p " + pam.servicePath("common-auth"));
    EXPECT_EQ(pam.check("root", "s3cret").out,
              "service=common-auth\nerror: unable to start PAM facility common-auth: 26 - Critical error - immediate abort\n");
}

TEST(PasswordCheck, TheRunningUser) {
    EXPECT_EQ(currentUserName(), "root");
    EXPECT_TRUE(isCurrentUser("root"));
    for (const char* other : {"Root", "root ", "", "roo", "nobody"}) EXPECT_FALSE(isCurrentUser(other)) << other;

    // A user database without the running user.
    testutil::TempDir dir;
    testutil::writeFile(dir / "passwd", "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n");
    testutil::writeFile(dir / "group", "nogroup:x:65534:\n");
    testutil::RunResult r = testutil::run(
        {testutil::program("prog_password_check"), "--whoami", "", dir / "log"},
        {{"LD_PRELOAD", "libnss_wrapper.so"}, {"NSS_WRAPPER_PASSWD", dir / "passwd"}, {"NSS_WRAPPER_GROUP", dir / "group"}});
    EXPECT_EQ(r.out, "error: Can't get user info for pid=0\n");
}

}  // namespace
