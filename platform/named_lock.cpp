#include "platform/named_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

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

std::unique_ptr<NamedLock> NamedLock::open(const std::string& name) {
  const std::string dir = lock_directory();
  if (dir.empty() || name.empty() || name.find('/') != std::string::npos) return nullptr;
  std::string path = dir + "/" + name + ".lock";
  const int fd = open_lock_file(path);
  if (fd < 0) return nullptr;
  return std::unique_ptr<NamedLock>(new NamedLock(std::move(path), fd));
}

NamedLock::NamedLock(std::string path, int fd)
    : path_(std::move(path)), fd_(fd), owner_pid_(::getpid()) {}

NamedLock::~NamedLock() {
  if (fd_ >= 0) ::close(fd_);
}

// A forked child shares the parent's open file, and with it the parent's flock: it
// needs a file of its own to be excluded from its parent.
void NamedLock::reopen_after_fork() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = open_lock_file(path_);
  owner_pid_ = ::getpid();
  depth_ = 0;
}

void NamedLock::lock() {
  threads_.lock();
  if (depth_ == 0 && owner_pid_ != ::getpid()) reopen_after_fork();
  if (depth_++ == 0 && fd_ >= 0) flock_retrying(fd_, LOCK_EX);
}

void NamedLock::unlock() {
  if (--depth_ == 0 && fd_ >= 0) flock_retrying(fd_, LOCK_UN);
  threads_.unlock();
}

}  // namespace platform
