#ifndef VN_COMMON_XMLSTREAM_H
#define VN_COMMON_XMLSTREAM_H

#include <cstddef>
#include <functional>
#include <string>

#include "tinybind.h"

// An XML document read piece by piece (expat), for files too large to hold as a tree: each
// child element of the root with the given name is built as a small TinyXML tree of its own,
// handed to the handler when its end tag has been read, and freed, so memory holds one such
// element at a time. Other children of the root are skipped. The handed element reads as if
// the whole document had been loaded: the same text rules (white space condensed, CDATA kept
// as it is) and its line and column in the file.
//
// Errors leave feed(): tinybind::err 1 "Root element name not match" for another root,
// tinybind::parse_err for a document that is not well-formed (expat's code, text, line and
// column), and whatever the handler throws, unchanged; the read stops there. Entity
// declarations are refused as malformed: a metadata file has no use for them, and they are
// the way to make a small file expand without bound.
class XmlStream {
public:
    using Handler = std::function<void(const tinybind::Element&)>;

    XmlStream(const std::string& rootName, const std::string& childName, Handler handler);
    ~XmlStream();
    XmlStream(const XmlStream&) = delete;
    XmlStream& operator=(const XmlStream&) = delete;

    // The next piece of the document; `last` marks the end (a document without a root, or
    // with elements left open, fails there).
    void feed(const char* data, size_t size, bool last);

private:
    struct State;
    State* state;
};

#endif
