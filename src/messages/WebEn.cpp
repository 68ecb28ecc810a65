#include "../common/Messages.h"

// English web group: the texts of the web interface ("web_" keys). The pages insert them
// into markup and scripts unescaped, so only the texts that need it hold markup.
void Messages::messages_rep::loadWebEn() {
    // Every page
    map["web_caption"] = "Corvane Products Installer";
    map["web_copyright"] = "1999-2010 Corvane";
    map["web_copyright_notice"] = "All rights reserved.";
    map["web_err_pl_responce_no_root"] = "Bad response from backend: no root element.";
    map["web_err_pl_responce_wrong_root"] = "Bad response from backend: wrong root element.";
    map["web_err_pl_responce_no_status"] = "Bad response from backend: the status attribute is missing.";

    // Login page
    map["web_intro1"] = "Install and update Corvane products with";
    map["web_intro2"] = "Corvane Products Installer";
    map["web_language"] = "Language";
    map["web_user_notice"] = "You must log in to the user account in the operating system. The account must be assigned the right to install software.";
    map["web_login"] = "Login name";
    map["web_password"] = "Password";
    map["web_submit_user"] = "Log In";
    map["web_bad_login"] = "Unable to log you in. Check whether you entered the right login name and password, and that the user account exists in the system.";
    map["web_wait_note"] = "Loading your system configuration... It might take several minutes";

    // Page headings and tabs
    map["web_short_intro"] = "Install and Update Corvane Products";
    map["web_short_or_intro"] = "Install or Upgrade Corvane Products";
    map["web_summary_page"] = "Summary";
    map["web_preferences_page"] = "Updates source and installation settings";

    // Summary page "/summary.html"
    map["web_ins_upg_product"] = "Install or Upgrade Product";
    map["web_ins_upg_product_rem"] = "Install a new product or upgrade an existing one";
    map["web_update_components"] = "Update Components";
    map["web_update_components_rem"] = "Update the components for which there are available updates";
    map["web_add_components"] = "Add Components";
    map["web_add_components_rem"] = "Add components for an installed product";
    map["web_products_summary"] = "Products summary:";
    map["web_product_upgrade_avail"] = "Latest version available:";
    map["web_product_update_avail"] = "Component updates are available";
    map["web_product_not_installed"] = "Not installed";
    map["web_prodversion_details"] = "Details";
    map["web_product_details"] = "Product description";
    map["web_releases_no_avail"] = "There are no products for your operating system<br>( %s ) available<br> from the selected source.<br><br>You can try <a href=\"preferences.html\">using another source</a>.<br>";
    map["web_vantrell_using"] = "By using Corvane Products Installer, you agree to the";
    map["web_terms_conditions"] = "Terms and Conditions";
    map["web_warn_server"] = "The Updates server is not accessible at the moment. Therefore, no information about available and already installed products and updates can be shown, and no operations can be performed.";
    map["web_try_reconnect"] = "Try reconnecting";
    map["web_warn_server_or"] = ", or";
    map["web_check_settings"] = "check the Updates server settings";
    map["web_warn_server_end"] = ".";
    map["web_selfupgrade_prepare"] = "Downloading new Corvane Products Installer version...";
    map["web_selfupgrade_ready"] = "Corvane Products Installer was updated.";

    // Self-upgrade notice
    map["web_selfupgrade_autorefresh1"] = "This page will automatically refresh in a while.<br>If you experience any difficulties, follow this ";
    map["web_selfupgrade_autorefresh2"] = "link";
    map["web_selfupgrade_autorefresh3"] = ".";

    // Preferences page "/preferences.html"
    map["web_product_source"] = "Corvane products and updates source";
    map["web_download_from"] = "Download installation files from";
    map["web_official_server"] = "Official Corvane Updates server";
    map["web_mirror_server"] = "Mirror server";
    map["web_local_media"] = "Local media";
    map["web_storage_directory"] = "Store installation files in directory";
    map["web_mirror_url"] = "URL to the directory with .inf3 file ";
    map["web_local_path"] = "Absolute path to the .inf3 file ";
    map["web_proxy_using"] = "Connect using a proxy";
    map["web_proxy_address"] = "Proxy address and port";
    map["web_proxy_auth"] = "Require authentication";
    map["web_freebsd_ports"] = "FreeBSD ports";
    map["web_ports_snapshot"] = "Use ports snapshot";
    map["web_ports_tarball"] = "URL to FreeBSD ports collection tarball";
    map["web_ports_unpack_dir"] = "Unpack ports collection to directory";
    map["web_ports_cvsup"] = "Update ports using the cvsup utility";
    map["web_ports_cvsup_url"] = "from URL";
    map["web_mastersite_override"] = "Override the default location for distribution files with the following";
    map["web_mastersite_hint"] = "One URL or local path per line";
    map["web_installer_settings"] = "Installer settings";
    map["web_interface_language"] = "Interface language";
    map["web_save_preferences"] = "Save";
    map["web_discard_changes"] = "Discard changes";
    map["web_required_preferences"] = " - required fields";
    map["web_bad_fields_values"] = "Some fields contain improper values. Please specify proper values.";

    // Product selection page "/iup.html"
    map["web_select_products"] = "Select the products you want to install or upgrade:";
    map["web_preview_components"] = "Preview components selection";
    map["web_installed_version"] = "Installed version:";
    map["web_installation_type"] = "Installation type:";
    map["web_upgrade_to"] = "Upgrade to:";
    map["web_continue"] = "Continue";
    map["web_cancel_installation"] = "Cancel installation";
    map["web_iup_cancel_confirm"] =
        "Product installation was not finished.\\nCancel anyway?";
    map["web_products_allready_installed"] =
        "You already have the latest product versions\n"
        " installed. Installation will not continue.";
    map["web_bestwith_intro"] = "The product versions you selected do not work well together. We recommend that you select the product versions as follows:";
    map["web_bestwith_outtro"] = "Select other product versions, or click Continue to proceed with the selected product versions.";
    map["web_works_better"] = " works better with ";
    map["web_instead_of"] = "You have selected: ";

    // Component selection pages "/select_components.html", "/update_components.html", "/add_components.html"
    map["web_components_intro"] = "Select the components you want to install or update. Clear the check boxes corresponding to the components that you do not want to install or update. If a new product version contains alternative components, then the currently used component is marked with an asterisk (*).";
    map["web_components_update"] = "Below is a list of components for which updates are available. Select the components that you want to update.";
    map["web_components_add"] = "Select the components that you want to add. Already installed components are selected automatically. If there are alternative components, then the currently selected components are marked with asterisks (*).";
    map["web_update_components_intro"] = "Update Product Components";
    map["web_add_components_intro"] = "Add Product Components";
    map["web_components_all_select"] = "Select all";
    map["web_components_all_deselect"] = "None";
    map["web_show_only_installed"] = "Show only not installed components";
    map["web_compcount1"] = "";
    map["web_compcount2"] = " of ";
    map["web_compcount3"] = " selected";
    map["web_components_deps_intro1"] = "Installation of the selected components requires that the following components be also installed:";
    map["web_components_deps_intro2"] = "";
    map["web_compdep_for"] = "For ";
    map["web_components_deps_outtro"] = "To install all the required components, click Continue. To cancel installation of components, clear the corresponding check boxes.";
    map["web_install_product_legend1"] = "Status of components: ";
    map["web_install_product_legend2"] = "up-to-date";
    map["web_install_product_legend3"] = "updates available";
    map["web_install_product_legend4"] = "not installed";
    map["web_cancel_modifying"] = "Cancel modifying";
    map["web_cancel_updating"] = "Cancel updating";
    map["web_ac_cancel_confirm"] =
        "Addition of components was not finished.\\nCancel anyway?";
    map["web_uc_cancel_confirm"] =
        "Updating of components was not finished.\\nCancel anyway?";

    // Component settings page "/cp.html"
    map["web_components_params"] = "Some components selected for installation or upgrade require that you specify certain parameters. All fields are required.";
    map["web_bad_param_values"] = "Some fields are empty or contain improper values. Please specify the required information.";
    map["web_params_note"] = "All fields are required";
    map["web_install_cancel_confirm"] =
        "Product installation was not finished.\\nCancel anyway?";
    map["web_err_pl_responce_no_prodname"] = "Bad response from backend: product name is missing.";

    // Installation progress page "/install_progress.html"
    map["web_progress_caption"] = "Processed products:";
    map["web_progress_install"] = "Install";
    map["web_progress_upgrade"] = "Upgrade to";
    map["web_progress_waiting"] = "Waiting...";
    map["web_inprogress"] = "In progress...";
    map["web_progress_installed"] = "Installed";
    map["web_progress_upgraded"] = "Upgraded";
    map["web_operations_log"] = "Operations log:";
    map["web_progress_inactivity"] = "Note: Installer closes automatically after 30 minutes of inactivity. In such a case, to continue working with Installer, you will need to start the Installer again.";

    // Keys that nothing shows
    map["web_ports_product_sn"] = "Use ports snapshot shipped with the product";
    map["web_global_params"] = "Global configuration applied to all selected products";
    map["web_err_pl_responce"] = "Unable to retrieve a list of products.";
    map["web_err_pl_responce_no_products"] = "Bad response from backend: there is no products list.";
    map["web_err_pl_responce_no_prodid"] = "Bad response from backend: product identifier is missing.";
}
