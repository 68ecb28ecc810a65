#ifndef VN_UPDATES_SELFUPGRADE_H
#define VN_UPDATES_SELFUPGRADE_H

// Replacing the running installer by a newer executable of its own.
class SelfUpgrade {
public:
    // A description read from the update source needs a newer installer than this one.
    // Carries nothing; the drivers that can restart catch it.
    class NeedSelfUpgrade {};

    // Start-up check, right after the settings: runs a newer cached executable in place of
    // this process; otherwise returns.
    static void runCachedIfNewer();
};

#endif
