// The PAM conversation of the login check, called as PAM calls it. Also run under the
// address sanitizer with leak checks: the answers hold copies of the password.
#include <gtest/gtest.h>

#include <security/pam_appl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/LogCapture.h"
#include "webui/password_check.h"

namespace {

struct Conversation {
    std::vector<pam_message> messages;
    pam_response* responses = reinterpret_cast<pam_response*>(1);
    int status = -1;

    int run(const char* password) {
        std::vector<const pam_message*> pointers;
        for (const pam_message& m : messages) pointers.push_back(&m);
        status = pamConversation(static_cast<int>(pointers.size()), pointers.data(), &responses,
                                 const_cast<char*>(password));
        return status;
    }
    ~Conversation() {
        if (status != PAM_SUCCESS || !responses) return;
        for (size_t i = 0; i < messages.size(); ++i) std::free(responses[i].resp);
        std::free(responses);
    }
};

TEST(PasswordCheck, ConversationAnswersEveryPasswordPromptAlike) {
    testutil::LogCapture log(3);
    Conversation c;
    c.messages = {{PAM_PROMPT_ECHO_OFF, "Password: "},
                  {PAM_TEXT_INFO, "be patient"},
                  {PAM_PROMPT_ECHO_ON, "Login: "},
                  {PAM_ERROR_MSG, "too cold"},
                  {PAM_BINARY_PROMPT, ""},
                  {PAM_PROMPT_ECHO_OFF, "Again: "}};
    ASSERT_EQ(c.run("pw 1"), PAM_SUCCESS);
    ASSERT_NE(c.responses, nullptr);
    const char* expected[] = {"pw 1", nullptr, nullptr, nullptr, nullptr, "pw 1"};
    for (size_t i = 0; i < c.messages.size(); ++i) {
        SCOPED_TRACE(i);
        if (expected[i]) {
            ASSERT_NE(c.responses[i].resp, nullptr);
            EXPECT_STREQ(c.responses[i].resp, expected[i]);
        } else {
            EXPECT_EQ(c.responses[i].resp, nullptr);
        }
        EXPECT_EQ(c.responses[i].resp_retcode, 0);
    }
    EXPECT_EQ(log.text(), "Notice: PAM Message: be patient\nERROR: PAM Error: too cold\n");
}

TEST(PasswordCheck, ConversationEdges) {
    {
        SCOPED_TRACE("no password: prompts get no answer");
        Conversation c;
        c.messages = {{PAM_PROMPT_ECHO_OFF, "Password: "}};
        ASSERT_EQ(c.run(nullptr), PAM_SUCCESS);
        EXPECT_EQ(c.responses[0].resp, nullptr);
    }
    {
        SCOPED_TRACE("empty password: an empty answer");
        Conversation c;
        c.messages = {{PAM_PROMPT_ECHO_OFF, "Password: "}};
        ASSERT_EQ(c.run(""), PAM_SUCCESS);
        ASSERT_NE(c.responses[0].resp, nullptr);
        EXPECT_STREQ(c.responses[0].resp, "");
    }
    {
        // The copies made before the unknown style are freed (the leak checker sees them).
        SCOPED_TRACE("unknown style: the conversation fails, PAM gets nothing");
        Conversation c;
        c.messages = {{PAM_PROMPT_ECHO_OFF, "Password: "}, {99, "?"}};
        EXPECT_EQ(c.run("s3cret"), PAM_CONV_ERR);
        EXPECT_EQ(c.responses, nullptr);
    }
}

}  // namespace
