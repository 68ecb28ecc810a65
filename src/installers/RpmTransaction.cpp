#include "RpmTransaction.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#include <rpm/header.h>
#include <rpm/rpmcli.h>
#include <rpm/rpmdb.h>
#include <rpm/rpmlib.h>
#include <rpm/rpmps.h>
#include <rpm/rpmts.h>

#include "common/Messages.h"
#include "common/error.h"
#include "packages/Package.h"

namespace {

// The text with its first "%s" replaced by `value`; the child cannot ask the catalogue.
std::string fillText(const std::string& text, const std::string& value) {
    const std::string::size_type at = text.find("%s");
    if (at == std::string::npos) return text;
    return text.substr(0, at) + value + text.substr(at + 2);
}

}  // namespace

RpmTransaction::Texts RpmTransaction::Texts::fromCatalogue() {
    Texts t;
    t.readConfig = Messages::getMessage("err_rpm_read_config");
    t.dbOpen = Messages::getMessage("err_rpmdb_open");
    t.pkgOpen = Messages::getMessage("err_pkgopen");
    t.pkgRead = Messages::getMessage("err_pkgread_rpmts");
    t.pkgAdd = Messages::getMessage("err_pkg_instadd");
    t.check = Messages::getMessage("err_rpmtrans_check");
    t.runFailed = Messages::getMessage("err_rpmtrans_err");
    return t;
}

RpmTransaction::RpmTransaction(const Texts& given) : ts(nullptr), problems(nullptr), texts(given) {
    if (rpmReadConfigFiles(nullptr, nullptr) != 0) throw error(4, 1, 1, 2) << texts.readConfig;
    ts = rpmtsCreate();
    // librpm takes "" as no root at all and refuses it; the host's root is "/".
    if (rpmtsSetRootDir(ts, "/") != 0 || rpmtsOpenDB(ts, O_RDWR) != 0) {
        rpmtsFree(ts);
        throw error(4, 1, 1, 2) << texts.dbOpen;
    }
}

RpmTransaction::~RpmTransaction() {
    rpmpsFree(problems);
    rpmtsFree(ts);
}

void RpmTransaction::add(Package& package) {
    if (package.getType() == 'd')
        throw error(3, 1, 2, 3) << "RpmTransaction::add(): pkg is dummyRemover, use 'remove()' method instead.";
    const std::string path = package.getFileName();
    FD_t fd = Fopen(path.c_str(), "r.ufdio");
    if (!fd || Ferror(fd)) {
        if (fd) Fclose(fd);
        throw error(4, 1, 2, 2) << fillText(texts.pkgOpen, path);
    }
    Header header = nullptr;
    const rpmRC rc = rpmReadPackageFile(ts, fd, path.c_str(), &header);
    if (rc != RPMRC_OK && rc != RPMRC_NOTTRUSTED && rc != RPMRC_NOKEY) {
        headerFree(header);
        Fclose(fd);
        throw error(4, 1, 1, 2) << fillText(texts.pkgRead, path);
    }
    // librpm keeps the key pointer until the transaction ends: give it a copy that lives as
    // long as the process (the child ends right after its one transaction).
    const char* key = strdup(path.c_str());
    const int added = rpmtsAddInstallElement(ts, header, key, 1, nullptr);
    headerFree(header);
    Fclose(fd);
    if (added != 0) throw error(4, 1, 1, 2) << fillText(texts.pkgAdd, path);
}

void RpmTransaction::remove(const std::string& name) {
    rpmdbMatchIterator it = rpmtsInitIterator(ts, RPMDBI_LABEL, name.c_str(), 0);
    while (Header header = rpmdbNextIterator(it)) {
        const unsigned int offset = rpmdbGetIteratorOffset(it);
        if (offset == 0) continue;
        if (rpmtsAddEraseElement(ts, header, offset) != 0)
            std::fprintf(stderr, "Failed adding %s to transaction (erase)\n", name.c_str());
    }
    rpmdbFreeIterator(it);
}

void RpmTransaction::check() {
    const int rc = rpmtsCheck(ts);
    rpmpsFree(problems);
    problems = rpmtsProblems(ts);
    if (rc != 0 || rpmpsNumProblems(problems) > 0) {
        rpmpsPrint(stderr, problems);
        problems = rpmpsFree(problems);
        throw error(5, 1, 1, 3) << texts.check;
    }
    const int unordered = rpmtsOrder(ts);
    if (unordered != 0)
        std::fprintf(stderr, "Warning: %d of (added) packages could not be ordered\n\n", unordered);
}

void RpmTransaction::run() {
    const rpmprobFilterFlags filter = rpmtsFilterFlags(ts);
    rpmtsSetFlags(ts, rpmtsFlags(ts));
    rpmtsClean(ts);
    rpmtsSetNotifyCallback(ts, rpmShowProgress, reinterpret_cast<rpmCallbackData>(static_cast<intptr_t>(INSTALL_LABEL)));
    const int rc = rpmtsRun(ts, nullptr, filter);
    rpmpsFree(problems);
    problems = rpmtsProblems(ts);
    if (rc == 0) return;
    if (rc > 0) {
        std::fputs("Error while running transaction\n", stderr);
        if (rpmpsNumProblems(problems) > 0) rpmpsPrint(stderr, problems);
    }
    throw error(6, 1, 3, 3) << texts.runFailed;
}
