// The Red Hat Network probe over the host description (Opsys overrides, each case in a forked
// child, since the description is fixed by a process's first detection) and the registration
// file in the sandbox's /etc.
#include "configurators/RHNChecker.h"

#include <gtest/gtest.h>

#include <string>

#include "common/Opsys.h"
#include "support/EnglishTest.h"
#include "support/LogCapture.h"
#include "support/TestUtil.h"

namespace {

const char* const systemId = "/etc/sysconfig/rhn/systemid";

class RHNChecker : public testutil::EnglishTest {};

TEST_F(RHNChecker, RegistrationAndGeneration) {
    struct Row {
        const char* vendor;
        const char* version;
        bool registered;  // the file is there
        const char* answer;  // "configured yumBased"
        const char* log;
    };
    const char* const present = "Notice: seems up2date is configured and ready to use.\n";
    const char* const absent = "Notice: seems up2date is not configured: absent /etc/sysconfig/rhn/systemid\n";
    const Row rows[] = {
        {"RedHat", "el5", true, "1 1", present},
        {"RedHat", "el6", true, "1 1", present},
        {"RedHat", "es4", true, "1 0", present},
        {"RedHat", "el4", true, "1 0", present},
        // Too short to name a generation.
        {"RedHat", "el", true, "1 0", present},
        // Above '4' as a signed character: a letter counts, a byte of 128 or more never does.
        {"RedHat", "elx", true, "1 1", present},
        {"RedHat", "el\xc3\xa9", true, "1 0", present},
        {"RedHat", "el5", false, "0 0", absent},
        {"CentOS", "el5", true, "0 0", "DEBUG: RHNChecker: os vendor not RedHat: CentOS\n"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.vendor) + " " + r.version + (r.registered ? " registered" : ""));
        if (r.registered)
            ASSERT_EQ(testutil::shell(std::string("mkdir -p /etc/sysconfig/rhn && : >") + systemId).status, 0);
        else
            ASSERT_EQ(testutil::shell(std::string("rm -f ") + systemId).status, 0);
        const std::string answer = testutil::inChild([&] {
            Opsys::override_os_vendor = r.vendor;
            Opsys::override_os_version = r.version;
            // Detected before the capture: only the probe's lines are looked at.
            Opsys();
            testutil::LogCapture log(3);
            ::RHNChecker probe;
            std::string lines;
            for (const std::string& line : testutil::splitLines(log.text()))
                if (line.rfind("fileops::", 0) != 0) lines += line + "\n";
            return std::to_string(probe.isConfigured()) + " " + std::to_string(probe.isYumBased()) + "\n" + lines;
        });
        EXPECT_EQ(answer, std::string(r.answer) + "\n" + r.log);
    }
}

}  // namespace
