#ifndef VN_UPDATES_BOOTSTRAPPER_H
#define VN_UPDATES_BOOTSTRAPPER_H

// The scope of the bootstrap actions that components run around installation. Only what the
// component record needs to hold its action list is here so far.
class Bootstrapper {
public:
    class Action;
};

#endif
