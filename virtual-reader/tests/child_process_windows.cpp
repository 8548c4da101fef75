#include <process.h>
#include <windows.h>

#include <cstdlib>

#include "child_process.h"

namespace vr::testing {
namespace {

constexpr const char* kTransportFile = "Tevra.dll";

std::string selfPath() {
  char buffer[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n);
}

std::string quoted(const std::string& s) {
  return s.find(' ') == std::string::npos ? s : "\"" + s + "\"";
}

HMODULE& openedModule() {
  static HMODULE module = nullptr;
  return module;
}

}  // namespace

void setEnvironment(const std::string& name, const std::string& value) {
  _putenv_s(name.c_str(), value.c_str());
}

int runSelf(const std::vector<std::string>& arguments) {
  const std::string self = selfPath();
  std::vector<std::string> quotedArgs{quoted(self)};
  for (const std::string& a : arguments) quotedArgs.push_back(quoted(a));
  std::vector<const char*> argv;
  for (const std::string& a : quotedArgs) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return static_cast<int>(_spawnv(_P_WAIT, self.c_str(), argv.data()));
}

TransportCalls openTransport() {
  TransportCalls calls;
  HMODULE module = LoadLibraryA(kTransportFile);
  if (!module) return calls;
  if (openedModule()) FreeLibrary(openedModule());
  openedModule() = module;
  calls.write =
      reinterpret_cast<WriteCall>(reinterpret_cast<void*>(GetProcAddress(module, "hidWriteData")));
  calls.read =
      reinterpret_cast<ReadCall>(reinterpret_cast<void*>(GetProcAddress(module, "hidReadData")));
  return calls;
}

void closeTransport() {
  if (openedModule()) FreeLibrary(openedModule());
  openedModule() = nullptr;
}

bool transportLoaded() { return GetModuleHandleA(kTransportFile) != nullptr; }

}  // namespace vr::testing
