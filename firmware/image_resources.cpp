#include "firmware/image_resources.h"

#include <cctype>

namespace {
bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb)) {
            return false;
        }
    }
    return true;
}
} // namespace

std::optional<ResourceBytes> FindResource(std::string_view name, std::string_view type) {
    for (size_t i = 0; i < kEmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = kEmbeddedResources[i];
        if (SameIgnoringCase(r.name, name) && SameIgnoringCase(r.type, type)) {
            return ResourceBytes{r.data, r.size};
        }
    }
    return std::nullopt;
}
