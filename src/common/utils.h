#ifndef VN_COMMON_UTILS_H
#define VN_COMMON_UTILS_H

#include <cstdint>
#include <string>

// Small free functions the whole program shares. None of them keeps state.

// The variable's value, "" when unset.
std::string getEnvValue(const char* name);
void setEnv(const char* name, const std::string& value);
void unsetEnv(const char* name);

// Sets `handler` (or SIG_DFL / SIG_IGN) for `signal` with an empty mask and without
// SA_RESTART, so a blocking call that the signal interrupts returns with EINTR.
void setInterruptingHandler(int signal, void (*handler)(int));

void sleepMs(int n);
void sleepSeconds(int n);

// In place: drops leading and trailing white space; a null pointer is ignored.
void trimSpaces(char* text);
// Copy without leading and trailing " \f\n\r\t\v".
std::string trim(const std::string& text);
void toLower(std::string& text);
bool endsWith(const std::string& text, const std::string& suffix);
// Text before the second '.' ("5.0.4" gives "5.0"); the whole text with fewer dots.
std::string majorMinor(const std::string& version);

// Every byte outside the unreserved characters of a URL (A-Z a-z 0-9 - . _ ~) as %XX, so that
// a text with '@', ':', '/' or '&' stays one field of a URL or form.
std::string percentEncoded(const std::string& text);

// Escapes for the web pages. The two script-string forms include their double quotes.
std::string textToHtmlLines(const std::string& text);
std::string toQuotedHtmlString(const std::string& text);
std::string toJsString(const std::string& text);

// Free space in KiB for unprivileged users of the file system holding `path` into `kib`;
// false (with a level-0 warning, `kib` untouched) when it cannot be asked.
bool queryFreeSpace(const std::string& path, uint64_t& kib);
// The same, 0 when it cannot be asked.
uint64_t getFreeSpace(const std::string& path);

// Value of the first setting line of "/etc/nvo/nvo.conf": the control panel's root.
std::string getFirstPanelConfValue();
// Value of the first line of "/etc/nvo/nvo.conf" whose name is `key` ("" when the file or the
// key is missing).
std::string getPanelConfValue(const std::string& key);

// Mails `body` through the system's mail command; failures are logged, never raised.
void sendMail(const std::string& address, const std::string& subject, const std::string& body);

// Strict decimal: only digits and signs, in the range of int; else error "err_non_digit".
int stringToInt(const std::string& text);
// The same rules over the range of int64_t (package sizes of 2 GiB and more).
int64_t stringToInt64(const std::string& text);

// Whether some line of the file equals `text`, both trimmed.
bool fileHasLine(const char* path, const char* text);

// `n` lower-case letters a-z from the kernel's random source, each equally likely (bytes that
// would favour some letters are drawn again). Raises (4,1,1,2) when the kernel gives no random
// bytes. For secrets and session ids: whoever guesses one logs in.
std::string randomLowercaseLetters(size_t n);

// Raises error (codes 0) unless the host's own name resolves to an address of this host.
void checkHostname();

#endif
