#include "ProductInf3FileGuard.h"

#include <atomic>

#include <boost/format.hpp>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/hostinfo.h"

namespace {

// Written by the guards of the run's thread, read by the driver's failure handler.
std::atomic<bool> newBuildAvailable{false};

}  // namespace

ProductInf3FileGuard::ProductInf3FileGuard(const FileFetcher& source, const std::string& descriptionName)
    : fetcher(source), name(descriptionName), uncaught(std::uncaught_exceptions()) {
    path = fetcher.getFile(name, "");
    char hex[33];
    if (!md5File(path.c_str(), hex))
        throw error(4, 1, 1, 2) << boost::format(Messages::getMessage("err_md5_pre")) % path;
    digest = hex;
}

ProductInf3FileGuard::~ProductInf3FileGuard() noexcept {
    // A stop by the user is no failure to explain, and a run that went well has nothing to
    // explain either.
    if (isTerminated()) return;
    if (std::uncaught_exceptions() <= uncaught) return;
    try {
        compareAgain();
    } catch (...) {
        warnNotCompared(std::current_exception());
    }
}

void ProductInf3FileGuard::compareAgain() {
    fetcher.quiet = true;
    fetcher.getFile(name, "");
    char hex[33];
    if (!md5File(path.c_str(), hex)) {
        Log(0) << Messages::getMessage("err_chk_md5") << path << "\n";
        return;
    }
    if (digest == hex) return;
    Log(0) << Messages::getMessage("new_build_avail") << "\n";
    newBuildAvailable = true;
}

void ProductInf3FileGuard::warnNotCompared(std::exception_ptr failure) const noexcept {
    try {
        std::string why;
        try {
            std::rethrow_exception(failure);
        } catch (const error& e) {
            why = e.text();
        } catch (const std::exception& e) {
            why = e.what();
        } catch (...) {
            why = "unknown failure";
        }
        // One log line: the error's lines joined.
        while (!why.empty() && why.back() == '\n') why.pop_back();
        for (char& c : why)
            if (c == '\n') c = ' ';
        Log(1) << "Warning: the description " << name << " could not be fetched again to look for a new build: "
               << why << "\n";
    } catch (...) {
        // Nothing more can be said; the error that is leaving the run matters more.
    }
}

bool ProductInf3FileGuard::isNewBuildAvailable() { return newBuildAvailable; }
