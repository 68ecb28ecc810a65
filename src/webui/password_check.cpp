#include "password_check.h"

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../common/Log.h"
#include "../common/error.h"
#include "../common/fileops.h"

namespace {

// Frees the first `count` responses, wiping the password copies first, and the array.
void discardResponses(pam_response* responses, int count) {
    if (!responses) return;
    for (int i = 0; i < count; ++i) {
        if (!responses[i].resp) continue;
        OPENSSL_cleanse(responses[i].resp, std::strlen(responses[i].resp));
        std::free(responses[i].resp);
        responses[i].resp = nullptr;
    }
    std::free(responses);
}

}  // namespace

std::string currentUserName() {
    const uid_t uid = ::getuid();
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size < 1024) size = 1024;
    std::vector<char> buffer(static_cast<size_t>(size));
    for (;;) {
        struct passwd entry;
        struct passwd* found = nullptr;
        const int r = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (r == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (r != 0 || !found) throw error(4, 1, 1, 3) << "Can't get user info for pid=" << uid;
        return found->pw_name;
    }
}

bool isCurrentUser(const char* login) { return login && currentUserName() == login; }

std::string pamServiceName() {
    if (fileops::exists("/etc/pam.d/system-auth")) return "system-auth";
    if (fileops::exists("/etc/pam.d/common-auth")) return "common-auth";
    return "other";
}

int pamConversation(int count, const struct pam_message** messages, struct pam_response** responses,
                    void* appdata) {
    *responses = nullptr;
    if (count <= 0) return PAM_CONV_ERR;
    pam_response* answers = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    if (!answers) {
        Log(0) << "ERROR: PAM memory allocation error\n";
        return PAM_CONV_ERR;
    }
    const char* password = static_cast<const char*>(appdata);
    for (int i = 0; i < count; ++i) {
        const pam_message* m = messages[i];
        switch (m->msg_style) {
            case PAM_PROMPT_ECHO_OFF:
                if (password) {
                    answers[i].resp = ::strdup(password);
                    if (!answers[i].resp) {
                        Log(0) << "ERROR: PAM memory allocation error\n";
                        discardResponses(answers, i);
                        return PAM_CONV_ERR;
                    }
                }
                answers[i].resp_retcode = 0;
                break;
            case PAM_PROMPT_ECHO_ON:
            case PAM_BINARY_PROMPT:
                answers[i].resp_retcode = 0;
                break;
            case PAM_ERROR_MSG:
                Log(0) << "ERROR: PAM Error: " << (m->msg ? m->msg : "") << "\n";
                break;
            case PAM_TEXT_INFO:
                Log(0) << "Notice: PAM Message: " << (m->msg ? m->msg : "") << "\n";
                break;
            default:
                // The copies made so far hold the password: wipe them before they go.
                discardResponses(answers, i);
                return PAM_CONV_ERR;
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

void pamFinish(pam_handle_t* handle, int lastStatus) {
    const int r = ::pam_end(handle, lastStatus);
    if (r == PAM_SUCCESS) return;
    if (r == PAM_SYSTEM_ERR) {
        Log(0) << "ERROR: pam_end() return error\n";
        return;
    }
    throw internalError("password_check", 141);
}

bool pamAuthenticate(const char* login, const char* password) {
    const std::string service = pamServiceName();
    const struct pam_conv conversation = {pamConversation, const_cast<char*>(password)};
    pam_handle_t* handle = nullptr;
    int r = ::pam_start(service.c_str(), login, &conversation, &handle);
    if (r != PAM_SUCCESS)
        throw error(4, 1, 1, 3) << "unable to start PAM facility " << service << ": " << r << " - "
                                << ::pam_strerror(handle, r);
    r = ::pam_authenticate(handle, 0);
    const bool accepted = r == PAM_SUCCESS;
    if (!accepted)
        Log(2) << "DEBUG: pam_authenticate failed. facilyty=" << service << ": " << r << " - "
               << ::pam_strerror(handle, r);
    pamFinish(handle, r);
    return accepted;
}
