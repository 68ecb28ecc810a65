#include "finishExecution.h"

#include <cstdlib>

#include "../common/Log.h"
#include "../common/Messages.h"
#include "../common/utils.h"
#include "../reporting/ReportSummary.h"
#include "Options.h"
#include "Reporter.h"

void finishExecution(bool success) {
    std::string address;
    try {
        address = Options::instance().notifyEmail;
    } catch (...) {
        // Settings that cannot be built name no address; the run still ends as it would.
        return;
    }
    if (address.empty()) return;
    const char* subject = success ? "The Panel was successfully updated." : "Failed to update the Panel.";
    const std::string body = Log::summaryText() + "\n\n---\n" + Messages::getMessage("Vantrell") + ".";
    sendMail(address, subject, body);
    // Written after the body was taken, so it is no part of the mail itself.
    Log(1) << "A message was sent to " << address << std::endl;
}

void exitWithError() {
    finishExecution(false);
    if (Reporter::xmlOutput) {
        ReportSummary::finish();
        std::exit(0);
    }
    Log(3) << "Exit with error" << std::endl;
    ReportSummary::finish();
    std::exit(1);
}

void exitWithSuccess() {
    finishExecution(true);
    Log(3) << "Exit with success" << std::endl;
    ReportSummary::finish();
    std::exit(0);
}
