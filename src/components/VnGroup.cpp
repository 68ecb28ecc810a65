#include "VnGroup.h"

#include "../catalogue/Product.h"
#include "../catalogue/Release.h"
#include "../common/checked_pointer"
#include "../common/error.h"

namespace {

const std::shared_ptr<Release>& requireRelease(const std::shared_ptr<Release>& release) {
    if (!release) throw internalError("VnGroup", 21);
    return release;
}

}  // namespace

VnGroup::VnGroup(const std::string& name, const std::string& description, const std::shared_ptr<Release>& release)
    : name(name), description(description), release(requireRelease(release)) {}

VnGroup::~VnGroup() = default;

std::string VnGroup::getName() const { return description; }

std::string VnGroup::getProductId() const {
    checked_pointer<Release> r(release.get());
    checked_pointer<Product> product(r->product.get());
    return product->id;
}
