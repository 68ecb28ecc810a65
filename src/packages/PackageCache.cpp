// The package cache text format (reader and writer) and the `package` element of build
// descriptions: the members of Package that turn text into packages and back.
#include "Package.h"

#include <tinyxml.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/error.h"
#include "../common/readLine.h"
#include "../common/utils.h"
#include "DependencyFile.h"
#include "DependencyLogical.h"

namespace {

// Real records have file paths and requires of a few kilobytes; a line this long is no
// package data, and the bound keeps a broken or hostile list from taking all memory.
const size_t maxLineLength = 1 << 20;
// How much of an overlong line its error message shows.
const size_t shownOfLongLine = 256;

const char* const lineErrorPrefix = "Error in Package::createFromCache: input line  ";

bool isSingleTag(char tag) { return tag != '\0' && std::strchr("ABEFLMNSVfs", tag) != nullptr; }

// rpm prints "(none)" for a field it has no value for; it counts as nothing wherever it
// stands, also when deleting one brings the pieces of another together.
std::string withoutNone(const std::string& line) {
    static const char none[] = "(none)";
    const size_t n = sizeof none - 1;
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        out += c;
        if (out.size() >= n && out.compare(out.size() - n, n, none) == 0) out.resize(out.size() - n);
    }
    return out;
}

error formatError(const char* key) { return error(1, 1, 1, 3) << Messages::getMessage(key); }

// The checks every record line passes once "(none)" is gone.
void checkRecordLine(const std::string& line) {
    if (line.size() < 2) throw formatError("err_cache_shortline");
    if (line[1] != ':') throw formatError("err_cache_semicolon");
}

bool isWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The value starts at the first character after the colon that is not white space.
std::string valueOf(const std::string& line) {
    size_t i = 2;
    while (i < line.size() && isWhiteSpace(line[i])) ++i;
    return line.substr(i);
}

// One record's lines, numbered on the caller's counter.
class RecordLines {
public:
    RecordLines(FILE* file, int* counter) : file(file), counter(counter) {}

    // The next line, counted and trimmed; false at the end of the file.
    bool next() {
        std::string raw;
        const LineRead r = readLine(file, raw, maxLineLength);
        if (r == LineRead::end) return false;
        ++*counter;
        current = trim(raw);
        if (r == LineRead::tooLong) {
            current = current.substr(0, shownOfLongLine) + "...";
            throw formatError("err_cache_descend");
        }
        return true;
    }

    // The current line as a record line: "(none)" deleted, then checked.
    void clean() {
        current = withoutNone(current);
        checkRecordLine(current);
    }

    // The first raw character of the next line, left unread; EOF at the end of the file.
    int peek() {
        const int c = std::getc(file);
        if (c != EOF) std::ungetc(c, file);
        return c;
    }

    int number() const { return *counter; }
    std::string current;

private:
    FILE* file;
    int* counter;
};

// The "m:" and "5:" lines after a "P:" line, then the provide itself.
Dependency* readProvide(RecordLines& lines, const std::string& text, Package* package) {
    std::string modeText;
    std::string digestText;
    for (;;) {
        const int c = lines.peek();
        if (c == EOF) throw formatError("err_cache_descend");
        if (c != 'm' && c != '5') break;
        lines.next();
        lines.clean();
        (lines.current[0] == 'm' ? modeText : digestText) = valueOf(lines.current);
    }
    if (modeText.empty() && digestText.empty()) return new DependencyLogical(text, package);
    return new DependencyFile(text, modeText.empty() ? 0 : stringToInt(modeText), digestText, package);
}

}  // namespace

Package* Package::createFromCache(FILE* file, int* lineCounter) {
    int ownCounter = 0;
    RecordLines lines(file, lineCounter ? lineCounter : &ownCounter);
    std::map<char, std::string> fields;
    std::unique_ptr<Package> package;
    auto made = [&]() -> Package* {
        if (!package) package.reset(createFromFields(fields));
        return package.get();
    };

    // Handles the line just read; true at the end of the record.
    auto handle = [&]() -> bool {
        if (!lines.current.empty() && lines.current[0] == '#') return false;
        lines.clean();
        const std::string line = lines.current;
        const char tag = line[0];
        const std::string value = valueOf(line);

        if (isSingleTag(tag)) {
            if (package) {
                Log(1) << "Invalid cache format: multi-occured fields mixed with single-occured fields" << std::endl;
                Log(2) << lineErrorPrefix << lines.number() << ":" << line << std::endl;
                throw formatError("err_cache_descend");
            }
            std::string& slot = fields[tag];
            if (slot.empty()) {
                slot = value;
                return false;
            }
            Log(1) << std::string("Invalid cache format: tag '") + tag + "' occured twice," + " second in '" + line + "'";
            throw formatError("err_cache_multitag");
        }

        switch (tag) {
        case 'R':
            made()->addRequire(value.c_str());
            return false;
        case 'C':
            made()->addConflict(value.c_str());
            return false;
        case 'O':
            made()->addObsolete(value.c_str());
            return false;
        case 'P': {
            Package* p = made();
            p->addProvideDependency(readProvide(lines, value, p));
            return false;
        }
        case 'X':
            made();
            return true;
        default:
            Log(0) << "Warning: unknow tag in cache, whole line is: " + line + "'" << std::endl;
            return false;
        }
    };

    for (;;) {
        bool more = false;
        try {
            more = lines.next();
            if (more && handle()) return package.release();
        } catch (error& e) {
            e.qualify(1, 1, 1, 3) << lineErrorPrefix << lines.number() << ": " << lines.current;
            throw;
        }
        if (!more) {
            // Not the fault of one line, so no line is named.
            Log(1) << "createFromCache(): package must terminated with 'X' ";
            throw formatError("err_cache_unexpend");
        }
    }
}

