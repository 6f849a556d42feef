// The library lock across fork: every child has a lock of its own. A holder killed while
// its child lives on frees the lock; a child forked while another thread holds it can
// take it; a child forked inside a held scope neither holds nor frees its parent's lock.
// A regression would make these children or the test wait for ever, so every wait here
// is bounded and a child still running at its limit is killed.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/named_lock.h"

namespace {

using platform::NamedLock;

constexpr int kPromptMs =
    1000;  // a free lock is taken in milliseconds; this allows a loaded machine
constexpr int kGiveUpMs = 5000;   // how long a regression keeps a wait going before it fails
constexpr int kExcludedMs = 200;  // how long a child must stay shut out while the parent holds

std::string unique_lock_name(const char* what) {
  return std::string("named_lock_fork_test_") + what + "_" + std::to_string(::getpid());
}

// A pipe whose ends close with the scope, or earlier.
class Pipe {
 public:
  Pipe() {
    int fds[2];
    if (::pipe(fds) != 0) {
      ADD_FAILURE() << "no pipe";
      return;
    }
    read_end_ = fds[0];
    write_end_ = fds[1];
  }
  ~Pipe() {
    close_read();
    close_write();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  int read_end() const { return read_end_; }
  int write_end() const { return write_end_; }
  void close_read() { close_end(read_end_); }
  void close_write() { close_end(write_end_); }

  // In a child: a byte for the parent.
  void signal() const {
    const char byte = 1;
    (void)!::write(write_end_, &byte, 1);
  }

  // Whether a byte arrives within the time, from the caller's clock; false also when
  // every writer is gone.
  bool byte_within(int milliseconds) const {
    const std::int64_t deadline = platform::now_ms() + milliseconds;
    for (;;) {
      const std::int64_t left = deadline - platform::now_ms();
      if (left < 0) return false;
      pollfd readable{read_end_, POLLIN, 0};
      const int ready = ::poll(&readable, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
      char byte = 0;
      return ::read(read_end_, &byte, 1) == 1;
    }
  }

 private:
  static void close_end(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

  int read_end_ = -1;
  int write_end_ = -1;
};

// Reaps a child, killing it first when it has not ended within the time. True when it
// ended by itself with status 0.
bool exited_cleanly_within(pid_t child, int milliseconds) {
  const std::int64_t deadline = platform::now_ms() + milliseconds;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (platform::now_ms() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      return false;
    }
    platform::sleep_ms(5);
  }
}

// Forks a child that takes the lock, signals through the pipe while holding it, and ends.
// It first closes `not_mine`, a descriptor whose end another process waits for.
pid_t fork_taking(NamedLock& lock, const Pipe& taken, int not_mine = -1) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (not_mine >= 0) ::close(not_mine);
    lock.lock();
    taken.signal();
    lock.unlock();
    _exit(0);
  }
  return child;
}

TEST(NamedLockAcrossFork, IsFreedWhenItsHolderIsKilledWhileItsChildLivesOn) {
  auto lock = NamedLock::open(unique_lock_name("orphan"));
  ASSERT_NE(lock, nullptr);
  Pipe holding;     // the holder's byte: it holds the lock and has forked its child
  Pipe child_life;  // the holder's child lives until every write end is closed
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    lock->lock();
    child_life.close_write();
    if (::fork() == 0) {
      char byte = 0;
      while (::read(child_life.read_end(), &byte, 1) < 0 && errno == EINTR) {
      }
      _exit(0);
    }
    holding.signal();
    for (;;) ::pause();
  }
  holding.close_write();
  child_life.close_read();
  ASSERT_TRUE(holding.byte_within(kGiveUpMs)) << "the holder did not take the lock";
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);

  Pipe taken;
  const std::int64_t start = platform::now_ms();
  const pid_t probe = fork_taking(*lock, taken, child_life.write_end());
  ASSERT_GE(probe, 0);
  const bool prompt = taken.byte_within(kGiveUpMs);
  const std::int64_t elapsed = platform::now_ms() - start;
  child_life.close_write();  // the holder's child ends, and with it any hold it kept
  EXPECT_TRUE(exited_cleanly_within(probe, kGiveUpMs));
  EXPECT_TRUE(prompt) << "the lock stayed held while the killed holder's child lived";
  EXPECT_LT(elapsed, kPromptMs);
  ::unlink(lock->path().c_str());
}

TEST(NamedLockAcrossFork, ChildForkedWhileAnotherThreadHoldsItTakesItOnceReleased) {
  auto lock = NamedLock::open(unique_lock_name("thread_held"));
  ASSERT_NE(lock, nullptr);
  std::mutex mutex;
  std::condition_variable changed;
  bool held = false;
  bool release = false;
  std::thread holder([&] {
    lock->lock();
    std::unique_lock<std::mutex> state(mutex);
    held = true;
    changed.notify_all();
    changed.wait(state, [&] { return release; });
    state.unlock();
    lock->unlock();
  });
  {
    std::unique_lock<std::mutex> state(mutex);
    changed.wait(state, [&] { return held; });
  }
  Pipe taken;
  const pid_t child = fork_taking(*lock, taken);
  {
    const std::lock_guard<std::mutex> state(mutex);
    release = true;
  }
  changed.notify_all();
  holder.join();
  ASSERT_GE(child, 0);
  EXPECT_TRUE(taken.byte_within(kGiveUpMs)) << "the child never took the lock";
  EXPECT_TRUE(exited_cleanly_within(child, kGiveUpMs));
  ::unlink(lock->path().c_str());
}

TEST(NamedLockAcrossFork, ChildForkedInsideAHeldScopeNeitherHoldsNorFreesIt) {
  auto lock = NamedLock::open(unique_lock_name("scope"));
  ASSERT_NE(lock, nullptr);
  Pipe taken;
  lock->lock();
  const pid_t child = ::fork();
  if (child == 0) {
    lock->unlock();  // the end of the scope the fork happened in
    lock->lock();
    taken.signal();
    lock->unlock();
    _exit(0);
  }
  EXPECT_FALSE(taken.byte_within(kExcludedMs)) << "the child took the lock its parent holds";
  lock->unlock();
  ASSERT_GE(child, 0);
  EXPECT_TRUE(taken.byte_within(kGiveUpMs)) << "the child never took the lock";
  EXPECT_TRUE(exited_cleanly_within(child, kGiveUpMs));
  ::unlink(lock->path().c_str());
}

TEST(NamedLockAcrossFork, ChildDoesNotReopenALockDestroyedBeforeTheFork) {
  auto lock = NamedLock::open(unique_lock_name("destroyed"));
  ASSERT_NE(lock, nullptr);
  const std::string path = lock->path();
  lock.reset();
  ::unlink(path.c_str());
  const pid_t child = ::fork();
  if (child == 0) _exit(0);
  ASSERT_GE(child, 0);
  EXPECT_TRUE(exited_cleanly_within(child, kGiveUpMs));
  struct stat st {};
  EXPECT_NE(::stat(path.c_str(), &st), 0) << "the child made the file of a destroyed lock";
  ::unlink(path.c_str());
}

}  // namespace
