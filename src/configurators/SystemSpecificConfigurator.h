#ifndef VN_CONFIGURATORS_SYSTEMSPECIFICCONFIGURATOR_H
#define VN_CONFIGURATORS_SYSTEMSPECIFICCONFIGURATOR_H

#include <string>

class Package;

// The host's package tool as the run prepares and asks it. A run has at most one; it is passed
// around in a checked_pointer that may hold null, and its users test it before they use it.
// Every kind derives directly from this class: the installer is chosen by the exact kind.
//
// Order of use: construct, configure() once, any number of getPackage() and
// reconfigureSources(), beforeInstall() at most once, restore() (or let the destructor do it).
class SystemSpecificConfigurator {
public:
    SystemSpecificConfigurator();
    SystemSpecificConfigurator(const SystemSpecificConfigurator&) = delete;
    SystemSpecificConfigurator& operator=(const SystemSpecificConfigurator&) = delete;
    // A kind that changes the host calls restore() from its own destructor (the kind's part
    // is gone by the time this one runs).
    virtual ~SystemSpecificConfigurator();

    // Puts the package tool's source configuration back and configures it again for the run's
    // sources as they are now (add-on sources come and go with the selection).
    virtual void reconfigureSources() = 0;

    // Runs the kind's configuration once. A second call is an internal error (line 25); a
    // failure leaves the configurator unconfigured, so a later call tries again.
    void configure();
    // The kind's step before installing, once (line 32); needs no configure().
    void beforeInstall();
    // The package that the host's package tool offers under `name` (which may carry a "/"
    // part), of type 'u'; null when it offers none. Every call asks the tool again. Asking
    // before a successful configure() is "err_sysconf_init" (3,1,1,3). The package lives until
    // the process ends: callers keep the pointer for the run and never free it.
    Package* getPackage(const std::string& name);

    // Undoes, once, what the kind changed on the host; may raise. The drivers call it at the
    // configurator's place in their order of release and log a failure; a kind's destructor
    // calls it when nobody did, and then only logs a failure.
    virtual void restore();

    bool isConfigured() const { return configured; }

protected:
    // The kind's answers: a new package (this class keeps it) or null.
    virtual Package* doGetPackage(const std::string& name) = 0;
    virtual void doConfigure() = 0;
    virtual void doBeforeInstall();
    // For a kind's destructor: restore() unless it ran; a failure goes to the log (level 0).
    void restoreQuietly() noexcept;

private:
    bool configured;
    bool beforeInstallDone;
};

// The name of a product source's kind letter in the package tools' configuration: 'b' "dist",
// 'u' "updates", 't' "thirdparty", anything else "unkn".
std::string sourceKindName(char kind);

#endif
