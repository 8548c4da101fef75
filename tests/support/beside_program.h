// libvexa.so and a transport library, loaded from the directory of the
// program that uses them. The transport is loaded first and stays loaded,
// so its counts outlive the library's release of it after every exchange.
#pragma once

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

namespace vexa::test {

inline std::string executableDirectory() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string full(path, static_cast<size_t>(n));
  return full.substr(0, full.rfind('/'));
}

struct BesideProgram {
  std::string transportPath;
  void* library = nullptr;
  void* transport = nullptr;
  bool complete = true;  // every symbol asked for so far was found

  bool open() {
    const std::string dir = executableDirectory();
    transportPath = dir + "/libtevra.so";
    transport = dlopen(transportPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    library = dlopen((dir + "/libvexa.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    return transport != nullptr && library != nullptr;
  }

  template <typename Function>
  void get(void* module, Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(module, name));
    complete = complete && function != nullptr;
  }
};

}  // namespace vexa::test
