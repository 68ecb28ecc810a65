#ifndef VN_WIZARD_NOCLEARSCREEN_H
#define VN_WIZARD_NOCLEARSCREEN_H

// When set, the console pages print empty lines instead of clearing the screen before each
// page (a terminal whose scroll-back the user wants to keep). Filled by the settings build.
extern bool noClearScreen;

#endif
