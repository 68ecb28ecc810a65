#include "EmbeddedResources.h"

const EmbeddedResource* findEmbeddedResource(const std::string& name) {
    for (size_t i = 0; i < embeddedResourceCount; ++i)
        if (name == embeddedResources[i].name) return &embeddedResources[i];
    return nullptr;
}
