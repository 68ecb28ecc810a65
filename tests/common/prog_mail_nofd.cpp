// Sends a mail with no descriptor left for the pipe, so the mail command cannot start.
#include <sys/resource.h>

#include "common/utils.h"

int main() {
    struct rlimit limit = {3, 3};  // standard input, output and error only
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 2;
    sendMail("root@example.com", "The Panel was successfully updated.", "line 1\nline 2");
    return 0;
}
