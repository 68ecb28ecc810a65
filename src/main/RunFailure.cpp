#include "RunFailure.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <typeinfo>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/TerminationState.h"
#include "../common/error.h"
#include "../common/tinybind.h"
#include "../packages/PkgManager.h"
#include "../reporting/ReportSummary.h"
#include "../sources/HttpError.h"
#include "../updates/SelfUpgrade.h"
#include "../webui/WebUiTransport.h"
#include "Options.h"
#include "finishExecution.h"
#include "mainRoutines.h"

namespace {

bool fromDefaultServer(const std::string& url) {
    return url.compare(0, std::strlen(defaultUpdateServerUrl), defaultUpdateServerUrl) == 0;
}

std::string errorLine(const error& e) { return e.hasMark(0) ? std::string() : "Error: " + e.report(); }

}  // namespace

RunFailure RunFailure::fromCurrentException() {
    RunFailure f;
    try {
        throw;
    } catch (error& e) {
        // A user who stopped the run knows why it ended.
        f.selinuxHint = !isTerminated();
        // A file missing on the maker's own server is the maker's fault, not the user's.
        if (http_error* h = dynamic_cast<http_error*>(&e))
            if (h->code == 404 && fromDefaultServer(h->url)) e.e_supp = error::supp_need;
        f.logLine = errorLine(e);
        f.message = e.report();
        f.errorClass = e.className();
    } catch (const tinybind::err& e) {
        f.logLine = "An error occurred while parsing XML data: " + e.message;
        f.message = e.message;
    } catch (const PkgManager::unhappy&) {
        f.message = "Unexpected 'unhappy' exception caught";
    } catch (const WebUiTransport::timeout&) {
        f.idleTimeout = true;
        f.logLine = Messages::getMessage("webinterface_exit_by_timeout");
    } catch (const SelfUpgrade::NeedSelfUpgrade&) {
        f.message = "Unexpected 'NeedSelfUpgrade' exception caught";
    } catch (const std::exception& e) {
        f.selinuxHint = true;
        f.logLine = f.message = std::string("Unexpected '") + typeid(e).name() + "' caught: " + e.what();
    } catch (...) {
        f.selinuxHint = true;
        f.logLine = f.message = "Unexpected exception caught";
    }
    return f;
}

RunFailure RunFailure::fromSettingsError(const error& e) {
    RunFailure f;
    f.logLine = errorLine(e);
    f.message = e.report();
    f.errorClass = e.className();
    return f;
}

RunFailure RunFailure::fromLockTestError(error& e) {
    e.qualify(4, 1, 1, 2) << Messages::getMessage("err_chk_exclusive");
    RunFailure f;
    f.logLine = errorLine(e);
    f.message = e.report();
    return f;
}

void RunFailure::end() const {
    if (selinuxHint) reportSelinuxState();
    if (idleTimeout) {
        // The web mode silenced the console; its last word must be seen.
        Log::consoleLevel = 0;
        Log(0) << logLine << std::endl;
        ReportSummary::finish();
        std::exit(0);
    }
    if (!logLine.empty()) Log(1) << logLine << std::endl;
    {
        Reporter report(status, message, errorClass);
        report.put(std::cout);
    }
    exitWithError();
}
