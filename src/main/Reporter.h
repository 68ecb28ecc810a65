#ifndef VN_MAIN_REPORTER_H
#define VN_MAIN_REPORTER_H

#include <ostream>
#include <string>

class TiXmlElement;

enum ReporterStatus { reportOk = 0, reportError = 1, reportBusy = 2 };

// The final report of every run, and the base of every listing: a status, a message and an
// error class, written as plain text for people or as a small XML document for scripts.
// Scripts parse both forms, so their bytes are fixed.
class Reporter {
public:
    Reporter(int status, const std::string& message, const std::string& errorClass);
    virtual ~Reporter();

    // The form that xmlOutput chooses. In XML an error also goes to standard error, so that a
    // script that only reads the document's status still leaves a trace for people.
    virtual std::ostream& put(std::ostream& out);
    // The whole document, with a copy of `content` (and everything below it) as the root's
    // only child. TinyXML writes it: quoting and escaping are the library's.
    std::ostream& putXml(std::ostream& out, const TiXmlElement* content = nullptr);

    int status;
    std::string message;
    std::string errorClass;

    // Every report and listing is written as XML.
    static bool xmlOutput;
    // Put in front of the status word of the XML report ("query_", "install_").
    static std::string statusPrefix;
};

#endif
