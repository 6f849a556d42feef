// OS layer: the library lock, a named lock shared by every process of the user.
//
// Each client library serialises its opens (and a few multi-step device operations)
// with a lock that all processes loading the library share by name. It excludes other
// threads and other processes, lets the holding thread take it again, and is freed by
// the kernel when a holding process dies, so a crashed application never stalls the rest.
//
// It lives in the user's runtime directory ($XDG_RUNTIME_DIR, else /run/user/<uid>, else
// a private directory under /tmp), so no other user can take it and stall the devices.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <sys/types.h>

namespace platform {

class NamedLock {
 public:
  // Opens (creating if needed) the lock of that name; nullptr when it cannot be made.
  static std::unique_ptr<NamedLock> open(const std::string& name);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  void lock();
  void unlock();

  // The file that carries the lock between processes.
  const std::string& path() const { return path_; }

 private:
  NamedLock(std::string path, int fd);
  void reopen_after_fork();

  std::string path_;
  int fd_;
  pid_t owner_pid_;
  std::recursive_mutex threads_;  // exclusion and re-entry within the process
  int depth_ = 0;                 // how often the holding thread has taken it
};

// Holds a library lock for a scope; with no lock (it could not be made at load) the
// scope runs without exclusion.
class LockGuard {
 public:
  explicit LockGuard(NamedLock* lock) : lock_(lock) {
    if (lock_ != nullptr) lock_->lock();
  }
  ~LockGuard() {
    if (lock_ != nullptr) lock_->unlock();
  }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  NamedLock* lock_;
};

}  // namespace platform
