#pragma once

#include <cstdlib>
#include <string>

// Setting the environment a child library or program reads, on either platform.

inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value.c_str());
#else
    setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
#ifdef _WIN32
    _putenv_s(name.c_str(), ""); // an empty value removes the variable there
#else
    unsetenv(name.c_str());
#endif
}
