#ifndef VN_WEBUI_LAUNCHWEBINTERFACE_H
#define VN_WEBUI_LAUNCHWEBINTERFACE_H

// Puts a fresh one-time login secret of 20 letters a-z into "WEB_SECRET", replacing any
// earlier one; a web process started afterwards inherits it. The letters come from the
// kernel's random source: whoever can guess the secret can log in as the installer's user.
// Raises (4,1,1,2) when the kernel gives no random bytes.
void makeWebSecret();

#endif
