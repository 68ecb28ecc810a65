#include "../common/Messages.h"

// English error group: error and setting texts ("err_" and "param_" keys).
void Messages::messages_rep::loadErrorsEn() {
    // Command line, rc file and console input
    map["err_unkn_option"] = "You specified an unknown option.";
    map["err_unkn_arg"] =
        "Command line parse error: There must be no more arguments after options.\n"
        "The following arguments was found after last option:\n";
    map["err_cmd_override"] =
        "You specified wrong combination of options.\n"
        "The options %s and %s cannot be used together.\n"
        "Refer to installer's help page for details (run Corvane Products Installer with --help option).";
    map["err_comp_sel"] =
        "You specified the options that cannot be used together: --install-everything and --install-component.\n"
        "Decide whether you want to install all or selected components, and use the respective option.";
    map["err_relid_relready"] = "You have already specified the release version.";
    map["err_no_command"] =
        "You did not specify a command option.\n"
        "For a list of command options, run the Corvane Products Installer utility with the --help option.";
    map["err_bool_val"] =
        "You specified the wrong value '%s' for the parameter '%s'.\n"
        "You can use only 'yes' or 'no' values with this parameter.";
    map["err_rcfile_open"] = "Unable to read the installer's configuration file %s.";
    map["err_rc_syntax"] = "Syntax error in Corvane Products Installer's configuration file:";
    map["err_rc_param"] = "Unknown parameter in rc file: ";
    map["err_rc_line"] =
        "'%s'\n"
        "All lines should be in the format 'parameter_name=parameter_value'.";
    map["err_rc_eqsign"] =
        "'%s'.\n"
        "An equal sign (=) is missing.\n"
        "All lines should be in the format 'parameter_name=parameter_value'.";
    map["err_rc_value"] =
        "'%s' - parameter value is missing.\n"
        "All lines should be in the format 'parameter_name=parameter_value'.";
    map["err_noquote_closed"] = "A closing quotation mark was not found.";
    map["err_csv_no_quote"] =
        "Malformed comma-separated list.\n"
        "When specifying values containing white spaces,\n"
        "enclose each value in double quotation marks.";
    map["err_spsepval"] =
        "There is a syntax error in the line '%s':\n"
        "you should separate the values with white spaces.";
    map["err_malfrm_src"] = "You specified an additional source incorrectly.";
    map["err_bad_src_nargs"] = "You must specify either three or five parameters.";
    map["err_src_args"] = "Incorrect specification of an additional source: '%s'";
    map["err_src_priority"] =
        "You specified an additional source using the --add-source option incorrectly:\n"
        "you need to specify priority in the range from 1 to 999.";
    map["err_src_xmlblist"] = "You cannot use the options --enable-xml-output and --show-os-list at once.";
    map["err_holdpkgs_list"] = "Incorrect values were specified for the HOLD_PACKAGES parameter in the installer's configuration file.";
    map["err_instpkg_list"] = "You specified an incorrect argument for the --install-package option.";
    map["err_no_package"] = "The package %s you selected was not found.";
    map["err_mirr_src"] = "A mirror can be made only from a network source, not from a local path.";
    map["err_mirror_order"] =
        "You specified options in the wrong order.\n"
        "First, you should specify the release version using the --select-release-id option, and then you should specify which builds to download using the --mirror-os option.";
    map["err_build_notfound"] =
        "You specified a product build, which is not available.\n"
        "Specify another build using the --mirror-os option.";
    map["err_kern_inst"] =
        "Installation of this product version requires that you enable the installer utility to install the kernel package.\n"
        "To do this, you need to restart the installation by running the installer utility with the --allow-kernel-install option.";
    map["err_no_pkg_local_src"] = "Installation from a local source is not supported on this operating system.";
    map["err_ssl_strong_recomended"] =
        "Warning: We recommend that you connect to the Web-based installation\n"
        "wizard over a secure connection so as to prevent your administrative\n"
        "password from being intercepted by a third party. To do this, issue\n"
        "the command installer_file_name --web-interface --ssl-cert\n"
        "/root/my_server_cert.pem, where /root/my_server_cert.pem is the path\n"
        "to the SSL certificate file that you will use for securing connections\n"
        "to the Panel. This should be either a valid SSL certificate\n"
        "purchased from a certificate authority, or a self-signed SSL certificate.\n"
        "If you understand the security risks and do not want to use a secure\n"
        "connection, issue the command installer_file_name --web-interface --without-ssl.\n";
    map["err_user_lost"] = "You have just finished your session by pressing Ctrl + D.";
    map["err_not_float_number"] = "Please specify a decimal number, for example 1.5";
    map["err_not_email"] = "Please specify an e-mail address in the user@example.com format";
    map["err_not_domain"] = "Please specify a domain name in the host.example.com format";
    map["err_not_hostname"] = "Please specify either a domain name (like example.com) or an IP address";
    map["err_not_url"] = "Please specify a URL in the format protocol://path";
    map["err_passwds_missmatch"] = "The specified passwords do not match";

    // Internal errors
    map["err_undef_wmode"] = "Internal error in main, line 348: unknown operation mode.";
    map["err_unkn_pkgsys"] = "Internal error in main, line 144: unknown package system.";
    map["err_no_debpartver"] = "An internal error occurred in DebVersion, line &lt;line number&gt;";
    map["err_bad_semnum"] = "An error occurred during attempt to lock a file. Error in Lock, line ..";
    map["err_basepkg_noread"] = "Internal error: the readInfo() method is not supported by the Package class";
    map["err_unkn_pkgtype"] = "Internal error in Installer, line 412: unknown type of the first package in the install group.";
    map["err_no_cm"] = "Internal error in SourceSysStd, line 57: the ComponentManager object is missing.";
    map["err_deb_initobj"] = "Internal error: incompatible system configurator type.";
    map["err_sysconf_init"] = "Internal error: improper sequence of called functions.";
    map["err_component_not_resolved"] = "Internal error in ComponentManager, line 233: the component was not resolved.";
    map["err_bad_match_arg"] = "Internal error in Regexp, line 118: the function match() received a null argument instead of a text string.";
    map["err_bad_subexpr"] = "Failed to call the function getNumSubexpr: This function accepts only regular expressions containing subexpressions.";
    map["err_bad_subexpr2"] = "Failed to call the function matchSub: This function accepts only regular expressions containing subexpressions.";
    map["err_bad_submatch"] = "Failed to call the getMatch function: This function accepts only regular expressions that support submatches.";
    map["err_badmatch"] = "Failed to call the getMatch function: This function does not support subexpressions. Subexpressions require using the matchSub function.";
    // The later text of this key is the one kept.
    map["err_empty_version"] = "Version is not specified. Error in Version, line 51.";
    map["err_empty_version"] = "Version is not specified. Error in Version, line 91.";
    map["err_unkn_comp_status"] = "unknown code was assigned to the product component.";

    // External commands, lock file, date, operating system, regular expressions
    map["err_exec_pipefail"] = "Could not create pipes for internal communication between processes.";
    map["err_exec_forkfail"] = "Failed to execute an external command: fork operation failed.";
    map["err_exec_systemfail"] = "Failed to execute an external command: system() operation failed.";
    map["err_exec_pipenoblock"] = "Failed to read output from the executed process: unable to set the non-blocking mode to pipe.";
    map["err_exec_pipenoread"] = "Could not read output from the executed process:";
    map["err_exec_signal"] = "The executed process was terminated because of unhandled signal received from the system.";
    map["err_exec_cmd_not_found"] = "Failed to execute an external command %s: command not found";
    map["err_empty_output"] = "No data received from the %s utility.";
    map["err_util_exec"] = "An error occurred during execution of the %s utility.";
    map["err_lock_get"] = "Failed to lock the file &lt;file name&gt; due to system error.";
    map["err_lock_locked"] = "Corvane Products Installer is already running.";
    map["err_lock_file"] = "Failed to lock the file %s due to system error: %s";
    map["err_lock_shutdown"] = "Unable to unlock the file %s";
    map["err_lock_failed"] = "Unable to lock the file %s: %s";
    map["err_unlock_failed"] = "Unable to unlock the file %s: %s";
    map["err_lock_test"] = "Unable to check whether the file %s is locked: %s";
    map["err_chk_exclusive"] = "Failed to check whether Corvane Products Installer is already running.";
    map["err_start_remote_monitor_server"] = "Unable to start the server for reporting status.";
    map["err_date_get"] = "Failed to get the current date and time.";
    map["err_timezone_not_configured"] =
        "There is no /etc/localtime file in the system.\n"
        "Run tzsetup as root to set up your timezone";
    map["err_non_digit"] = "Invalid number format.";
    map["err_vendor_define"] = "Failed to detect the vendor of your operating system.";
    map["err_opsys_define"] = "Your operating system is not supported by this version of Corvane Products Installer.";
    map["err_define_osversion"] = "Failed to retrieve the version of your operating system from the file %s";
    map["err_define_os_unameversion"] = "Failed to detect the version of your operating system.";
    map["err_define_osarch"] = "Failed to detect the system architecture type:";
    map["err_bad_regexp"] = "Unable to compile the regular expression '%s': %s";
    map["err_regexp_nomem"] = "During the search using a regular expression, the system ran out of memory.";
    map["err_regexp_nomem2"] = "When running a search using a regular expression, the system ran out of memory.";

    // Files and directories
    map["err_mkdir"] = "Failed to create the directory %s: %s";
    map["err_rmfile1"] = "Unable to delete the file %s because %s is a directory.";
    map["err_rmfile2"] = "Unable to delete the file %s: %s";
    map["err_rmdir"] = "Unable to delete the directory %s: %s";
    map["err_rename"] = "Unable to rename the file %s to %s: %s";
    map["err_copy1"] = "Unable to copy the file %s because there is no such a file.";
    map["err_copy2"] = "Cannot copy the file %s because there is a directory %s, but not the file.";
    map["err_copy3"] = "Unable to copy the file %s to %s because the file with such name already exists.";
    map["err_opendir"] = "Failed to open the directory %s: %s.";
    map["err_fileread1"] = "Failed to open the file %s: %s.";
    map["err_filewrite1"] = "Failed to open the file %s for writing: %s.";
    map["err_fileread2"] = "Failed to read the file %s: %s.";
    map["err_filewrite2"] = "Failed to write to the file %s: %s.";
    map["err_file_create"] = "Unable to create the file %s";
    map["err_open_missingdir"] = "The directory %s was not found.";
    map["err_misfile"] = "The file %s was not found.";
    map["err_download_mkdir"] = "Unable to create the directory %s.";

    // Package descriptions and package files
    map["err_bad_component"] = "You did not specify component name in a component's description.";
    map["err_bad_pkgtag"] = "There is an error in Corvane Products Installer's configuration file.";
    map["err_cache_pkgvers"] = "Version number is missing from the package description.";
    map["err_cache_semicolon"] = "Malformed entry in the package description: the second character is not a colon.";
    map["err_cache_shortline"] =
        "Malformed package description:\n"
        "one of the lines is too short to be a description.";
    map["err_cache_multitag"] = "Duplicate entries in package description.";
    map["err_cache_descend"] = "Malformed package description.";
    map["err_cache_unexpend"] = "The file is incomplete";
    map["err_std_fn_not_match_re"] = "Incorrect package file name %s.";
    map["err_empty_comp"] = "There are no packages in the %s component.";
    map["err_pkgread"] = "Failed to read the %s package file.";
    map["err_rpm_read_config"] = "Failed to initialize the RPM library.";
    map["err_rpmdb_open"] = "Failed to open RPM database.";

    // Installed packages of the host
    map["err_deb_info_brief"] =
        "Unable to retrieve the information about the packages installed in the system:\n"
        "Failed to read output from the dpkg-query utility.";
    map["err_deb_info_apt_cache"] = "Failed to retrieve the information about the %s package from the apt repository.";
    map["err_pkg_info_brief"] =
        "Unable to retrieve the information about the packages installed in the system:\n"
        "Failed to execute the pkg_info utility.";
    map["err_rpm_info_brief"] =
        "Unable to retrieve the information about the packages installed in the system:\n"
        "Failed to read output from the rpm utility.";
    map["err_rpm_info_full"] = "Unable to retrieve the detailed information about the packages installed in the system:";
    map["err_rpm_info_full_read"] =
        "Unable to retrieve the detailed information about the packages installed in the system:\n"
        "Failed to open output of the rpm utility.";
    map["err_rpm_info_full_read_done"] =
        "Unable to retrieve the detailed information about the packages installed in the system:\n"
        "Failed to read output from the rpm utility.";
    map["err_msi_info_brief"] =
        "Unable to retrieve the information about the packages installed in the system:\n"
        "Failed to retrieve list of installed products.";
    map["err_syscache_open"] = "Failed to open the file %s.";
    map["err_syscache_read"] = "Failed to read a description of packages from the file %s.";
    map["err_prodpkg_read"] = "Failed to read the list of product packages.";
    map["err_bad_prodverfile"] = "Error in product description file %s.";

    // Repository metadata, downloads and checksums
    map["err_ungzip_repodata_primary"] = "Unable to extract the file %s:";
    map["err_repodata_badnumber"] = "Invalid number format in the file %s,  %s.";
    map["err_ungzip_repodata_filelist"] = "Unable to extract the file %s:";
    map["err_repodata_sync"] = "The repodata configuration files %s and %s contain lists of packages that do not match.";
    map["err_repodata_sync2"] = "The repodata configuration files %s and %s contain lists of packages that do not match.";
    map["err_repodata_depname"] =
        "Error in repodata repository '%s'.\n"
        "A dependency name is missing.";
    map["err_repodata_badcond"] = "Error in repodata repository '%s': Unknown condition '%s' in dependency description.";
    map["err_curl_init"] = "Failed to initialize the download library.";
    map["err_srcs_empty"] = "Unable to retrieve packages because you did not specify from where to download packages.";
    map["err_curl_setup"] = "Failed to set up the download library.";
    map["err_pkg_dwnld"] =
        "Failed to download the package %s:\n"
        "%s";
    map["err_mk5check"] = "The MD5 checksum of the %s file does not match the value specified in the configuration file.";
    map["err_md5_pre"] = "Failed to calculate the MD5 checksum for the file %s.";
    map["err_no_space"] =
        "Downloading files from the server requires more free disk space than you have in the %s directory.\n"
        "You need to free up some disk space.";
    map["err_no_space2"] = "File could not be downloaded, probably due to insufficient amount of free disk space.\n";
    map["err_mirror_distfiles"] = "Failed to download the distfiles index.";

    // Product list, releases and build descriptions
    map["err_inf3_parse"] =
        "Syntax error in file %s:\n"
        "%s";
    map["err_inf3_root"] = "An XML root element was not found in the file %s";
    map["err_inf3_nonprod"] =
        "Syntax error in file %s:\n"
        "the root element is incorrectly named.";
    map["err_inf3_noid"] = "The 'id' attribute of the root element was not found in the file %s";
    map["err_prod_keypkg"] = "The list of product's key packages was not found in the file %s";
    map["err_inf3_norel"] = "There is no list of product release versions in the file %s";
    map["err_inf3_relid"] = "The 'id' release version attribute was not found in file %s, at %s";
    map["err_inf3_relname"] = "The 'name' release version attribute was not found in file %s, at %s";
    map["err_inf3_relver"] = "The 'version' release version attribute was not found in file %s, at %s";
    map["err_inf3_upgalw"] = "The 'upgrade_allowed_from' release version attribute was not found in file %s, at %s";
    map["err_inf3_vndr"] = "The 'os_vendor' build attribute was not found in file %s, at %s";
    map["err_inf3_osname"] = "The 'os_name' build attribute was not found in file %s, at %s";
    map["err_inf3_osver"] = "The 'os_version' build attribute was not found in file %s, at %s";
    map["err_inf3_osarch"] = "The 'os_arch' build attribute was not found in file %s at %s";
    map["err_inf3_bcfg"] = "The 'config' build attribute was not found in file %s, at %s";
    map["err_missing_attr"] = "The attribute %s was not found.";
    map["err_inf_fname"] = "The 'config' build attribute is empty.";
    map["err_config_parse"] =
        "Syntax error in file %s:\n"
        "%s";
    map["err_binf3_build"] = "The root element is named incorrectly in the file %s";
    map["err_ports_file"] = "The list of ports archives was not found in file %s";
    map["err_binf3_comps"] = "The list of product components was not found in the file %s";
    map["err_binf3_compkey"] = "The list of key packages of the component %s is empty.";
    map["err_binf3_nocomps2"] = "The list of product components is empty.";
    map["err_bad_keypackages"] = "Failed to compile a list of key packages of the product component '%s'.";
    map["err_misheaders"] = "The Corvane Products Installer's configuration files %s and %s contain lists of packages that do not match.";
    map["err_mispkg"] = "The package %s could not be found in any of the package repositories, therefore, it cannot be installed.";
    map["err_incompatible_products"] = "The products '%s' and '%s' cannot be installed on the same server.";
    map["err_build_incomp"] = "The build version you tried to install does not suit your operating system.";
    map["err_rel_notfound"] =
        "The release version you specified is not present on the server.\n"
        "To find out which release versions are available, run the Corvane Products Installer utility with the --show-releases option.";
    map["err_rel_notsuit"] =
        "Unable to install the release version you specified.\n"
        "A newer product version is already installed on your system.";
    map["err_rel_notsupp"] = "The release version you selected is not available for your operating system.";
    map["err_rel_nocurrent"] = "The product with ID %s is not installed on the server";

    // Components and component settings
    map["err_comp_instalr"] = "The component %s is already installed.";
    map["err_comp_notavail"] = "The component %s is not available.";
    map["err_comp_required"] =
        "Unable to exclude the component %s:\n"
        "it is required component.";
    map["err_no_comps_selected"] = "No components were selected for installation.";
    map["err_no_diskspace"] = "There is not enough free disk space in the %s directory. You need to free up %s megabytes.";
    map["param_path_not_valid"] = "Specified path is not valid.";
    map["param_path_not_full"] = "Specified path is not full. Please specify a full path.";
    map["param_path_not_directory"] = "Specified path is not a directory.";
    map["param_path_contains_invalid_characters"] = "Specified path contains unsupported characters. Only Latin alphabet characters are supported.";
    map["param_path_not_exists"] = "Specified path does not exist.";
    map["param_password_too_short"] = "The specified password is too short. The password should be at least %s characters long.";
    map["param_password_too_long"] = "The specified password is too long. The password should be no longer than %s characters.";
    map["param_password_contains_invalid_characters"] = "The specified password contains unsupported symbols.";
    map["param_password_policy_not_valid"] = "The specified password is not valid.";
    map["param_password_policy_too_short"] = "The specified password is too short and does not meet the password requirements.";
    map["param_password_policy_too_long"] = "The specified password is too long and does not meet the password requirements.";
    map["param_password_policy_too_simple"] = "The specified password is too simple and does not meet the password requirements.";
    map["param_password_validation_failed"] = "The specified password could not be validated for an unknown reason.";

    // Dependency resolution
    map["err_deps_nochance"] = "Unable to install the selected components because of package dependency problems.";
    map["err_bad_deps"] = "Unable to install the selected components because of package dependency problems.";
    map["err_deps_badpkg"] = "Unable to proceed with the installation until the package %s is removed from the system.";
    map["err_deps_resolve_build"] = "Unable to install the \"%s\" package.";
    map["err_deps_install_build"] =
        "The dependency for \"%s\" required\n"
        " by the \"%s\" package could not be resolved.";
    map["err_prep_group"] = "Unable to install the requested packages because there are package dependency problems.";
    map["err_rpmtrans_check"] =
        "Failed to install packages:\n"
        "Corvane Products Installer could not resolve package dependencies.";

    // Installation through the package tools
    map["err_no_apt"] = "The 'apt' utility was not found in the system.";
    map["err_debinstall"] = "An error occurred on attempt to install packages.";
    map["err_deb_inst_exec"] = "Failed to execute a package installation command.";
    map["err_deb_options"] = "Unable to pass the default installation options to the packages.";
    map["err_debconf_exec"] = "Unable to execute debconf for passing the default installation options to the packages.";
    map["err_rmhold"] = "Unable to remove the package %s because you told the system not to do so.";
    map["err_downgrade"] =
        "You have a newer version of the %s package installed on your system.\n"
        "The installation will not continue.\n"
        " \n"
        "It seems that you installed latest packages from your operating system vendor's\n"
        "site. To install the product packages successfully, you need to point \n"
        "Corvane Products Installer to the vendor's package repository. To do this, create a text\n"
        "file with name .vantrellrc in the /root/ directory on the server, and add\n"
        "the following line to the file:\n"
        " \n"
        "ADDITIONAL_SOURCE=\"<type>, <priority>, <url>, <username>, <password>\"\n"
        " \n"
        "where you should replace <type> with \"repomd\" value, <priority> with a number from\n"
        "1 to 999 (999 is the highest priority), and <url> with a URL of the vendor\n"
        "updates source. The values <username> and <password> are required\n"
        "only if your vendor's site requires authentication. Save the file and\n"
        "exit from the text editor. Then run Corvane Products Installer again.";
    map["err_hold_replace"] = "Unable to replace the package %s because you told the system not to do so.";
    map["err_kernel_depsproblem"] = "Unable to install the kernel package.";
    map["err_inst_rpms_cmd"] = "An error occurred during installation of packages.";
    map["err_inst_rpms_cmd_exec"] = "Failed to execute a package installation command.";
    map["err_inst_msh"] = "Unable to install a shell-based package because of dependency cycle.";
    map["err_inst_shpkg"] = "An error occurred during installation of the %s package.";
    map["err_exec_shpkg"] = "Failed to execute a package installation command.";
    map["err_rpmtrans_pipe"] =
        "Unable to execute an RPM transaction.\n"
        "Failed to create a pipe: %s";
    map["err_rpmtrans_fork"] =
        "Unable to execute an RPM transaction.\n"
        "Failed to perform a fork operation: %s";
    map["err_rpmtrans_noblock"] =
        "Unable to execute an RPM transaction.\n"
        "Failed to switch a pipe to the non-blocking mode:\n"
        "%s";
    map["err_rpmtrans_read"] =
        "An error occurred during execution of an RPM transaction:\n"
        "failed to read from a pipe.";
    map["err_rpmtrans_sig"] =
        "An error occurred during execution of an RPM transaction:\n"
        "an unhandled signal was received from the system.";
    map["err_rpmtrans_failed"] = "An error occurred during installation of packages.";
    map["err_pkgopen"] = "Unable to install the package %s because opening package file failed.";
    map["err_pkgread_rpmts"] = "Unable to install the package %s because reading the package header failed.";
    map["err_pkg_instadd"] = "Unable to install the package %s because adding the package to RPM transaction failed.";
    map["err_rpmtrans_err"] = "An error occurred during installation of packages.";
    map["err_pkginst_up2date"] = "The up2date utility failed to install the required packages.";
    map["err_pkginst_up2date_exec"] = "Failed to run the up2date utility.";
    map["err_pkginst_yum"] = "The Yum utility failed to install the required packages.";
    map["err_pkginst_yum_exec"] = "Failed to run the Yum utility.";
    map["err_pkginst_zypper"] = "The Zypper utility failed to install the required packages.";
    map["err_pkginst_zypper_exec"] = "Failed to run the Zypper utility.";
    map["err_installation_stopped"] = "Installation will not continue";
    map["err_port_inst"] = "Errors occurred during installation of a package from the port %s.";
    map["err_port_inst_exec"] = "Failed to execute the command for installing a package from the port %s.";
    map["err_prep_actions_failed"] = "An error occurred during performing of installation PREP actions (see log for details). Installation was rolled back.";
    map["err_post_actions_failed"] = "An error occurred during performing of installation POST actions (see log for details).";
    map["err_show_pkglist"] = "Failed to show the list of packages.";

    // Preparing the host package tools
    map["err_srclist_restore"] = "Unable to restore the file %s from a backup:";
    map["err_srclist_backup"] = "Failed to back up the file %s:";
    map["err_aptget_update_exec"] = "Failed to update the apt cache.";
    map["err_up2date_configure_failed"] = "Failed to configure the up2date utility.";
    map["err_yum_not_found"] = "The Yum utility is not installed in your system.";
    map["err_yum_version_unsupported"] =
        "An unsupported version of Yum detected (at least 3.2.22 is required).\n"
        "Installation will not continue.\n"
        "Please install the latest updates onto your system and try again.";
    map["err_zypper_not_found"] = "The Zypper utility is not installed in your system.";
    map["err_zypper_version_unsupported"] =
        "An unsupported version of Zypper detected (at least 0.11.6 is required).\n"
        "Installation will not continue";
    map["err_addrepo_zypper"] = "Unable to add repository to zypper";

    // Container agent
    map["err_bxag_emptydta"] = "Incorrect response from BXAgent.";
    map["err_bxag_error"] = "BXAgent failed to process a request.";
    map["err_bxag_emptysys"] = "Incorrect response from BXAgent.";
    map["err_bxag_sendrq"] = "Failed to submit a request to BXAgent: %s.";
    map["err_bxag_recvans"] = "Failed to receive a response from BXAgent: %s.";
    map["err_bxag_parseans"] = "Incorrect response from BXAgent.";
    map["err_bxag_badans"] = "Incorrect response from BXAgent.";
    map["err_bxag_unknans"] = "Incorrect response from BXAgent.";

    // FreeBSD ports
    map["err_get_port_version"] =
        "Unable to retrieve the port version from the directory %s.\n"
        "The directory was not found.";
    map["err_port_makefile"] = "Makefile was not found in the port %s";
    map["err_pkg_readinfo"] = "Unable to read a description for the port %s: Unexpected end of data output.";
    map["err_open_port_makefile"] = "Unable to open %s";
    map["err_port_mk_options"] = "Unable to write options file for the port %s:";
    map["err_port_mk_options_file"] = "Unable to create the options file %s";
    map["err_port_bad_option"] = "Unexpected option value: %s";
    map["err_options_write"] = "An error occurred while writing to the options file %s";
    map["err_pupgr_no_port"] = "Failed to find the port of the portupgrade utility.";
    map["err_no_portbal"] = "Failed to find the file %s.";
    map["err_empty_portbal"] = "The file %s is empty.";
    map["err_bad_ports_url"] =
        "The URL of the ports archive that you specified is incorrect or incomplete.\n"
        "The URL must look like \"ftp://ftp.mirror.example.org/pub/FreeBSD/ports/ports.tar.gz\".";
    map["err_tmp_portsdir"] = "Failed to create a temporary directory for extracting the ports archive";
    map["err_unpack_ports"] = "Failed to extract the ports archive file %s:";
    map["err_unpack_noports"] = "The ports archive file %s does not contain the 'ports' directory.";
    map["err_ports_makefile"] = "Unable to find the file %s/Makefile in the extracted ports archive.";
    map["err_cvsup_create"] = "Failed to create the cvsup configuration file %s from the template %s:";
    map["err_backup_mkconf"] = "Failed to back up the file /etc/make.conf.";
    map["err_mkconf_tune"] = "Unable to modify the file /etc/make.conf.";
    map["err_mkconf_tmpl_inst"] = "Unable to install the template make.conf to %s";
    map["err_sysrelease"] = "Failed to detect the release of your operating system.";
    map["err_sysrelease2"] = "Failed to detect the release of your operating system.";
    map["err_sysarch"] = "Failed to detect the architecture of your system.";
    map["err_pktools_tmpl"] =
        "Failed to create the pkgtools configuration file:\n"
        "Unable to open the template %s.";
    map["err_pkgtools_wrt"] =
        "Failed to create the pkgtools configuration file:\n"
        "Unable to write to the file %s.";
    map["err_pkg_tools_mlt"] =
        "Failed to create pkgtools configuration file:\n"
        "The template %s contains multiple substitutions.";
    map["err_pktools_nosubst"] =
        "Failed to create pkgtools configuration file:\n"
        "The template %s contains no substitutions.";
    map["err_pim_install"] = "Unable to copy the file tarnix.install.mk to the destination directory %s.";
    map["err_cvsuping"] = "Unable to update the system ports using the cvsup utility:";
    map["err_make_idx"] = "Failed to create the ports index file.";
    map["err_portopt_get"] = "Failed to retrieve default port option values for the port %s";
    map["err_port_idx"] = "Failed to append product ports description to the ports index:";
    map["err_pupgr_port_old"] =
        "The ports collection found in your system is outdated.\n"
        "It provides the portupgrade utility version %s; however, a version %s or later is required for installation of the product.";
    map["err_sysports_install"] = "Failed to install the system ports collection:";
    map["err_prodports_install"] = "Failed to install product ports:";
    map["err_ports_no_template"] = "Unable to find the configuration file template %s.";

    // Self-upgrade of the installer
    map["err_self_upgrade_no_md5sum"] = "Unable to download the MD5 sum for the new Corvane Installer binary.";
    map["err_selfupg_avail_ver_too_low"] = "The version %s that was downloaded is not suitable for installation of the product you selected.";
    map["err_unable_to_satisfy_version"] =
        "The required version '%s' was not found on the server.\n"
        "This could happen because of configuration error at the download site.";
    map["err_self_upgrade_failed"] = "Unable to obtain the latest version of Corvane Products Installer: ";
}
