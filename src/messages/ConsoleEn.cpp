#include "../common/Messages.h"

// English console group: the program's name, console, wizard and report texts and the
// command-line help. Every other language is stored over these texts.
void Messages::messages_rep::loadConsoleEn() {
    map["Vantrell"] = "Corvane Products Installer";

    // Command-line help, printed as usage10, usage20 and usage30 one after another
    map["usage10"] =
        "Usage: corvane_installer [OPTIONS]\n"
        "\n"
        " Product and operating system updates source:\n"
        "  --source <URL or absolute path to .inf3 file>\n"
        "                         URL (http://mirror.example.com/corvane/) or absolute path\n"
        "                         to an .inf3 file on your hard disk.\n"
        "  Examples:\n"
        "    'http://updates.corvane.example/'\n"
        "    '/root/corvane/NVO_8.1.0/tarnix-8.1.0-deb3.1-i386.inf3'\n"
        "\n"
        "  --disable-tarnix-sys-updates\n"
        "                         Do not use operating system updates shipped\n"
        "                         with Corvane Panel and other products\n"
        "\n"
        "  --add-source <type,priority,url[,username,environment variable with password]>\n"
        "                         Specify an additional source of packages.\n"
        "                         You can specify either of the following source\n"
        "                         types: repodata, directory.\n"
        "  Examples:\n"
        "    'repomd,500,http://mirror.example.com/centos/5/updates/i386/'\n"
        "    'directory,500,/mnt/updates'\n"
        "\n"
        "    --show-additional-source-types\n"
        "                         Show possible source types for --add-source\n"
        "\n"
        "    --show-additional-sources\n"
        "                         Show the additional sources you configured\n"
        "\n"
        " Proxy server options:\n"
        "    --proxy-host <host>  When using a proxy server or a firewall, use this\n"
        "                         option to specify the proxy server's domain name\n"
        "                         or IP address.\n"
        "\n"
        "    --proxy-port <port>  Default port for connecting to proxy server is 3128.\n"
        "                         If your proxy server uses a different port number,\n"
        "                         you should specify it using this option.\n"
        "\n"
        "    --proxy-user <user>  Set username for authorization at the proxy server\n"
        "\n"
        "    --proxy-password <password>\n"
        "                         Set password for authorization at the proxy server\n"
        "\n"
        " Select a product version:\n"
        "    --select-product-id <product id>\n"
        "                         Select the product by specifying its ID. To see the\n"
        "                         list of all supported product IDs, use\n"
        "                         --show-all-releases option.\n"
        "\n"
        "    --select-release-id <release id>\n"
        "                         Use this option to specify the product version that you\n"
        "                         want to install or whose properties you want to view.\n"
        "\n"
        "    --select-release-latest\n"
        "                         Select the latest product version available for\n"
        "                         your operating system\n"
        "\n"
        "    --select-release-current\n"
        "                         Select the same product version as the one installed\n"
        "                         on your server\n"
        "\n"
        " Options for selecting components:\n"
        "    --installation-type <type name>\n"
        "                         Install a predefined set of components.\n"
        "                         This option can be used only for installing\n"
        "                         the product. It is not available if a product version\n"
        "                         is already installed on the server.\n"
        "\n"
        "    --install-component <component id>\n"
        "                         Install the product component with specified\n"
        "                         identifier\n"
        "\n"
        "    --install-everything\n"
        "                         Install all components of the selected product version\n"
        "\n"
        "    --upgrade-installed-components\n"
        "                         Upgrade all installed components of the selected\n"
        "                         product version\n"
        "\n"
        " The options for selecting the product, release and components are order-sensitive.\n"
        " They have to be used in the following order:\n"
        "   [ --select-product-id <PROD_ID> ] \\ \n"
        "   --select-release-(id|latest|current) \\ \n"
        "   --install-component or --install-everything or --upgrade-installed-components\n"
        "\n"
        "    --disable-major-updates\n"
        "                         Block installation of major updates in the batch mode.\n"
        "                         This option is switched off by default.\n"
        "\n"
        " Installer options:\n"
        "    --allow-kernel-install\n"
        "                         Allow kernel upgrade. By default, the Corvane\n"
        "                         Products Installer does not make any kernel upgrades.\n"
        "\n"
        "Note that Corvane Products Installer installs new kernels to the system,\n"
        "leaving the older kernel aside so that you can revert to it at any time.\n"
        "\n";
    map["usage20"] =
        "    --install-system-only\n"
        "                         Install only system packages required for product\n"
        "                         installation. Do not install product packages.\n"
        "\n";
    map["usage30"] =
        "    --use-existing-ports\n"
        "                         FreeBSD-specific option\n"
        "                         (You may want to use this to prepare the machine for\n"
        "                         installation of the product.)\n"
        "\n"
        "    --no-space-check     Install packages even if you are low on disk space.\n"
        "\n"
        " Use the following options for selecting and installing packages,\n"
        " and setting up mirrors:\n"
        "    --show-releases      Specify this option to retrieve a list of available\n"
        "                         product versions for the operating system where the\n"
        "                         Corvane Products Installer is executed. You will\n"
        "                         be given a list of release identifiers and release\n"
        "                         descriptions. The release identifiers are what you\n"
        "                         will need to deal with.\n"
        "\n"
        "    --show-all-releases  This option shows all product versions available from\n"
        "                         the official product updates server. Product IDs\n"
        "                         are listed in the first column, product version\n"
        "                         IDs are listed in the second column and product\n"
        "                         names are listed in the third column.\n"
        "\n"
        "    --show-os-list       Use this option to find out on which operating systems\n"
        "                         the product version you selected can run.\n"
        "\n"
        "    --show-installation-types\n"
        "                         Show names of predefined sets of components\n"
        "                         for selected product.\n"
        "\n"
        "    --show-components    Use this option to obtain the information on the\n"
        "                         components available for the selected product version.\n"
        "                         Components descriptions and names will be displayed.\n"
        "                         The component names are what you need to specify when\n"
        "                         selecting additional components to install.\n"
        "\n"
        "    --show-options       This option can be used only with the --show-components\n"
        "                         option. Use it if you want to view available\n"
        "                         installation settings.\n"
        "\n"
        "    --show-packages      Show additional packages required for installation of\n"
        "                         selected components.\n"
        "\n"
        "    --mirror-os <id>     This option activates the mirroring feature in\n"
        "                         Corvane Products Installer. If you want to mirror\n"
        "                         product versions for different operating systems, you\n"
        "                         should specify this option per each operating system.\n"
        "\n"
        "    --install-package <name>\n"
        "                         Install package with specified name\n"
        "    --reinstall-patch    Reinstall patches for all selected products.\n"
        "\n"
        " Options for interaction with other software:\n"
        "    --enable-xml-output  Specify this option to have all output of\n"
        "                         Corvane Products Installer in XML format. Note that\n"
        "                         this option disallows Corvane Products Installer to\n"
        "                         report errors by exit code. Exit code is always zero\n"
        "                         and all errors are reported inside XML output.\n"
        "\n"
        "    --query-status       Use this option to find out if Corvane Products\n"
        "                         Installer is active. This will return either an exit\n"
        "                         code (0 - Corvane Products Installer is idle,\n"
        "                         1 - Corvane Products Installer is running and busy),\n"
        "                         or XML-formatted output.\n"
        "\n"
        "    --check-updates      Specify this option to check the updates server for\n"
        "                         updates applicable to your product version.\n"
        "                         A list of releases that you can update or upgrade to\n"
        "                         will be shown.\n"
        "  Example:\n"
        "    --select-product-id kelbor --check-updates\n"
        " (you first need to select a product, and \n"
        "  then specify what you want to do with it.)\n"
        "\n"
        "    --no-daemon          Perform installation process in the foreground\n"
        "\n"
        "    --web-interface      Opens the Web-based installation wizard in\n"
        "                         a Web browser.\n"
        "\n"
        "    --ssl-cert <file.pem>\n"
        "                         Specifies the path to the SSL certificate file that\n"
        "                         should be used for securing connections.\n"
        "\n"
        "    --without-ssl        Specifies that connections to the Web-based\n"
        "                         installation wizard will not be secured.\n"
        "\n"
        " FreeBSD specific options:\n"
        "    --cvsup-host <hostname>\n"
        "                         Hostname of CVS server for retrieving updates for\n"
        "                         FreeBSD ports\n"
        "\n"
        " Override operating system detection results:\n"
        "    --override-os-name <arg>\n"
        "                         Override detected operating system name\n"
        "\n"
        "    --override-os-vendor <arg>\n"
        "                         Override detected operating system vendor\n"
        "\n"
        "    --override-os-version <arg>\n"
        "                         Override detected operating system version\n"
        "\n"
        "    --override-os-arch <arg>\n"
        "                         Override detected operating system architecture\n"
        "\n"
        "    --override-environment <arg>\n"
        "                         Override detected environment\n"
        "                         (possible values are 'dedicated', 'bx', 'vserver')\n"
        "\n"
        " Interactive user interface options:\n"
        "    --no-clear           Do not clear screen when moving between wizard's pages\n"
        "\n"
        " General options:\n"
        "    --target <dir>       The directory where downloaded files must be stored.\n"
        "\n"
        "    --notify-email <email>\n"
        "                         Use this option to have the Corvane Products\n"
        "                         Installer send you status reports by e-mail.\n"
        "                         A successful completion report includes a list of\n"
        "                         installed or upgraded packages with a detailed log.\n"
        "\n"
        "    --truncate-log       Clear log file on Corvane Products Installer start\n"
        "\n"
        "    --separate-log       Use new log file for each start of Corvane Products\n"
        "                         Installer\n"
        "\n"
        "    --debug              Turn on detailed output into log file\n"
        "\n"
        "    --version            Show Corvane Products Installer's version\n"
        "\n"
        "    --usage,\n"
        "    --help               Show this help page\n"
        "\n";

    // Status answers
    map["status_not_locked"] = "Corvane Products Installer is not running.";
    map["status_locked_by_another"] = "Update operation was locked by another update process.";
    map["status_daemon_launched"] = "Corvane Products Installer daemon launched.";
    map["status_busy"] = "Another instance of Corvane Products Installer is already running.";

    // Error report
    map["error_sys_stable"] = "Not all packages were installed.";
    map["error_sys_unsure"] =
        "Warning! Not all packages were installed.\n"
        "Please check if your system services are operable.";
    map["error_sys_broken"] = "Attention! Your software might be inoperable.";
    map["error_rep_again"] = "Please try installing packages again later.";
    map["error_supp_none"] = "Please resolve this issue and try installing the packages again.";
    map["error_supp_maybe"] =
        "Please resolve this issue and try installing the packages again.\n"
        "If you cannot resolve the issue on your own, contact product technical support for assistance.";
    map["error_supp_need"] = "Please, contact product technical support.";

    // Run messages of the drivers
    map["progress_stage_init"] = "Corvane Products Installer was started";
    map["progress_stage_prep"] = "Preparing the system";
    map["progress_stage_resolv"] = "Resolving package";
    map["progress_stage_download"] = "Downloading packages";
    map["install_start"] = "Starting installation of packages";
    map["checking_comps_status"] = "Checking the status of the product components...";
    map["components_allready_installed"] =
        "You already have the latest version of product(s) and all selected components\n"
        " installed. Installation will not continue.";
    map["added_comps_by_deps"] = "The following components will be installed because they are required by the components you selected:";
    map["releases_no_selected"] = "No product version was selected for installation.";
    map["install_ok"] = "The packages were installed successfully.";
    map["user_canceled"] = "Interrupted by user";
    map["ignored_hostname_chk"] =
        "Warning: Host name check failed.\n"
        "%s\n"
        "Your host name must resolve to the correct IP address of your server, except for\n"
        "the cases when you use network address translation (NAT).\n"
        "The installer will continue the installation skipping the host name check,\n"
        "however, there are chances that the product will not be installed properly.\n";
    // The later text of this key is the one kept.
    map["major_updates_skipped"] =
        "Available updates were not installed because they are major updates, and batch\n"
        "mode installation of such updates is forbidden by the currently applied option\n"
        " --disable-major-updates.\n";
    map["major_updates_skipped"] =
        "Available updates were not installed because they are major updates, and batch\n"
        "mode installation of such updates is forbidden by the current setting\n"
        "of --disable-major-updates option.\n";
    map["system_native_pkg_managers_disabled"] =
        "The use of native package managers (such as yum and zypper) is not supported\n"
        "by the product being installed.\n";
    map["mirroring_mode_is_deprecated"] =
        "Mirroring functionality might be removed from\n"
        "the future versions of Corvane Products Installer.\n"
        "Visit http://kb.corvane.example/article/1181 to learn how to\n"
        "set up mirrors using rsync utility.";
    map["goto_webinterface_url"] =
        "\n"
        "Web interface is now started.\n"
        "  Please visit %s in your browser.\n"
        "\n";
    map["not_canceled_yet"] = "Unable to stop the process in the background. The task is in progress.";
    map["webinterface_exit_by_timeout"] = " Corvane Products Installer was closed because of a long period of inactivity.";
    // Replaced by the error group, which is stored after this one.
    map["err_rc_param"] = "Warning! There is an unknown parameter in Corvane Products Installer's rc configuration file:\n";
    map["err_send_mail"] = "Warning: failed to send the installation report by e-mail.";
    map["err_get_free_space"] = "Warning! Unable to determine the amount of free disk space: ";

    // Listing reports
    map["releases_reporter_no_updates"] = "There are no updates. You have up-to-date versions of installed components";
    map["releases_reporter_list_empty"] = "There are no suitable product versions";
    map["packages_no_reqpackages"] = "No additional packages are required for installation of selected components.";

    // Package sources, product list and downloads
    map["download_file"] = "File downloading ";
    map["download_done"] = "was finished.";
    map["check_system_packages"] = "Checking for installed packages... ";
    map["read_system_packages"] = "Reading the information about the installed packages... ";
    map["read_dir_pkglist"] = "Reading the list of packages from the directory ";
    map["read_dir_pkginfo"] = "Reading the information about the packages from the %s directory...";
    map["new_build_avail"] = "Warning: a new build of the product was published on the server while the installation was in progress.";
    map["err_chk_md5"] = "Failed to calculate a checksum for the file ";
    map["err_read_prodsinfo"] = "Failed to read the product information from the file";
    map["err_apt_reference"] =
        "Warning: Corvane Products Installer's configuration file contains a wrong reference\n"
        "to APT packages repository. Therefore, this repository will not be mirrored.";
    map["err_port_mtime"] = "Failed to get the port creation time from ";

    // Dependency report
    map["deps_report_head"] = "The following could cause the installation failure:";
    map["err_dep_from_pkg_unresolved"] =
        "%s: No suitable solutions were found\n"
        "for the \"%s\" dependency.\n";
    map["err_pkg_downgrade"] =
        "Unable to downgrade '%s' package to version %s:\n"
        "  version %s is currently installed.";
    map["err_pkg_clash"] = "Packages \"%s\" and \"%s\" cannot be installed at the same time";
    map["err_pkg_fileconfl"] = "because of the conflict with the file \"%s\"";
    map["err_pkg_depconfl"] = "because \"%s\" conflicts with \"%s\".";
    map["pkg_select_reason"] = "The package \"%s\" was chosen because of the following dependencies:";
    map["pkg_select_depend"] = "    \"%s\" from \"%s\"";
    map["deps_long_report"] =
        "There were also other problems encountered. For details,\n"
        "refer to the log file: %s.\n";

    // Installation
    map["searching_need_pkgs"] = "Determining the packages that need to be installed.";
    map["checking_deps"] = "Checking whether the package dependencies are resolved.";
    map["installling_pkgs"] = "Installing packages";
    map["installing_pkglist"] = "Installing the following packages:";
    map["err_no_packages"] = "You did not specify which packages must be installed.";
    map["install_remove"] = "Removing the package ";
    map["install_install_package"] = "Installing the package ";
    map["install_install_port"] = "Installing the port ";
    map["install_upgrade_port"] = "Upgrading the port ";
    map["install_error"] = "Installation error: ";
    map["process_done"] = "done";
    map["process_failed"] = "failed";
    map["process_collecting_error_details"] = "Collecting error details into log file...";
    map["warn_apt_cdrom_in_source"] =
        "Warning: The CD/DVD sources were detected in APT sources list.\n"
        "This may cause Corvane Products Installer to hang when APT tries to install something from the CD/DVD.";

    // Container agent
    map["bxagent_using"] = "Corvane Containers were detected. Trying to connect to BXAgent...";
    map["err_bxagent_connect_rsn"] = "Warning! Failed to connect to BXAgent: ";
    map["err_bxagent_connect"] = "Warning: Failed to connect to BXAgent.";
    map["bxagent_ready"] = "Connected to BXAgent successfully.";
    map["no_base_kv"] = "Warning: an KV template for the base component was not found on the node.";
    map["std_tmpl_detected"] = "Warning: unable to install the product using KV templates because the standard templates were found inside the Container.";
    map["installing_using_kv"] = "Installing the selected component using KV templates.";
    map["bxagent_succeed"] = "BXAgent has installed the packages successfully.";
    map["err_bxagent_resp"] = "Warning: a malformed response was received from BXAgent.";
    map["reading_node_kvlist"] = "Reading a list of KV templates available on the node...";
    map["err_read_node_kvlist"] = "Warning: unable to read a list of templates from the node.";
    map["reading_vps_kvlist"] = "Reading a list of templates installed in the Container.";
    map["kvlist_to_upgrade"] = "The following templates in the Container will be upgraded:";
    map["kvlist_to_install"] = "The following templates will be installed in the Container:";
    map["bxagent_new_packages"] = "The following new packages will be installed in the Container:";

    // Host package tools and patches
    map["process_update_yum"] = "Trying to update Yum utility...";
    map["process_clean_space"] = "Cleaning up the product ports... ";
    map["process_apt_get_update"] = "Updating the list of available packages from the APT sources...";
    map["process_configure_zypper_sources"] = "Configuring the Zypper package sources...";
    map["process_restore_zypper_sources"] = "Restoring the previous Zypper package sources...";
    map["err_set_proxyvar"] = "Warning: Failed to set the http_proxy environment variable.";
    map["process_install_patches"] = "Installing patches...";
    map["process_patches_installed"] = "Patches were installed successfully.";

    // FreeBSD ports
    map["freebsd_configurator_remove_packages"] = "Removing the packages that conflict with the product...";
    map["ports_dont_touch"] =
        "We recommend that you use the ports snapshot shipped with this product\n"
        "version for the following reasons: precompiled system binary packages\n"
        "are available for this snapshot, which reduces product installation time;\n"
        "The product was tested on this snapshot and we do not guarantee that\n"
        "the product will function properly on other ports snapshots.\n"
        "\n"
        "Do you still want to use your installed ports?";
    map["err_rm_tmpdir"] = "Warning! failed to remove the temporary directory ";
    map["prep_ports"] = "Preparing ports for product installation:";
    map["install_portupgrade"] = "Installing the portupgrade utility...";
    map["deploying_sysports"] = "Deploying the system ports collection...";
    map["deploying_prodports"] = "Deploying the product ports...";
    map["install_cvsup"] = "Installing the cvsup utility...";
    map["updating_ports"] = "Updating the ports collection using the cvsup utility...";
    map["downloading_ports_index"] = "Downloading the ports index file...";
    map["err_downl_ports_index"] = "Warning: failed to download the ports index file.";
    map["no_ports_index"] = "There is no ready ports index file for this ports collection.";
    map["gen_ports_index"] = "Creating a ports index file. This operation can take up to one hour.";
    map["err_set_port_options"] = "Warning: failed to set the options of the port ";
    map["err_read_port_options"] = "Warning: failed to read the default options of the port ";
    map["indexing_prod_ports"] = "Adding the product ports to the ports index...";
    map["updating_ports_binindex"] = "Updating the binary index of the ports collection...";
    map["err_update_ports_binindex"] = "Warning: failed to update the binary index of the ports collection.";
    map["updating_pkg_dbase"] = "Updating the database of installed packages...";
    map["err_update_pkg_dbase"] = "Warning: failed to update the database of installed packages.";
    map["err_update_binindex"] = "Warning: failed to update the indexes of the ports collection.";

    // Text wizard: prompts and questions
    map["wizard_current_settings"] = "Current settings:";
    map["wizard_listed_only"] = "Please type one of the listed characters.";
    map["wizard_no_item_num"] = "There is no item with the number you typed.";
    map["wizard_no_such_file"] = "The file or directory you specified does not exist.";
    map["wizard_invalid_input"] =
        "To select or deselect an item, type the respective number.\n"
        "To perform an action, type the respective letter.\n"
        "Please type a number or letter: ";
    map["select_item_number"] = "To select an item, type the respective number";
    map["yesno_bottom"] =
        "Y) Yes;  N) No\n"
        "Type Y for yes, or N for No: ";
    map["strong_yesno_bottom"] = "Type either Yes or No: \n";
    map["message_press_enter"] = "(press Enter to continue)";
    map["retype_password"] = "Retype password: ";
    map["question_continue"] = "Do you want to continue?";
    map["hostname_check_failed"] =
        "Your host name must resolve to the correct IP address of your server, unless you are using network address translation (NAT).\n"
        "\n"
        "Please quit Corvane Products Installer, fix the host name resolution problem,\n"
        "and then try installing again.\n"
        "You can skip the hostname check and continue the installation, however,\n"
        "in such a case, the installer cannot guarantee successful installation.\n"
        "Do you want to continue?";
    map["kernel_in_install_list"] = "The installation of new kernel is required.\n";
    map["kernel_update_question"] =
        "Do you want to install the new system kernel?\n"
        "You will need to restart your system after installation of the new kernel.";
    map["install_again"] =
        "Notice: A new product build was released while Corvane Products Installer was installing the packages.\n"
        "Would you like to install it?";
    map["err_no_pagers"] = "Warning: neither the 'less' nor the 'more' utility was found in the system.";
    map["releases_upgrade_request1"] = "You have the product version ";
    map["releases_upgrade_request2"] =
        " installed.\n"
        "Do you want to upgrade it?";
    map["components_need_also"] = "The component you selected works only together with the following components:";
    map["components_uncheck_also"] = "The following components work only together with the component you deselected:";
    map["components_select_them"] = "Do you want to select them as well?";
    map["components_deselect_them"] = "Do you want to deselect them as well?";
    map["components_atleast_one"] = "Please select at least one component.";
    map["need_also_message"] = "The components you selected will require installation of packages from the following components: \n";

    // Text wizard: welcome page
    map["hello_page_hdr"] = "Welcome to the Corvane Installation and Upgrade Wizard!";
    map["hello_page_body1"] =
        "This wizard will guide you through the installation or upgrade process. Before\n"
        "installing or upgrading Corvane products, be sure to back up your data.";
    map["hello_page_body2"] =
        "To start the installation or upgrade, press N and then press Enter.\n"
        "To quit the installer, press Q and then press Enter.";
    map["hello_page_body3"] =
        "------ IMPORTANT ------\n"
        "\n"
        "* Before installing or upgrading Corvane products, be sure to back up your data.\n"
        "\n"
        "* New installation of product(s) should be performed on clean servers only.\n"
        "  Only the operating system with the networking option should be\n"
        "  installed for new installations.\n"
        "  Corvane will not be held liable for damages resulting from installation\n"
        "  of products on a server with anything other than a fresh installation of the\n"
        "  operating system for which the product installation was intended.\n"
        "\n"
        "By using this wizard, you agree to the Corvane terms of use, which are\n"
        "published at http://www.corvane.example/legal/terms-of-use/\n"
        "Please read them before you continue.";
    map["hello_page_bottom"] =
        "N) Next page;  Q) Cancel installing\n"
        "Select an action [N]: ";

    // Text wizard: source page
    map["source_page_hdr"] = "Source of installation files";
    map["source_page_body"] =
        "You can install products by using any of the following sources:\n"
        "\n"
        " * Local media\n"
        " * Official Corvane server\n"
        " * Other network site\n";
    map["source_product_source"] = " Install products from ";
    map["source_system_source"] = " Install required system packages from ";
    map["source_target_dir"] = "Store downloaded files in: ";
    map["source_from_tarnix"] = "Corvane server";
    map["source_from_network"] = "Other network site";
    map["source_from_local"] = "Local media";
    map["source_page_bottom"] =
        "N) Next page; P) Go back;  Q) Cancel installing\n"
        "S) Change source; T) Change target directory;\n"
        "Select an action and press ENTER [N]: ";
    map["source_select_source"] =
        "Specify the location of product distribution packages:\n"
        "(1) Local medium, (2) Official Corvane update server, (3) Another server: ";
    map["source_enter_path"] = "Enter the absolute path to the .inf3 file or to its directory";
    map["source_enter_url"] = "Enter the URL of the update server";
    map["source_enter_target"] = "Enter the directory where the downloaded packages must be stored";

    // Text wizard: proxy page
    map["proxy_page_hdr"] = "Proxy server settings";
    map["proxy_page_body"] =
        "If you are behind a firewall and use an HTTP proxy, you should specify the proxy server below.\n"
        "If your proxy requires authentication, select \"Use authentication\"\n"
        "and specify the username and password";
    map["proxy_no_proxy"] = " Do not use proxy.";
    map["proxy_proxy_host"] = " Use proxy at host:port ";
    map["proxy_no_auth"] = " Do not use authentication.";
    map["proxy_auth"] = " Authenticate at proxy as user ";
    map["proxy_page_bottom"] =
        "N) Next page; P) Go back;  Q) Cancel installing;\n"
        "S) Select proxy server; A) Use authentication;\n"
        "Select the required action [N]: ";
    map["proxy_enter_host"] = "Enter the host name of the proxy server (an empty string means no proxy)";
    map["proxy_enter_port"] = "Enter the port of the proxy server";
    map["proxy_enter_username"] = "Enter the user name for the proxy server";
    map["proxy_enter_password"] = "Enter the password for the proxy server";

    // Text wizard: release page
    map["releases_page_hdr"] = "Product versions";
    map["releases_page_body"] = "The following product versions are available:";
    map["releases_page_bottom"] =
        "N) Go to the next page; P) Go to the previous page; Q) Cancel installing\n"
        "To select a version, type the respective number;\n"
        "Select an action [N]: ";
    map["releases_no_avail"] =
        "Installation will not continue because your operating system\n"
        "\"%s\" is not supported.\n"
        "\n"
        "Refer to http://www.corvane.example/products/requirements/ for\n"
        "the complete list of supported operating systems.\n";

    // Text wizard: installation type page
    map["insttypes_page_hdr"] = "Installation types";
    map["insttypes_page_hdr1"] = "Select the installation type for %s";
    map["insttypes_page_body"] = "Installation types for the product:";
    map["insttypes_page_bottom"] =
        "N) Continue installation with selected type; P) Go the previous page; Q) Cancel installing;\n"
        "L) View or change components marked for installation;\n"
        "To select an installation type or choose another product, type the respective number;\n"
        "Select an action [N]: ";

    // Text wizard: FreeBSD ports page
    map["ports_page_hdr"] = "FreeBSD ports collection";
    map["ports_page_body1"] = "URL or local path to FreeBSD ports collection tarball:";
    map["ports_page_body15"] = "Unpack FreeBSD ports collection into the following directory:";
    map["ports_page_body2"] = "Override the default location for distribution files with the following (URL or local path):";
    map["ports_page_body3"] = "Ports updating:";
    map["ports_donot_update"] = "Do not update ports";
    map["ports_update_by"] = "Update ports by ";
    map["ports_default_sites"] = "Default sites";
    map["ports_page_bottom1"] = "N) Next page; P) Go back;  Q) Cancel installing\n";
    map["ports_page_bottom2"] = "S) Change source of ports collection;\n";
    map["ports_page_bottom3"] =
        "M) Set master site;\n"
        "U) Ports updating settings;\n"
        "\n"
        "Select an action [N]: ";
    map["ports_do_csvup"] = "Do you want to update the ports collection using the cvsup utility?";
    map["ports_cvsup_file_exist"] = "The file /usr/local/etc/supfile already exists. Do you want to overwrite it?";
    map["ports_enter_cvs_host"] = "Enter the host name of the CVS server";
    map["ports_enter_fileurl"] = "Enter the URL or local path of the ports collection tarball";
    map["ports_enter_urls_sep_by_spaces"] = "Enter URLs or local paths separated by spaces";

    // Text wizard: component page
    map["components_page_hdr"] = "Primary components list";
    map["components_page_hdr1"] = "Main components list for ";
    map["components_page_body1"] = "Show components for the product:";
    map["components_page_body2"] = "Please select the components of %s you want to install:";
    map["components_page_body3"] = "Select the components you want to install:";
    map["components_page_num_selected"] = "%s of %s components selected";
    map["components_page_bottom_head_main"] =
        "N) Next page; P) Go back;  Q) Cancel installing;\n"
        "A) Select all; D) Deselect all;\n";
    map["components_page_bottom_head_group"] =
        "(A) Select all, (D) Deselect all,\n"
        "(L) Back to primary components list,  (Q) Cancel installing\n";
    map["components_page_bottom_toggle_components"] = "To select or deselect a component, enter its number;\n";
    map["components_page_bottom_toggle_groups"] = "Enter number to toggle the component or to view the group;\n";
    map["components_page_bottom_bottom_main"] = "Type a number or a character of desired action [N]: ";
    map["components_page_bottom_bottom_group"] = "Type a number or a character of desired action [L]: ";

    // Text wizard: component settings page
    map["options_page_hdr"] = "Component settings";
    map["options_page_body1"] = " components selected for installation require that you specify certain settings.\n";
    map["options_page_body2"] = "Parameters for %s components require specification.\n";
    map["options_page_body3"] = "Now you need to define each parameter you will be asked for.\n";
    map["options_page_body4"] = "Parameters for all components have already been defined.\n";
    map["options_page_body5"] =
        "\n"
        "Component '%s': all required parameters were defined.\n"
        "\n"
        "R) Redefine the values I just entered; N) Proceed further\n"
        "Select an action [N]: ";
    map["options_page_body7"] = "Enter a number to select an item [%s]: ";
    map["options_page_bottom"] =
        "N) Start specifying parameters for all components,\n"
        "L) Return to primary components list, Q) Cancel installing\n"
        "Select an action [N]: ";
    map["options_page_bottom2"] =
        "N) Start specifying parameters for all components;\n"
        "U) Specify undefined parameters only;\n"
        "L) Return to primary components list; Q) Cancel installing\n"
        "Select an action [N]: ";
    map["options_page_bottom3"] =
        "R) Redefine parameters for all components;\n"
        "N) Skip parameters specification;\n"
        "L) Return to primary components list; Q) Cancel installing\n"
        "Select an action [N]: ";

    // Text wizard: packages page
    map["packages_page_hdr"] = "Packages to install";
    map["packages_page_body1"] = "There are ";
    map["packages_page_body2"] =
        " packages required for the product to function properly, which\n"
        "were not found in your system.\n";
    map["packages_page_body3"] = "There are ";
    map["packages_page_body4"] =
        " packages that need to be upgraded\n"
        "in order to install the product.\n";
    map["packages_page_body5"] = "There are ";
    map["packages_page_body6"] = " packages that are installed, but will be removed.\n";
    map["packages_install_kernel"] = "A new system kernel will be installed.";
    map["packages_page_bottom"] =
        "N) Install packages;\n"
        "S) Show a list of packages; L) Return to primary components list;\n"
        "Q) Cancel installing; \n"
        "Select an action [N]: ";

    // Text wizard: disk space page
    map["diskspace_page_hdr"] = "Disk space";
    map["diskspace_page_body1"] =
        "Product and operating system packages will be downloaded and saved to the \n"
        "directory '";
    map["diskspace_page_body2"] = "Required disk space: ";
    map["diskspace_page_body3"] = "Available disk space: ";
    map["diskspace_page_bottom"] =
        "N) Next page; P) Go back; Q) Cancel installing\n"
        "Select an action [N]: ";

    // Keys that nothing shows
    map["download_completed"] = "completed.";
    map["error_rep_none"] = "";
    map["error_supp_contacts"] =
        "You can contact technical support in the following ways:\n"
        "\n";
    map["error_supp_contacts_form"] =
        "- Submit a request through an online form at\n"
        "    %s\n"
        "\n";
    map["error_supp_contacts_email"] =
        "- Send an e-mail message to\n"
        "    %s\n"
        "\n";
    map["error_supp_contacts_phone"] =
        "- Call \n"
        "    %s\n"
        "\n";
    map["wizard_next"] = "Next page";
    map["wizard_cancel"] = "Cancel installing";
    map["message_enter_url"] = "Enter URL: ";
    map["options_page_body6"] =
        "\n"
        "\n"
        "%s) Component: %s\n"
        "\n";
    map["options_select_all_IPs"] = "Select all IP addresses";
    map["packages_page_body7"] = "The total size of the system packages that Corvane Products Installer will download is: ";
    map["packages_page_body8"] = "The total size of the product packages that Corvane Products Installer will download is: ";
    map["packages_page_body9"] = "The downloaded packages will be stored in the directory ";
    map["packages_reqpackages"] = "List of standard packages that are required for product installation\n";
    map["install_ok_new"] = "The installation was finished successfully.";
    map["err_stat_file"] = "Failed to obtain information about the file %s: %s";
    map["err_no_librpm"] = "The librpm library was not found in the system.";
    map["err_comp_version"] = "Error: cannot determine the version of the installed component ";
    map["warn_deprecated_option"] = "Warning: the option %s is deprecated and has no effect.";
}