Package* Package::createFromFields(const std::map<char, std::string>& given) {
    std::map<char, std::string> fields(given);
    for (char tag : std::string("FNEVLA")) fields.emplace(tag, std::string());

    std::string name = fields['N'];
    if (name.empty()) name = "nameless";

    if (fields['V'].empty()) {
        // The whole record in one line, so the log shows what the producer wrote.
        std::string listing;
        for (const auto& f : fields) listing += std::string(" '") + f.first + "=" + f.second + "'";
        Log(1) << listing << std::endl;
        throw formatError("err_cache_pkgvers");
    }

    std::string versionText = fields['V'];
    if (!fields['E'].empty()) versionText = fields['E'] + ":" + versionText;
    if (!fields['L'].empty()) versionText += "-" + fields['L'];

    std::string arch = fields['A'];
    if (arch.empty()) arch = "all";
    std::string fileName = fields['F'];
    if (fileName.empty()) fileName = "dummy_filename_" + name + "-" + versionText + ".rpm";

    std::unique_ptr<Package> p(create(name, versionText, fileName));
    p->setArch(arch);
    if (!fields['f'].empty()) p->fileTime = stringToInt(fields['f']);
    if (!fields['B'].empty()) p->setBuildTime(fields['B'].c_str());
    if (!fields['s'].empty()) p->setSize(fields['s'].c_str());
    if (!fields['M'].empty()) p->setMd5(fields['M'].c_str());
    return p.release();
}

Package* Package::createFromXml(const TiXmlElement& element) {
    auto required = [&element](const char* attribute) -> std::string {
        const char* value = element.Attribute(attribute);
        if (!value) {
            Log(1) << std::string("No '") + attribute + "' attribute for tag 'package'" << std::endl;
            throw error(1, 1, 1, 3) << Messages::getMessage("err_bad_pkgtag");
        }
        return value;
    };

    const std::string name = required("name");
    const std::string file = required("file");
    std::string versionText = required("version");
    const std::string release = required("release");
    if (!release.empty()) versionText += "-" + release;

    std::unique_ptr<Package> p(create(name, versionText, file));
    p->setArch(required("arch"));
    if (!file.empty()) {
        p->setMd5(required("md5").c_str());
        p->setBuildTime(required("buildtime").c_str());
        p->setSize(required("size").c_str());
    }
    p->setType('n');
    return p.release();
}

void Package::writeToCache(FILE* file, const char* fileNameOverride) const {
    if (!*name || fileName.empty()) {
        Log(0) << "Cant dump package if name or filename is empty(name=" + std::string(name) + " filename=" + fileName
               << std::endl;
        return;
    }
    if (type == 'n') {
        Log(0) << "skip dump package of no type\n";
        return;
    }

    const Version* v = getVersion();
    std::ostringstream out;
    out << "F:" << (fileNameOverride ? fileNameOverride : fileName.c_str()) << "\n";
    out << "N:" << name << "\n";
    if (v->hasEpoch()) out << "E:" << v->getEpoch() << "\n";
    out << "V:" << v->getVersion() << "\n";
    out << "L:" << v->getRelease() << "\n";
    out << "A:" << arch << "\n";
    out << "f:" << fileTime << "\n";
    out << "s:" << size << "\n";
    out << "B:" << build_time << "\n";
    out << "M:" << md5Text(md5) << "\n";
    for (const Dependency* d : requireList) out << "R:" << *d << "\n";
    for (const Dependency* d : provideList) {
        out << "P:" << *d << "\n";
        const DependencyFile* f = dynamic_cast<const DependencyFile*>(d);
        if (!f) continue;
        out << "m:" << f->getMode() << "\n";
        static const DependencyFile::md5rep_t zero = {};
        const bool noDigest = f->getDigest() && std::memcmp(f->getDigest()->digest, zero.digest, sizeof zero.digest) == 0;
        out << "5:" << (noDigest ? std::string() : f->getMd5String()) << "\n";
    }
    for (const Dependency* d : conflictList) out << "C:" << *d << "\n";
    for (const Dependency* d : obsoleteList) out << "O:" << *d << "\n";
    out << "X:\n";

    const std::string text = out.str();
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}
