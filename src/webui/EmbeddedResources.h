#ifndef VN_WEBUI_EMBEDDEDRESOURCES_H
#define VN_WEBUI_EMBEDDEDRESOURCES_H

#include <cstddef>
#include <string>

// A file of src/webui/resources compiled into the program (cmake/EmbedResources.cmake).
struct EmbeddedResource {
    const char* name;            // path under src/webui/resources, such as "templates/login.xhtml"
    const unsigned char* bytes;  // followed by a zero byte that `length` leaves out
    size_t length;
};

extern const EmbeddedResource embeddedResources[];
extern const size_t embeddedResourceCount;

// The resource of that name; null when there is none.
const EmbeddedResource* findEmbeddedResource(const std::string& name);

#endif
