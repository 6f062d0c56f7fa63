#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// One binary resource carried inside the program (the firmware images of type
// "fflash"). The bytes are embedded at build time from resources/fflash/.
struct EmbeddedResource {
    const char* name;
    const char* type;
    const unsigned char* data;
    size_t size;
};

// The table the build generates.
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

struct ResourceBytes {
    const uint8_t* data;
    size_t size;
};

// Looks a resource up by name and type, both compared without regard to case.
std::optional<ResourceBytes> FindResource(std::string_view name, std::string_view type);
