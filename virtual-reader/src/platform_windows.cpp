#include <windows.h>

#include "platform.h"

namespace vr {
namespace {

std::string lastErrorText(const std::string& what) {
  return what + ": Windows error " + std::to_string(GetLastError());
}

}  // namespace

std::string replaceFileAtomically(const std::string& path, const std::string& contents) {
  const std::string temporary = path + ".tmp." + std::to_string(GetCurrentProcessId());
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lastErrorText(temporary);
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    DWORD n = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(left), &n, nullptr)) {
      const std::string problem = lastErrorText(temporary);
      CloseHandle(file);
      DeleteFileA(temporary.c_str());
      return problem;
    }
    data += n;
    left -= n;
  }
  const bool flushed = FlushFileBuffers(file);
  CloseHandle(file);
  if (!flushed || !MoveFileExA(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::string problem = lastErrorText(path);
    DeleteFileA(temporary.c_str());
    return problem;
  }
  return {};
}

void pinThisModule() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&pinThisModule), &self);
}

}  // namespace vr
