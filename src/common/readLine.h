#ifndef VN_COMMON_READLINE_H
#define VN_COMMON_READLINE_H

#include <cstddef>
#include <cstdio>
#include <string>

// How readLine ended.
enum class LineRead { line, end, tooLong };

// Reads one whole line of `file` into `line`, without its "\n". A last line without "\n"
// is a line too. A line longer than `limit` bytes keeps its first `limit` bytes in `line`,
// the rest up to the line end is read and dropped, and the result says so: the memory a
// line takes stays bounded whatever the input. `end` when no byte was left to read (or the
// stream failed).
LineRead readLine(FILE* file, std::string& line, size_t limit);

#endif
