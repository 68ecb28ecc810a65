#ifndef VN_COMPONENTS_PARAMMANAGER_H
#define VN_COMPONENTS_PARAMMANAGER_H

#include <string>

// Replaces, in place, each "[NAME]" whose NAME is a known text variable by its value; an
// unknown name stays as written, and an inserted value is not scanned again. The only
// variable is LOCALE: the catalogue's locale up to its first '.', with a '_' in third place
// turned into '-' ("en_US.UTF-8" gives "en-US"). 0 when the scan reached the end, -1 when a
// '[' has no ']' after it (the text is expanded up to there).
int expandTextVariables(std::string& text);

// A setting's default as it is offered: text variables and references to other settings
// expanded with the run's parameter manager. Until the run has one, the text unchanged.
std::string expandDefaultValue(const std::string& text);

#endif
