#ifndef VN_MAIN_RUNMIRROR_H
#define VN_MAIN_RUNMIRROR_H

// The mirror work mode: copies the selected releases to a local mirror. Returns on success.
void runMirror();

#endif
