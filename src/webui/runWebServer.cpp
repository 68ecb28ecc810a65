#include "runWebServer.h"

#include "../common/utils.h"
#include "SessionGate.h"

std::string readWebSecret() { return getEnvValue("WEB_SECRET"); }

void takeWebSecret() {
    const std::string secret = readWebSecret();
    if (secret.empty()) return;
    keptWebSecret() = secret;
    unsetEnv("WEB_SECRET");
}
