// OS layer: the library lock, a named lock shared by every process of the user.
//
// Each client library serialises its opens (and a few multi-step device operations)
// with a lock that all processes loading the library share by name. It excludes other
// threads and other processes, lets the holding thread take it again, and is freed by
// the kernel when a holding process dies, so a crashed application never stalls the rest.
//
// A forked child gets a lock of its own: a fresh open of the file (so that a parent killed
// while holding it frees it even if the child lives on), free in the child whatever the
// parent's threads held at the fork. A child forked inside a locked scope leaves that
// scope without the lock; the libraries never fork, so only an application does that.
//
// It lives in the user's runtime directory ($XDG_RUNTIME_DIR, else /run/user/<uid>, else
// a private directory under /tmp), so no other user can take it and stall the devices.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
  friend struct ForkHandlers;

  NamedLock(std::string path, int fd);
  void reset_in_child();

  std::string path_;
  int fd_;
  // Exclusion and re-entry within the process. The mutex guards only the two fields
  // below and is never held while waiting, so the fork handlers can take it at once.
  std::mutex state_;
  std::condition_variable released_;
  std::thread::id holder_;
  int depth_ = 0;  // how often the holder has taken it
  // Every live lock is on one list, for the fork handlers.
  NamedLock* prev_ = nullptr;
  NamedLock* next_ = nullptr;
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
