#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "child_process.h"

namespace vr::testing {
namespace {

constexpr const char* kTransportFile = "libtevra.so";
constexpr int kExecFailed = 127;

std::string selfPath() {
  char buffer[PATH_MAX] = {};
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string transportPath() {
  const std::string self = selfPath();
  return self.substr(0, self.rfind('/') + 1) + kTransportFile;
}

void*& openedModule() {
  static void* module = nullptr;
  return module;
}

}  // namespace

void setEnvironment(const std::string& name, const std::string& value) {
  if (value.empty()) {
    ::unsetenv(name.c_str());
  } else {
    ::setenv(name.c_str(), value.c_str(), 1);
  }
}

int runSelf(const std::vector<std::string>& arguments) {
  const std::string self = selfPath();
  std::vector<char*> argv{const_cast<char*>(self.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execv(self.c_str(), argv.data());
    ::_exit(kExecFailed);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TransportCalls openTransport() {
  TransportCalls calls;
  void* module = ::dlopen(transportPath().c_str(), RTLD_NOW);
  if (!module) return calls;
  if (openedModule()) ::dlclose(openedModule());
  openedModule() = module;
  calls.write = reinterpret_cast<WriteCall>(::dlsym(module, "hidWriteData"));
  calls.read = reinterpret_cast<ReadCall>(::dlsym(module, "hidReadData"));
  return calls;
}

void closeTransport() {
  if (openedModule()) ::dlclose(openedModule());
  openedModule() = nullptr;
}

bool transportLoaded() {
  void* module = ::dlopen(transportPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!module) return false;
  ::dlclose(module);
  return true;
}

}  // namespace vr::testing
