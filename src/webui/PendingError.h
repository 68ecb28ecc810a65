#ifndef VN_WEBUI_PENDINGERROR_H
#define VN_WEBUI_PENDINGERROR_H

#include <string>
#include <vector>

// The last failure of the web engine's staged work, kept until a later command clears it:
// the pages the session had reached when it happened, and the error's text (empty: none).
struct PendingError {
    std::vector<std::string> savedPages;
    std::string text;
};

#endif
