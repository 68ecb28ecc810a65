#ifndef VN_WEBUI_PASSWORD_CHECK_H
#define VN_WEBUI_PASSWORD_CHECK_H

#include <security/pam_appl.h>

#include <string>

// The login check of the web interface: a browser may log in only as the account that runs
// the installer, with that account's system password, checked through PAM.

// The password-database name of the real user. Raises (4,1,1,3) "Can't get user info for
// pid=<uid>" when the uid has no entry.
std::string currentUserName();

// Whether `login` is exactly (byte for byte) the name of the real user.
bool isCurrentUser(const char* login);

// Whether PAM accepts `password` for `login` under the service "system-auth", "common-auth" or
// "other" (the first whose file exists in /etc/pam.d, chosen at every call). Only the
// authentication step runs. Raises (4,1,1,3) "unable to start PAM facility ..." when PAM
// cannot start, and an internal error when ending the transaction fails unexpectedly.
bool pamAuthenticate(const char* login, const char* password);

// The PAM service that pamAuthenticate uses now.
std::string pamServiceName();

// The conversation: every password prompt gets a copy of `appdata` (the password, may be
// null), text messages are logged, prompts with echo and binary prompts get no answer; any
// other style fails the conversation (PAM_CONV_ERR) with nothing handed to PAM.
int pamConversation(int count, const struct pam_message** messages, struct pam_response** responses,
                    void* appdata);

// pam_end with the transaction's last status: PAM_SYSTEM_ERR is logged, any other failure is
// an internal error.
void pamFinish(pam_handle_t* handle, int lastStatus);

#endif
