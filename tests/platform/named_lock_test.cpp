#include "platform/named_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/clock.h"

namespace {

using platform::NamedLock;

std::string unique_lock_name(const char* what) {
  return std::string("named_lock_test_") + what + "_" + std::to_string(::getpid());
}

// Forks a child that takes the lock, tells the parent so through a pipe, then runs `then`.
template <typename Then>
pid_t child_holding(NamedLock& lock, Then then) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    lock.lock();
    const char held = 1;
    (void)!::write(ready[1], &held, 1);
    then();
    _exit(0);
  }
  char held = 0;
  (void)!::read(ready[0], &held, 1);
  ::close(ready[0]);
  ::close(ready[1]);
  return child;
}

TEST(NamedLock, IsReentrantForItsHolderAndExcludesOtherThreads) {
  auto lock = NamedLock::open(unique_lock_name("threads"));
  ASSERT_NE(lock, nullptr);
  lock->lock();
  lock->lock();
  std::atomic<bool> other_got_it{false};
  std::thread other([&] {
    lock->lock();
    other_got_it = true;
    lock->unlock();
  });
  platform::sleep_ms(100);
  EXPECT_FALSE(other_got_it);
  lock->unlock();
  platform::sleep_ms(50);
  EXPECT_FALSE(other_got_it) << "released after one of two takes";
  lock->unlock();
  other.join();
  EXPECT_TRUE(other_got_it);
  ::unlink(lock->path().c_str());
}

TEST(NamedLock, ExcludesAnotherProcessUntilItReleases) {
  auto lock = NamedLock::open(unique_lock_name("process"));
  ASSERT_NE(lock, nullptr);
  const pid_t child = child_holding(*lock, [] { platform::sleep_ms(300); });
  ASSERT_GT(child, 0);
  const auto start = platform::now_ms();
  lock->lock();
  EXPECT_GE(platform::now_ms() - start, 200);
  lock->unlock();
  ::waitpid(child, nullptr, 0);
  ::unlink(lock->path().c_str());
}

TEST(NamedLock, IsFreedWhenItsHolderIsKilled) {
  auto lock = NamedLock::open(unique_lock_name("killed"));
  ASSERT_NE(lock, nullptr);
  const pid_t child = child_holding(*lock, [] { ::pause(); });
  ASSERT_GT(child, 0);
  std::thread killer([child] {
    platform::sleep_ms(200);
    ::kill(child, SIGKILL);
  });
  const auto start = platform::now_ms();
  lock->lock();
  EXPECT_GE(platform::now_ms() - start, 150);
  lock->unlock();
  killer.join();
  ::waitpid(child, nullptr, 0);
  ::unlink(lock->path().c_str());
}

TEST(NamedLock, RefusesNamesThatAreNotPlainFileNames) {
  EXPECT_EQ(NamedLock::open(""), nullptr);
  EXPECT_EQ(NamedLock::open("../elsewhere"), nullptr);
}

}  // namespace
