#ifndef VN_WEBUI_RUNWEBSERVER_H
#define VN_WEBUI_RUNWEBSERVER_H

#include <string>

// The web-server process.

// The value of "WEB_SECRET", "" when unset.
std::string readWebSecret();

// Moves "WEB_SECRET" out of the environment into the kept secret of the session gate, so
// children of this process never see it. Nothing happens when it is unset or empty.
void takeWebSecret();

#endif
