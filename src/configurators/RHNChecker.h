#ifndef VN_CONFIGURATORS_RHNCHECKER_H
#define VN_CONFIGURATORS_RHNCHECKER_H

// Whether this host is a Red Hat system registered with the Red Hat Network (up2date can then
// fetch packages), and whether its package tool is yum. The answer is taken once, at
// construction; the probe never fails: any problem means "not registered".
class RHNChecker {
public:
    RHNChecker();

    bool isConfigured() const { return configured; }
    // Registered, and a version "el" followed by a character above '4' (el5, el6, ...).
    bool isYumBased() const;

private:
    bool configured;
};

#endif
