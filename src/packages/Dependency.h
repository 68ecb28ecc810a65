#ifndef VN_PACKAGES_DEPENDENCY_H
#define VN_PACKAGES_DEPENDENCY_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class Package;

// One entry of a package's requires, provides, conflicts or obsoletes. The repository and the
// resolver see dependencies only through the abstract operations below.
//
// Not thread-safe: the shared dummy master and the ignored-name set are process-wide and
// unguarded, so dependencies are built on one thread at a time.
class Dependency {
public:
    // A null master stands for the shared dummy master, so getMaster() is never null.
    explicit Dependency(Package* master);
    Dependency(const Dependency&) = delete;
    Dependency& operator=(const Dependency&) = delete;
    virtual ~Dependency();

    virtual std::string getName() const = 0;
    // Whether this dependency (a require or a conflict) is satisfied by `other` (a provide).
    virtual bool matches(const Dependency* other) const = 0;
    // Hash of the key; consistent with sameKey().
    virtual uint32_t hash() const = 0;
    // Same class and same key; the key ignores versions, modes and digests.
    virtual bool sameKey(const Dependency* other) const = 0;
    virtual bool equals(const Dependency* other) const = 0;
    // Same class, master and content, with an empty resolver list.
    virtual Dependency* clone() const = 0;
    virtual std::ostream& print(std::ostream& out) const = 0;

    Package* getMaster() const { return master; }

    // The provides that satisfy this dependency, in the order they were found. Only the
    // repository's resolution of its requires empties the list, before it fills it anew.
    void addResolver(const Dependency* provide);
    void clearResolvers() { resolvers.clear(); }
    // Null at and past the end.
    const Dependency* getResolver(unsigned index) const;

    // A provide of `p` (in list order) matches, else p's own name and exact version does.
    bool isSatisfiedBy(const Package* p) const;

    // Names the repository and the resolver leave alone: rpm's internal "rpmlib(" features
    // and whatever was added here.
    static bool isIgnoredName(const std::string& name);
    static void addIgnoredName(const char* name);

    // The master of every dependency made without one: "dummy_masterpackage_for_dependency"
    // 1.2.3, type 'd', made on first need and kept for the life of the process.
    static Package* dummyMaster();

protected:
    std::vector<const Dependency*> resolvers;
    Package* master;
};

// The text of print().
std::ostream& operator<<(std::ostream& out, const Dependency& dep);

#endif
