// Loading a library and looking up its exports. One implementation per
// platform: module_posix.cpp, module_win.cpp.
#pragma once

#include <string>

namespace vexa::test {

// File names of the library and of the transport beside it.
extern const char* const kLibraryFile;
extern const char* const kTransportFile;
inline constexpr bool kHasOrdinals =
#if defined(_WIN32)
    true;
#else
    false;
#endif

void* openModule(const std::string& path);  // nullptr when it cannot be loaded
void* moduleSymbol(void* module, const char* name);
void* moduleOrdinal(void* module, int ordinal);  // nullptr where there are none
std::string executableDirectory();
std::string joinPath(const std::string& dir, const char* file);

}  // namespace vexa::test
