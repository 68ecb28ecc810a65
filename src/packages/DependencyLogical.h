#ifndef VN_PACKAGES_DEPENDENCYLOGICAL_H
#define VN_PACKAGES_DEPENDENCYLOGICAL_H

#include <string>

#include "../common/checked_pointer"
#include "Dependency.h"
#include "Version.h"

// A named capability with an optional version relation: "perl(Carp)", "libfoo >= 1.2-3".
class DependencyLogical : public Dependency {
public:
    enum relation_t { REL_NONE = 0, REL_EQ = 1, REL_LT = 2, REL_LE = 3, REL_GE = 4, REL_GT = 5 };

    // An empty text is logged at level 0 with the master and raised as an internal error.
    DependencyLogical(const std::string& text, Package* master);
    ~DependencyLogical() override;

    std::string getName() const override;
    // The rpm 4.4 range overlap, epoch promotion off.
    bool matches(const Dependency* other) const override;
    uint32_t hash() const override;
    bool sameKey(const Dependency* other) const override;
    bool equals(const Dependency* other) const override;
    Dependency* clone() const override;
    std::ostream& print(std::ostream& out) const override;

    virtual Version* createVersion(const std::string& text) const;

    // "name", or "name op version" with op one of = < <= >= > (and the odd spellings the
    // relation table below accepts). A text of any other shape is a bare name as a whole.
    void parse(const char* text);

    // " = ", " < ", " <= ", " >= ", " > "; asking it of a bare name is an internal error.
    const char* relationText() const;

    // The pooled name: equal names are the same pointer.
    const char* getInternedName() const { return name; }
    int getRelation() const { return relation; }
    // Null for a bare name.
    const Version* getVersion() const { return version.get(); }

private:
    // Fields as given, no parse: a name may read otherwise as a text ("x = 1" out of
    // "x = 1 >= 2").
    DependencyLogical(Package* master, const char* name, int relation);

    checked_autoclean_pointer<Version> version;
    const char* name;
    int relation;
};

#endif
