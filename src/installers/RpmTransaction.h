#ifndef VN_INSTALLERS_RPMTRANSACTION_H
#define VN_INSTALLERS_RPMTRANSACTION_H

#include <string>

#include <rpm/rpmtypes.h>

class Package;

// One librpm transaction over the host's rpm database: package files to install with upgrade
// semantics and installed names to erase, checked, ordered and run in one go. It lives in the
// forked child of the installer, which must not reach the message catalogue or the log (their
// locks may be held by another thread of the parent at fork time): the catalogue texts it
// raises with come in, looked up beforehand, and its own reports go to standard error.
class RpmTransaction {
public:
    // The catalogue texts of the errors that the transaction raises. Each "%s" is the
    // package path.
    struct Texts {
        std::string readConfig;   // err_rpm_read_config
        std::string dbOpen;       // err_rpmdb_open
        std::string pkgOpen;      // err_pkgopen
        std::string pkgRead;      // err_pkgread_rpmts
        std::string pkgAdd;       // err_pkg_instadd
        std::string check;        // err_rpmtrans_check
        std::string runFailed;    // err_rpmtrans_err
        // The texts of the current catalogue (only in the parent process).
        static Texts fromCatalogue();
    };

    // Reads librpm's configuration and opens the rpm database read-write;
    // "err_rpm_read_config" / "err_rpmdb_open" (4,1,1,2).
    explicit RpmTransaction(const Texts& texts);
    ~RpmTransaction();
    RpmTransaction(const RpmTransaction&) = delete;
    RpmTransaction& operator=(const RpmTransaction&) = delete;

    // Adds the package file (getFileName) as an upgrade. A remover is an internal error
    // (3,1,2,3); "err_pkgopen" (4,1,2,2), "err_pkgread_rpmts" and "err_pkg_instadd" (4,1,1,2).
    void add(Package& package);
    // Adds an erase of every installed package that `name` (an rpm label) matches; a refused
    // element is reported on standard error and skipped.
    void remove(const std::string& name);
    // Dependency check, then ordering. Problems are printed on standard error and raise
    // "err_rpmtrans_check" (5,1,1,3); an incomplete order is only a warning there.
    void check();
    // Runs the transaction, printing each package label on standard output as rpm handles
    // it. A failure raises "err_rpmtrans_err" (6,1,3,3), after rpm's problems on standard
    // error.
    void run();

private:
    rpmts ts;
    rpmps problems;
    Texts texts;
};

#endif
