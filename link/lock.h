// The process-wide lock that serialises command sequences. One
// implementation per platform: lock_win.cpp, lock_posix.cpp.
#pragma once

namespace vexa::link {

void acquireCommandLock();
void releaseCommandLock();

// Holds the command lock for its lifetime; ownership moves with the object.
class CommandLock {
 public:
  CommandLock() : held_(true) { acquireCommandLock(); }
  CommandLock(CommandLock&& other) : held_(other.held_) { other.held_ = false; }
  CommandLock(const CommandLock&) = delete;
  CommandLock& operator=(const CommandLock&) = delete;
  CommandLock& operator=(CommandLock&&) = delete;
  ~CommandLock() {
    if (held_) releaseCommandLock();
  }

 private:
  bool held_;
};

}  // namespace vexa::link
