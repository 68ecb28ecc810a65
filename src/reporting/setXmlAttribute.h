#ifndef VN_REPORTING_SETXMLATTRIBUTE_H
#define VN_REPORTING_SETXMLATTRIBUTE_H

#include <string>

class TiXmlElement;

// Sets the attribute `name` of `element` to `value`. Both texts are copied into the element, so
// temporaries are fine; an attribute of that name is replaced in place (its position among the
// attributes stays), never doubled.
void setXmlAttribute(TiXmlElement& element, const std::string& name, const std::string& value);

#endif
