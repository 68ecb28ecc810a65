#ifndef VN_COMPONENTS_VNCOMPONENT_H
#define VN_COMPONENTS_VNCOMPONENT_H

#include <memory>
#include <string>
#include <vector>

#include "../packages/Component.h"
#include "VnCompNode.h"

class Build;

// A component of the tree: the description's component record and the build it was loaded
// from, which the component shares with the catalogue and which is never null.
//
// Status: 0 not yet determined, 1 install, 2 upgrade, 3 up to date, 4 error.
class VnComponent : public Component, public VnCompNode {
public:
    // A null build is an internal error; nothing is made then.
    VnComponent(const std::shared_ptr<Build>& build, const std::string& name, const std::string& description,
                const std::string& environment, const std::vector<std::vector<std::string>>& keyPackages);
    ~VnComponent() override;

    // '*' selected, '=' up to date, '!' error, else ' '.
    char getMark() const override;
    // The description, not the name.
    std::string getName() const override;
    // The id of the product of the build's release.
    std::string getProductId() const override;
    // "<product id>/<name>", the bare name without a product id.
    std::string getFullName() const;

    // The status; an up-to-date component with a pending micro-update reads as 2. Before
    // detection set it, an internal error.
    int getStatus() const;

    const std::shared_ptr<Build>& getBuild() const { return build; }
    void setStatus(int value) { status = value; }
    bool isSelected() const { return selected; }
    bool isRequired() const { return required; }

private:
    int status;
    bool selected;
    bool required;
    bool microUpdateAvailable;
    std::shared_ptr<Build> build;
};

#endif
