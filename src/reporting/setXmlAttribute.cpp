#include "setXmlAttribute.h"

#include <tinyxml.h>

void setXmlAttribute(TiXmlElement& element, const std::string& name, const std::string& value) {
    element.SetAttribute(name, value);
}
