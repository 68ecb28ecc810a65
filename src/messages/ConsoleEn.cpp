#include "../common/Messages.h"

// English console group: console, wizard, help and report texts.
void Messages::messages_rep::loadConsoleEn() {
    map["Vantrell"] = "Corvane Products Installer";
    map["error_sys_stable"] = "Not all packages were installed.";
    map["error_sys_unsure"] = "Warning! Not all packages were installed.\nPlease check if your system services are operable.";
    map["error_sys_broken"] = "Attention! Your software might be inoperable.";
    map["error_rep_none"] = "";
    map["error_rep_again"] = "Please try installing packages again later.";
    map["error_supp_none"] = "Please resolve this issue and try installing the packages again.";
    map["error_supp_maybe"] = "Please resolve this issue and try installing the packages again.\nIf you cannot resolve the issue on your own, contact product technical support for assistance.";
    map["error_supp_need"] = "Please, contact product technical support.";
    map["user_canceled"] = "Interrupted by user";
    map["progress_stage_init"] = "Corvane Products Installer was started";
    map["progress_stage_prep"] = "Preparing the system";
    map["progress_stage_resolv"] = "Resolving package";
    map["progress_stage_download"] = "Downloading packages";
    map["install_start"] = "Starting installation of packages";
}
