#ifndef VN_COMMON_REGEXP_H
#define VN_COMMON_REGEXP_H

#include <memory>
#include <string>
#include <vector>

// One compiled POSIX extended expression (newline-sensitive), cheap to copy: copies share the
// compiled form and each keeps its own sub-match texts.
//
// The compiled type of the regular-expression library stays inside Regexp.cpp: its C
// interface comes with names (regex_t, REG_*) that must not meet <regex.h> in other files.
class Regexp {
    struct Pattern;

public:
    // `subexpressions` false compiles without sub-match reporting (faster, match() only).
    // Failure: error (0,1,1,2) "err_bad_regexp" with the pattern and the library's reason.
    explicit Regexp(const std::string& pattern, bool subexpressions = false);

    // Whether the expression matches somewhere in `text`; the stored groups stay as they are.
    bool match(const char* text) const;
    bool match(const std::string& text) const { return match(text.c_str()); }

    // Matches and keeps the whole match and each group (a group outside the match as "").
    // A failed match leaves no groups.
    bool matchSub(const std::string& text);

    // 0 is the whole match, 1 the first group, ...; past the stored groups: std::out_of_range.
    std::string getMatch(unsigned index) const;

    // Groups of the expression plus one for the whole match.
    int getNumSubexpr() const;

    // Texts of the last successful matchSub.
    std::vector<std::string> groups;

private:
    std::shared_ptr<Pattern> pattern;
};

// Whether any expression of the list matches `text`.
bool matchAny(const std::vector<Regexp>& list, const std::string& text);

#endif
