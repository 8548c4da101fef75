#include <windows.h>

#include "transport.h"

namespace vexa::link {

namespace {
constexpr const char* kTransportFile = "Tevra.dll";

template <typename Function>
Function lookUp(HMODULE module, const char* name) {
  // GetProcAddress returns a generic function pointer; the transport's
  // functions have the signatures the Transport type names.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

bool openTransport(Transport& transport) {
  HMODULE module = LoadLibraryA(kTransportFile);
  if (module == nullptr) return false;
  auto write = lookUp<TransportWrite>(module, "hidWriteData");
  auto read = lookUp<TransportRead>(module, "hidReadData");
  if (write == nullptr || read == nullptr) {
    FreeLibrary(module);
    return false;
  }
  transport = Transport{module, write, read};
  return true;
}

void closeTransport(Transport& transport) {
  FreeLibrary(static_cast<HMODULE>(transport.module));
  transport = Transport{};
}

}  // namespace vexa::link
