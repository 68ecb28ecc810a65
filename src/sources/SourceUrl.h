#ifndef VN_SOURCES_SOURCEURL_H
#define VN_SOURCES_SOURCEURL_H

#include <string>

// A source location in one of the two forms the fetchers rely on:
//   network: a URL with a scheme, ending in '/' (a URL naming a ".inf3" file stays as given);
//   local:   a path, absolute when it exists, ending in '/' when it is an existing directory.
// Nothing records which form it is: a location beginning with '/' is local.
class SourceUrl : public std::string {
public:
    SourceUrl() = default;
    // Normalises what the user typed (a bare host, a relative path, a "file://" URL, ...).
    // Only the file system tests can raise.
    explicit SourceUrl(const std::string& location);
};

// Text after the last '/'; the whole text without one; "" when it ends with '/'.
std::string urlBasename(const std::string& location);
// Text up to and including the last '/'; "/" when there is none. Unlike fileops::dirname,
// which gives "" there, the result always ends in '/' so that names can be appended.
std::string urlDirname(const std::string& location);
// Not empty and begins with '/'.
bool isAbsolutePath(const std::string& path);

#endif
