#include "DebPackage.h"

#include <boost/format.hpp>

#include "../common/Messages.h"
#include "../common/ShellQuote.h"
#include "../common/SystemCmd.h"
#include "../common/error.h"
#include "../common/readLine.h"
#include "../common/utils.h"
#include "DebVersion.h"

namespace {

const char* const sourceName = "DebPackage";
const int lineNoVersion = 55;

// Control fields are far shorter; longer lines are descriptions and are not looked at.
const size_t maxControlLine = 64 * 1024;

// The value of a control field line "Name: value", or false for another line. A field
// starts in the first column: an indented line continues the description, and a text there
// that looks like a field must not change the package.
bool fieldValue(const std::string& raw, const std::string& field, std::string& value) {
    if (raw.empty() || raw[0] == ' ' || raw[0] == '\t') return false;
    const std::string line = trim(raw);
    if (line.compare(0, field.size(), field) != 0) return false;
    value = line.substr(field.size());
    return true;
}

}  // namespace

DebPackage::DebPackage(const std::string& name, const std::string& versionText)
    : Package(name, new DebVersion(versionText)) {}

DebPackage::~DebPackage() = default;

void DebPackage::readInfo() {
    const std::string file = getFileName();
    try {
        SystemCmd cmd("dpkg -I " + shellQuote(file) + " control", SystemCmd::read_mode, true);
        std::string line;
        std::string value;
        LineRead r;
        while ((r = readLine(cmd.fp, line, maxControlLine)) != LineRead::end) {
            if (r == LineRead::tooLong) continue;
            if (fieldValue(line, "Package: ", value))
                setName(value);
            else if (fieldValue(line, "Version: ", value))
                setVersion(new DebVersion(value));
            else if (fieldValue(line, "Architecture: ", value))
                setArchAsGiven(value);
        }
        if (!hasVersion()) throw internalError(sourceName, lineNoVersion);
        readFileFacts();
        // Leaving the scope closes the command; a failed dpkg raises here, with the record filled.
    } catch (error& e) {
        e.qualify(4, 1, 1, 2) << boost::format(Messages::getMessage("err_pkgread")) % file;
        throw;
    }
}
