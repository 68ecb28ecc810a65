#include "XmlStream.h"

#include <expat.h>

#include <exception>
#include <memory>
#include <vector>

namespace {

// An element that knows its place in the file, as one that TinyXML parsed would.
class PlacedElement : public TiXmlElement {
public:
    PlacedElement(const char* name, const char** attributes, unsigned long line, unsigned long column)
        : TiXmlElement(name) {
        location.row = static_cast<int>(line) - 1;
        location.col = static_cast<int>(column);
        for (const char** a = attributes; a[0]; a += 2) SetAttribute(a[0], a[1]);
    }
};

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// TinyXML's rule for text outside CDATA: runs of white space become one blank, and white space
// at either end goes; text of white space alone is no text at all.
std::string condensed(const std::string& raw) {
    if (!TiXmlBase::IsWhiteSpaceCondensed()) return raw;
    std::string out;
    out.reserve(raw.size());
    bool blank = false;
    for (char c : raw) {
        if (isWhite(c)) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

}  // namespace

struct XmlStream::State {
    State(const std::string& root, const std::string& child, Handler h)
        : parser(XML_ParserCreate(nullptr)), rootName(root), childName(child), handler(std::move(h)) {}
    ~State() {
        if (parser) XML_ParserFree(parser);
    }

    XML_Parser parser;
    const std::string rootName;
    const std::string childName;
    const Handler handler;

    int depth = 0;                      // elements open in the document
    std::unique_ptr<TiXmlElement> held;  // the child being built
    std::vector<TiXmlElement*> open;     // its elements still open, innermost last
    std::string text;                    // text since the last tag
    bool inCdata = false;
    std::exception_ptr failure;

    void fail(std::exception_ptr e) {
        if (!failure) failure = e;
        XML_StopParser(parser, XML_FALSE);
    }

    void flushText() {
        std::string value = condensed(text);
        text.clear();
        if (!value.empty()) open.back()->LinkEndChild(new TiXmlText(value));
    }

    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        State& s = *static_cast<State*>(self);
        if (s.failure) return;
        try {
            const int depth = s.depth++;
            if (depth == 0) {
                if (s.rootName != name) throw tinybind::err{1, "Root element name not match"};
                return;
            }
            const unsigned long line = XML_GetCurrentLineNumber(s.parser);
            const unsigned long column = XML_GetCurrentColumnNumber(s.parser);
            if (s.open.empty()) {
                if (depth != 1 || s.childName != name) return;
                s.held.reset(new PlacedElement(name, attributes, line, column));
                s.open.push_back(s.held.get());
                s.text.clear();
                return;
            }
            s.flushText();
            TiXmlElement* element = new PlacedElement(name, attributes, line, column);
            s.open.back()->LinkEndChild(element);
            s.open.push_back(element);
        } catch (...) {
            s.fail(std::current_exception());
        }
    }

    static void onEnd(void* self, const XML_Char*) {
        State& s = *static_cast<State*>(self);
        if (s.failure) return;
        --s.depth;
        if (s.open.empty()) return;
        try {
            s.flushText();
            s.open.pop_back();
            if (!s.open.empty()) return;
            std::unique_ptr<TiXmlElement> done(std::move(s.held));
            s.handler(tinybind::Element(done.get()));
        } catch (...) {
            s.fail(std::current_exception());
        }
    }

    static void onText(void* self, const XML_Char* data, int length) {
        State& s = *static_cast<State*>(self);
        if (!s.failure && !s.open.empty()) s.text.append(data, static_cast<size_t>(length));
    }

    static void onCdataStart(void* self) {
        State& s = *static_cast<State*>(self);
        if (s.failure || s.open.empty()) return;
        s.flushText();
        s.inCdata = true;
    }

    static void onCdataEnd(void* self) {
        State& s = *static_cast<State*>(self);
        if (s.failure || s.open.empty()) return;
        TiXmlText* node = new TiXmlText(s.text);
        node->SetCDATA(true);
        s.open.back()->LinkEndChild(node);
        s.text.clear();
        s.inCdata = false;
    }

    static void onEntityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                    const XML_Char*, const XML_Char*, const XML_Char*) {
        State& s = *static_cast<State*>(self);
        s.fail(std::make_exception_ptr(tinybind::parse_err(XML_ERROR_ABORTED, "entity declarations are not accepted",
                                                           static_cast<int>(XML_GetCurrentLineNumber(s.parser)),
                                                           static_cast<int>(XML_GetCurrentColumnNumber(s.parser)) + 1)));
    }
};

XmlStream::XmlStream(const std::string& rootName, const std::string& childName, Handler handler)
    : state(new State(rootName, childName, std::move(handler))) {
    if (!state->parser) {
        delete state;
        throw std::bad_alloc();
    }
    XML_SetUserData(state->parser, state);
    XML_SetElementHandler(state->parser, &State::onStart, &State::onEnd);
    XML_SetCharacterDataHandler(state->parser, &State::onText);
    XML_SetCdataSectionHandler(state->parser, &State::onCdataStart, &State::onCdataEnd);
    XML_SetEntityDeclHandler(state->parser, &State::onEntityDeclaration);
}

XmlStream::~XmlStream() { delete state; }

void XmlStream::feed(const char* data, size_t size, bool last) {
    const XML_Status status = XML_Parse(state->parser, data, static_cast<int>(size), last ? XML_TRUE : XML_FALSE);
    if (state->failure) std::rethrow_exception(state->failure);
    if (status == XML_STATUS_OK) return;
    const XML_Error code = XML_GetErrorCode(state->parser);
    throw tinybind::parse_err(code, XML_ErrorString(code), static_cast<int>(XML_GetCurrentLineNumber(state->parser)),
                              static_cast<int>(XML_GetCurrentColumnNumber(state->parser)) + 1);
}
