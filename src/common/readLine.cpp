#include "readLine.h"

LineRead readLine(FILE* file, std::string& line, size_t limit) {
    line.clear();
    bool any = false;
    bool cut = false;
    ::flockfile(file);
    for (;;) {
        const int c = ::getc_unlocked(file);
        if (c == EOF) break;
        any = true;
        if (c == '\n') break;
        if (line.size() < limit)
            line += static_cast<char>(c);
        else
            cut = true;
    }
    ::funlockfile(file);
    if (!any) return LineRead::end;
    return cut ? LineRead::tooLong : LineRead::line;
}
