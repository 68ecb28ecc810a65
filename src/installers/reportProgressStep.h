#ifndef VN_INSTALLERS_REPORTPROGRESSSTEP_H
#define VN_INSTALLERS_REPORTPROGRESSSTEP_H

#include <string>

// One step of the running installation: counted and stored in the shared progress record
// for the status service, and its title shown on the console. Raises nothing of its own.
void reportProgressStep(const std::string& id, const std::string& title);

#endif
