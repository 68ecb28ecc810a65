#include "tinybind.h"

#include "fileops.h"

namespace tinybind {

namespace {

const err noElement{0, "no element pointer"};

// " (row:R col:C)", the element's place in its file.
std::string place(const TiXmlElement* element) {
    return " (row:" + std::to_string(element->Row()) + " col:" + std::to_string(element->Column()) + ")";
}

TiXmlElement* nextChild(TiXmlNode* parent, const std::string& name) {
    return name.empty() ? parent->FirstChildElement() : parent->FirstChildElement(name);
}

TiXmlElement* nextSibling(TiXmlElement* element, const std::string& name) {
    return name.empty() ? element->NextSiblingElement() : element->NextSiblingElement(name);
}

}  // namespace

notfound::notfound(const std::string& element, const std::string& child)
    : err{1, "There is no child element '" + child + "' in tag '" + element + "'"} {}

parse_err::parse_err(int code, const std::string& message, int row, int col)
    : err{code, message}, row(row), col(col) {}

Element::Element(TiXmlElement* element, const std::string& error) : element(element), error(error) {}

Element Element::requiredChild(const std::string& name) const {
    if (!element) throw noElement;
    TiXmlElement* child = element->FirstChildElement(name);
    if (!child) throw notfound(element->ValueStr(), name);
    return Element(child);
}

std::string Element::attribute(const std::string& name) const {
    if (!element) throw noElement;
    const std::string* value = element->Attribute(name);
    return value ? *value : std::string();
}

std::string Element::requiredAttribute(const std::string& name) const {
    if (!element) throw noElement;
    const std::string* value = element->Attribute(name);
    if (!value)
        throw err{1, "There is no attribute '" + name + "' in element " + element->ValueStr() + place(element)};
    return *value;
}

Element& Element::childByAttribute(const std::string& name, const std::string& attribute,
                                   const std::string& value) {
    if (!element) return *this;
    if (name.empty()) {
        error = "not specified child element name";
        element = nullptr;
        return *this;
    }
    for (TiXmlElement* child = element->FirstChildElement(name); child;
         child = child->NextSiblingElement(name)) {
        if (attribute.empty()) {
            element = child;
            return *this;
        }
        const std::string* found = child->Attribute(attribute);
        if (found && *found == value) {
            element = child;
            return *this;
        }
    }
    error = "not found child element " + name + " in element " + element->ValueStr();
    if (!attribute.empty()) error += " with attribute " + attribute + "=\"" + value + "\"";
    element = nullptr;
    return *this;
}

ChildIterator Element::children(const std::string& name) const {
    if (!element) throw noElement;
    return ChildIterator(name, nextChild(element, name));
}

std::string Element::text(bool optional) const { return tinybind::text(*this, optional); }

std::string getName(const Element& element) {
    if (!element.element) throw noElement;
    return element.element->ValueStr();
}

std::string getAttribute(const Element& element, const std::string& name) { return element.requiredAttribute(name); }

bool getBoolAttribute(const Element& element, const std::string& name) {
    const std::string value = getAttribute(element, name);
    if (value == "true" || value == "yes") return true;
    if (value == "false" || value == "no") return false;
    throw err{1, "There is incorrect boolean attribute '" + name + "' in element " + element.element->ValueStr() +
                     place(element.element) + ". Must be 'true' or 'false'."};
}

std::string text(const Element& handle, bool optional) {
    const TiXmlElement* element = handle.element;
    if (!element) throw noElement;
    const TiXmlText* found = nullptr;
    for (const TiXmlNode* node = element->FirstChild(); node; node = node->NextSibling()) {
        const TiXmlText* t = node->ToText();
        if (!t) continue;
        if (found)
            throw err{1, "There is not only text node in element '" + element->ValueStr() + "'" + place(element)};
        found = t;
    }
    if (found) return found->ValueStr();
    if (optional) return std::string();
    throw err{1, "Text node not found in element '" + element->ValueStr() + "'" + place(element)};
}

ChildIterator::ChildIterator(const std::string& name, TiXmlElement* current) : name(name), current(current) {}

ChildIterator& ChildIterator::operator++() {
    if (current) current = nextSibling(current, name);
    return *this;
}

Document::Document(const std::string& path) {
    if (!fileops::exists(path)) throw err{-1, "File " + path + " not exists"};
    if (fileops::is_directory(path)) throw err{-1, path + " is directory, xml file expected."};
    if (!LoadFile(path))
        throw parse_err(ErrorId(), *ErrorDesc() ? ErrorDesc() : "no root element", ErrorRow(), ErrorCol());
}

TiXmlElement* Document::rootElement(const std::string& expected) {
    TiXmlElement* root = RootElement();
    // TinyXML accepts some documents without a root and without naming an error (an internal
    // DOCTYPE subset, only a declaration): the message must still say why.
    if (!root) {
        if (ErrorId() != 0 && *ErrorDesc()) throw err{ErrorId(), ErrorDesc()};
        throw err{1, "no root element"};
    }
    if (!expected.empty() && root->ValueStr() != expected) throw err{1, "Root element name not match"};
    return root;
}

}  // namespace tinybind
