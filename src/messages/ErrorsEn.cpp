#include "../common/Messages.h"

// English error group: error and setting texts ("err_" and "param_" keys).
void Messages::messages_rep::loadErrorsEn() {
    map["err_exec_pipefail"] = "Could not create pipes for internal communication between processes.";
    map["err_exec_forkfail"] = "Failed to execute an external command: fork operation failed.";
    map["err_exec_systemfail"] = "Failed to execute an external command: system() operation failed.";
    map["err_exec_pipenoblock"] = "Failed to read output from the executed process: unable to set the non-blocking mode to pipe.";
    map["err_exec_pipenoread"] = "Could not read output from the executed process:";
    map["err_exec_signal"] = "The executed process was terminated because of unhandled signal received from the system.";
    map["err_exec_cmd_not_found"] = "Failed to execute an external command %s: command not found";
    map["err_empty_output"] = "No data received from the %s utility.";
    map["err_mkdir"] = "Failed to create the directory %s: %s";
    map["err_rmfile2"] = "Unable to delete the file %s: %s";
    map["err_copy1"] = "Unable to copy the file %s because there is no such a file.";
    map["err_copy2"] = "Cannot copy the file %s because there is a directory %s, but not the file.";
    map["err_copy3"] = "Unable to copy the file %s to %s because the file with such name already exists.";
    map["err_fileread1"] = "Failed to open the file %s: %s.";
    map["err_filewrite1"] = "Failed to open the file %s for writing: %s.";
    map["err_fileread2"] = "Failed to read the file %s: %s.";
    map["err_filewrite2"] = "Failed to write to the file %s: %s.";
    map["err_bad_semnum"] = "An error occurred during attempt to lock a file. Error in Lock, line ..";
    map["err_lock_file"] = "Failed to lock the file %s due to system error: %s";
    map["err_lock_failed"] = "Unable to lock the file %s: %s";
    map["err_unlock_failed"] = "Unable to unlock the file %s: %s";
    map["err_lock_test"] = "Unable to check whether the file %s is locked: %s";
    map["err_lock_shutdown"] = "Unable to unlock the file %s";
    map["err_lock_locked"] = "Corvane Products Installer is already running.";
    map["err_rcfile_open"] = "Unable to read the installer's configuration file %s.";
    map["err_rc_param"] = "Unknown parameter in rc file: ";
    map["err_noquote_closed"] = "A closing quotation mark was not found.";
    map["err_misfile"] = "The file %s was not found.";
    map["err_src_args"] = "Incorrect specification of an additional source: '%s'";
    map["err_empty_version"] = "Version is not specified. Error in Version, line 91.";
    map["err_get_free_space"] = "Warning! Unable to determine the amount of free disk space: ";
    map["err_send_mail"] = "Warning: failed to send the installation report by e-mail.";
    map["err_non_digit"] = "Invalid number format.";
    map["err_bad_regexp"] = "Unable to compile the regular expression '%s': %s";
    map["err_regexp_nomem"] = "During the search using a regular expression, the system ran out of memory.";
    map["err_regexp_nomem2"] = "When running a search using a regular expression, the system ran out of memory.";
    map["err_bad_subexpr"] = "Failed to call the function getNumSubexpr: This function accepts only regular expressions containing subexpressions.";
    map["err_bad_subexpr2"] = "Failed to call the function matchSub: This function accepts only regular expressions containing subexpressions.";
    map["err_bad_submatch"] = "Failed to call the getMatch function: This function accepts only regular expressions that support submatches.";
    map["err_badmatch"] = "Failed to call the getMatch function: This function does not support subexpressions. Subexpressions require using the matchSub function.";
    map["err_csv_no_quote"] = "Malformed comma-separated list.\nWhen specifying values containing white spaces,\nenclose each value in double quotation marks.";
    map["err_spsepval"] = "There is a syntax error in the line '%s':\nyou should separate the values with white spaces.";
    map["err_opsys_define"] = "Your operating system is not supported by this version of Corvane Products Installer.";
    map["err_define_osversion"] = "Failed to retrieve the version of your operating system from the file %s";
    map["err_define_os_unameversion"] = "Failed to detect the version of your operating system.";
    map["err_define_osarch"] = "Failed to detect the system architecture type:";
}
