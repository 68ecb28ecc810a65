#ifndef VN_WIZARD_RUN_TEXT_WIZARD_H
#define VN_WIZARD_RUN_TEXT_WIZARD_H

// The console work mode: the wizard's pages, then the installation. Returns on success.
void run_text_wizard();

#endif
