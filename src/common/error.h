#ifndef VN_COMMON_ERROR_H
#define VN_COMMON_ERROR_H

#include <deque>
#include <set>
#include <sstream>
#include <string>

// The exception of the whole program. It deliberately does not derive from std::exception:
// every handler that reports to the user catches `error` and nothing else.
//
// Codes are the tuple (class, repeat, system state, support); 0 means "not set". The raising
// site sets the whole tuple; callers on the way up add context with qualify(), which only
// fills codes that are still 0, so the innermost codes win.
class error {
public:
    enum { rep_none = 1, rep_again = 2 };
    enum { sys_stable = 1, sys_unsure = 2, sys_broken = 3 };
    enum { supp_none = 1, supp_maybe = 2, supp_need = 3 };

    error();
    error(int eclass, int rep, int sys, int supp);
    error(const error&) = default;
    error& operator=(const error&) = default;
    virtual ~error();

    // Appends to the newest line; never opens a new one.
    template <class T>
    error& operator<<(const T& value) {
        std::ostringstream s;
        s << value;
        lines.back() += s.str();
        return *this;
    }

    // Opens a new newest line (printed first) and fills the codes that are still 0.
    error& qualify(int eclass, int rep, int sys, int supp);
    // Opens a new oldest line (printed last); later << still go to the newest line.
    error& qualifyFront(int eclass, int rep, int sys, int supp);

    // Newest to oldest, each line followed by "\n".
    std::string text() const;
    // The text for the user: the lines, then the catalogue texts of the codes.
    std::string report() const;
    const char* className() const;

    void mark(int m) { marks.insert(m); }
    bool hasMark(int m) const { return marks.count(m) != 0; }

    std::deque<std::string> lines;
    int e_class;
    int e_rep;
    int e_sys;
    int e_supp;
    std::set<int> marks;

private:
    void fillCodes(int eclass, int rep, int sys, int supp);
};

// A broken internal invariant: (3,1,1,3) "An internal error occured in vantrell, rev.<n> <file>,
// line <line>.". Sites pass fixed names and numbers, not __FILE__/__LINE__, so the text stays
// the same from build to build.
error internalError(const char* file, int line);

#endif
