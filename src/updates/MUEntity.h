#ifndef VN_UPDATES_MUENTITY_H
#define VN_UPDATES_MUENTITY_H

// One item of a patch. Every item of every patch is prepared (downloaded, checked) before any
// item is applied, so a patch source that fails half way leaves the system untouched.
class MUEntity {
public:
    virtual ~MUEntity() = default;
    virtual void prepare() = 0;
    virtual void apply() = 0;
};

#endif
