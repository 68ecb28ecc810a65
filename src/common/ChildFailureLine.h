#ifndef VN_COMMON_CHILDFAILURELINE_H
#define VN_COMMON_CHILDFAILURELINE_H

#include <string>
#include <vector>

// The last words of a forked child whose exec (or set-up before it) failed: "<text> (<system
// error text>)." and a newline. Between fork and exec a child of a threaded process may not
// allocate, take locks or look anything up, so the text, the catalogue lookup behind it and the
// error texts are all made in the parent; writeTo() then uses write(2) alone.
class ChildFailureLine {
public:
    explicit ChildFailureLine(const std::string& text);

    // Async-signal-safe: only write(2). Errors of the write itself are ignored.
    void writeTo(int fd, int errnum) const noexcept;

private:
    std::string head;                       // text + " ("
    const std::vector<std::string>* texts;  // the system's error texts by number
};

#endif
