#include "common/readLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every result of reading `text` to its end with `limit`, as "kind:line".
std::vector<std::string> readAll(const std::string& text, size_t limit) {
    std::string data(text);
    FILE* f = std::tmpfile();
    std::fwrite(data.data(), 1, data.size(), f);
    std::rewind(f);
    std::vector<std::string> out;
    std::string line;
    for (LineRead r; (r = readLine(f, line, limit)) != LineRead::end;)
        out.push_back((r == LineRead::tooLong ? "long:" : "line:") + line);
    std::fclose(f);
    return out;
}

TEST(readLine, Table) {
    using V = std::vector<std::string>;
    struct Case {
        std::string text;
        size_t limit;
        V expected;
    } cases[] = {
        {"", 10, V{}},
        {"\n", 10, V{"line:"}},
        {"a\n\nb", 10, V{"line:a", "line:", "line:b"}},
        {"abc\r\n", 10, V{"line:abc\r"}},
        // Exactly the limit is still a whole line; one more is cut and the rest dropped.
        {"12345\n123456\nnext\n", 5, V{"line:12345", "long:12345", "line:next"}},
        {"123456", 5, V{"long:12345"}},
        {std::string("a\0b\n", 4), 10, V{std::string("line:a\0b", 8)}},
    };
    for (const Case& c : cases) EXPECT_EQ(readAll(c.text, c.limit), c.expected) << c.text;
}

}  // namespace
