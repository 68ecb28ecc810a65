#ifndef VN_COMMON_TINYBIND_H
#define VN_COMMON_TINYBIND_H

#include <string>

#include <tinyxml.h>

// The way every reader of an XML file in the program works: load a file, take its root, and
// look up children, attributes and text, each lookup either giving a value or raising one of
// the exceptions below with a message that names the element and its place in the file.
// TinyXML parses and holds the tree. Nothing here logs.
namespace tinybind {

// Codes: -1 a file that cannot be loaded at all, 0 an empty handle, 1 a missing child,
// attribute or text or a wrong root name, else TinyXML's own error number. Not derived from
// the program's `error`: callers that want the common report catch it apart.
struct err {
    int code;
    std::string message;
};

// A required child element is missing.
struct notfound : err {
    notfound(const std::string& element, const std::string& child);
};

// The file is no well-formed XML; row and column as TinyXML reports them.
struct parse_err : err {
    parse_err(int code, const std::string& message, int row, int col);
    int row;
    int col;
};

class ChildIterator;

// A handle on one element of a document, empty when `element` is null; `error` says why a
// lookup left it empty. The document must outlive every handle into it.
class Element {
public:
    Element(TiXmlElement* element = nullptr, const std::string& error = std::string());

    // The first child with that name, or notfound.
    Element requiredChild(const std::string& name) const;
    // "" when the element has no such attribute.
    std::string attribute(const std::string& name) const;
    std::string requiredAttribute(const std::string& name) const;
    // Moves this handle to the first child `name` (whose `attribute` equals `value`, when an
    // attribute is given). A miss leaves the handle empty with the reason in `error`; an empty
    // handle stays empty. Raises nothing: callers test `element`.
    Element& childByAttribute(const std::string& name, const std::string& attribute = std::string(),
                              const std::string& value = std::string());
    // The walk over the children with that name (all children when `name` is empty).
    ChildIterator children(const std::string& name) const;
    // The value of the element's only text node (CDATA counts, comments do not); "" without
    // one when `optional`.
    std::string text(bool optional = false) const;

    TiXmlElement* element;
    std::string error;
};

// The same rule as Element::text, for callers that hold a handle or a bare element.
std::string text(const Element& element, bool optional = false);

// The element's tag name; an empty handle raises err 0.
std::string getName(const Element& element);
// A required attribute, as Element::requiredAttribute ("" when present but empty).
std::string getAttribute(const Element& element, const std::string& name);
// A required yes/no attribute: exactly "true" or "yes", "false" or "no"; any other text
// raises err 1 naming the attribute and the element's place.
bool getBoolAttribute(const Element& element, const std::string& name);

// A walk over sibling elements of one name (any name when empty); ends at null. Also a range:
//     for (tinybind::Element c : e.children("component")) ...
class ChildIterator {
public:
    ChildIterator(const std::string& name, TiXmlElement* current);

    explicit operator bool() const { return current != nullptr; }
    Element operator*() const { return Element(current); }
    ChildIterator& operator++();
    bool operator==(const ChildIterator& other) const { return current == other.current; }
    bool operator!=(const ChildIterator& other) const { return current != other.current; }
    ChildIterator begin() const { return *this; }
    ChildIterator end() const { return ChildIterator(name, nullptr); }

    std::string name;
    TiXmlElement* current;
};

class Document : public TiXmlDocument {
public:
    // Loads and parses the file: err -1 when it is missing (every "http://" or "ftp://" path
    // counts as missing) or a directory, parse_err when TinyXML refuses it.
    explicit Document(const std::string& path);

    // The first element of the document; err with the document's own error when there is
    // none (err 1 "no root element" when TinyXML names none), err 1 when `expected` is given
    // and the name differs.
    TiXmlElement* rootElement(const std::string& expected);
};

}  // namespace tinybind

#endif
