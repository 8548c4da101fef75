#include <windows.h>

#include "module.h"

namespace vexa::test {

const char* const kLibraryFile = "vexa.dll";
const char* const kTransportFile = "Tevra.dll";

void* openModule(const std::string& path) { return LoadLibraryA(path.c_str()); }

void* moduleSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void* moduleOrdinal(void* module, int ordinal) {
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(ordinal)));
}

std::string executableDirectory() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, n);
  return full.substr(0, full.find_last_of("\\/"));
}

std::string joinPath(const std::string& dir, const char* file) { return dir + "\\" + file; }

}  // namespace vexa::test
