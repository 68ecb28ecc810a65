#include "InstallationTypesReporter.h"

#include <tinyxml.h>

#include "../catalogue/InstTypes.h"
#include "../common/error.h"
#include "setXmlAttribute.h"

InstallationTypesReporter::InstallationTypesReporter(int status_, const std::string& message_,
                                                     const std::string& errorClass_, const InstTypes* types_)
    : Reporter(status_, message_, errorClass_), types(types_) {}

InstallationTypesReporter::~InstallationTypesReporter() = default;

std::ostream& InstallationTypesReporter::put(std::ostream& out) {
    const std::vector<InstTypes::ProductTypes>& products = types->products();
    // Scripts match this text as it stands; it is no catalogue key.
    if (products.empty())
        throw error(2, 1, 1, 1) << "Installation types may be showed only for no yet installed products.\n";

    if (xmlOutput) {
        TiXmlElement list("products");
        for (const InstTypes::ProductTypes& product : products) {
            TiXmlElement item("product");
            setXmlAttribute(item, "id", product.product_id);
            setXmlAttribute(item, "name", product.product_name);
            TiXmlElement typeList("installation_types");
            for (const InstTypes::Type& type : product.types) {
                TiXmlElement entry("type");
                setXmlAttribute(entry, "name", type.name);
                setXmlAttribute(entry, "description", type.description);
                typeList.InsertEndChild(entry);
            }
            item.InsertEndChild(typeList);
            list.InsertEndChild(item);
        }
        return putXml(out, &list);
    }

    for (const InstTypes::ProductTypes& product : products) {
        out << "Installation types for " << product.product_name << ":\n";
        for (const InstTypes::Type& type : product.types) out << "    " << type.name << " - " << type.description << "\n";
    }
    out.flush();
    return out;
}
