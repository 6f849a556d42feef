#include "platform/named_lock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace platform {
namespace {

// The live locks, for the fork handlers. Constant-initialised and trivially destructible,
// so a library's unload hook may still destroy its lock at exit.
struct LiveLocks {
  std::mutex mutex;
  NamedLock* head = nullptr;
};
constinit LiveLocks live_locks;

bool is_own_private_directory(const std::string& dir) {
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

std::string lock_directory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && *runtime != '\0' && is_own_private_directory(runtime)) {
    return runtime;
  }
  // snprintf rather than std::to_string: its inline tables would become exported
  // symbols of the libraries that carry this layer.
  char uid_text[16];
  std::snprintf(uid_text, sizeof uid_text, "%u", static_cast<unsigned>(::getuid()));
  const std::string uid = uid_text;
  if (std::string run_user = "/run/user/" + uid; is_own_private_directory(run_user)) {
    return run_user;
  }
  std::string private_tmp = "/tmp/access-control-locks-" + uid;
  ::mkdir(private_tmp.c_str(), 0700);
  // Someone else's directory (or a link) under that name would let them hold our lock.
  return is_own_private_directory(private_tmp) ? private_tmp : std::string();
}

int open_lock_file(const std::string& path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void flock_retrying(int fd, int operation) {
  while (::flock(fd, operation) != 0 && errno == EINTR) {
  }
}

}  // namespace

// Around a fork no thread may be inside the list or a lock's state, so the child finds
// them consistent; the child then gives each lock a file and a state of its own.
struct ForkHandlers {
  static void prepare() {
    live_locks.mutex.lock();
    for (NamedLock* lock = live_locks.head; lock != nullptr; lock = lock->next_) {
      lock->state_.lock();
    }
  }
  static void parent() {
    for (NamedLock* lock = live_locks.head; lock != nullptr; lock = lock->next_) {
      lock->state_.unlock();
    }
    live_locks.mutex.unlock();
  }
  static void child() {
    for (NamedLock* lock = live_locks.head; lock != nullptr; lock = lock->next_) {
      lock->reset_in_child();
      lock->state_.unlock();
    }
    live_locks.mutex.unlock();
  }
  static void register_once() {
    // Without the handlers (no memory for them) children share their parent's lock.
    static const int registered = ::pthread_atfork(prepare, parent, child);
    (void)registered;
  }
};

std::unique_ptr<NamedLock> NamedLock::open(const std::string& name) {
  const std::string dir = lock_directory();
  if (dir.empty() || name.empty() || name.find('/') != std::string::npos) return nullptr;
  std::string path = dir + "/" + name + ".lock";
  const int fd = open_lock_file(path);
  if (fd < 0) return nullptr;
  return std::unique_ptr<NamedLock>(new NamedLock(std::move(path), fd));
}

NamedLock::NamedLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {
  ForkHandlers::register_once();
  const std::lock_guard<std::mutex> list(live_locks.mutex);
  next_ = live_locks.head;
  if (next_ != nullptr) next_->prev_ = this;
  live_locks.head = this;
}

NamedLock::~NamedLock() {
  {
    const std::lock_guard<std::mutex> list(live_locks.mutex);
    if (prev_ != nullptr)
      prev_->next_ = next_;
    else
      live_locks.head = next_;
    if (next_ != nullptr) next_->prev_ = prev_;
  }
  if (fd_ >= 0) ::close(fd_);
}

// In the child, right after the fork. Closing the inherited descriptor only drops the
// child's reference: the parent's flock stays with the parent's open file.
void NamedLock::reset_in_child() {
  const int own = open_lock_file(path_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = own;
  holder_ = std::thread::id();
  depth_ = 0;
  // The parent's waiters do not exist here, but the old condition still counts them.
  new (&released_) std::condition_variable;
}

void NamedLock::lock() {
  const std::thread::id self = std::this_thread::get_id();
  {
    std::unique_lock<std::mutex> state(state_);
    if (holder_ == self) {
      ++depth_;
      return;
    }
    released_.wait(state, [this] { return depth_ == 0; });
    holder_ = self;
    depth_ = 1;
  }
  // Outside the state mutex: another process may keep us here for long.
  if (fd_ >= 0) flock_retrying(fd_, LOCK_EX);
}

void NamedLock::unlock() {
  {
    const std::lock_guard<std::mutex> state(state_);
    // A child forked inside a held scope leaves it holding nothing.
    if (holder_ != std::this_thread::get_id()) return;
    if (--depth_ > 0) return;
    // Before the next holder's flock, which on this same open file this one would undo.
    if (fd_ >= 0) flock_retrying(fd_, LOCK_UN);
    holder_ = std::thread::id();
  }
  released_.notify_one();
}

}  // namespace platform
