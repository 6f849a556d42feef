// The two waits at their edges: replies just inside and just past the limit, a reply
// that only the last receive after the limit sees, short first reads, closed controllers,
// failed sends; and what the slot's last status keeps.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "tests/relay/relay_fixture.h"

namespace relay_test {
namespace {

using Recorded = RelayTest;

TEST_F(Recorded, ReplyInsideTheLimitSucceeds) {
  DevicePeer controller;
  // 50 ms pause before the wait, then 1000 ms of limit.
  controller.expect({0x23}).pause(700).reply(Bytes(512, 0x5A)).stay_silent();
  const int handle = open(controller);
  Bytes block(512, 0);
  EXPECT_EQ(tamrGetParamX(handle, block.data()), 0);
  EXPECT_EQ(block, Bytes(512, 0x5A));
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
}

TEST_F(Recorded, ReplyPastTheLimitTimesOutAndStaysForTheNextCommand) {
  DevicePeer controller;
  controller.expect({0x23}).pause(1400).reply(Bytes(512, 0x5A)).stay_silent();
  const int handle = open(controller);
  Bytes block(512, 0);
  const Stopwatch watch;
  EXPECT_EQ(tamrGetParamX(handle, block.data()), TAMR_ERR_REPLY);
  EXPECT_GE(watch.ms(), 1050);
  EXPECT_LT(watch.ms(), 1050 + 300);
  EXPECT_EQ(last_status(handle), TAMR_TIMEOUT);
  // The late block is taken as the answer of whatever comes next.
  platform::sleep_ms(500);
  EXPECT_EQ(tamrGetParamX(handle, block.data()), 0);
  controller.finish();
}

TEST_F(Recorded, ShortFirstReadFailsWithItsCountAndLeavesTheVersionUntouched) {
  DevicePeer controller;
  // The rest comes well after the 100 ms the library waits before it reads.
  controller.expect({0x56}).reply_split({Bytes(100, 1), Bytes(28, 2)}, 400).stay_silent();
  const int handle = open(controller);
  unsigned char version[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(tamrGetVersion(handle, version), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), 100);
  EXPECT_EQ(Bytes(version, version + 8), Bytes(8, 9));
  controller.finish();
}

TEST_F(Recorded, ClosedControllerFailsWithZeroBytesKept) {
  DevicePeer controller;
  controller.expect({0x3C}).close();
  const int handle = open(controller);
  set_last_status(handle, 777);
  Bytes block(128, 0);
  EXPECT_EQ(tamrGetParam(handle, block.data()), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), 0);
  controller.finish();
}

TEST_F(Recorded, InversionMaskAnswerAfterFourSecondsTimesOut) {
  DevicePeer controller;
  controller.expect({0x4A, 0x53, 0x01, 0x02}).pause(4300).reply(Bytes(4, 0)).stay_silent();
  const int handle = open(controller);
  EXPECT_EQ(tamrSetInvertOutMask(handle, 1, 2), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), TAMR_TIMEOUT);
  controller.finish();
}

using PassThrough = RelayTest;

TEST_F(PassThrough, ShortFirstReadIsPassedThroughAsItsCount) {
  DevicePeer controller;
  controller.expect({0x54}).reply_split({{0x03}, {0x20}}, 100).stay_silent();
  const int handle = open(controller);
  double celsius = 5.0;
  EXPECT_EQ(tamrGetTemperature(handle, &celsius), 1);
  EXPECT_EQ(celsius, 0.0);
  controller.finish();
}

// A controller that answers while the caller's process is held still across the limit:
// the answer is there for the first receive after the limit. Runs in a child process
// that stops its parent, so the timing does not depend on the scheduler.
class HeldAcrossTheLimit {
 public:
  HeldAcrossTheLimit(Bytes request, Bytes reply, int limit_ms) {
    const pid_t parent = ::getpid();
    child_ = ::fork();
    if (child_ == 0) play(parent, request, reply, limit_ms);
  }
  ~HeldAcrossTheLimit() {
    ::kill(child_, SIGTERM);
    ::waitpid(child_, nullptr, 0);
  }
  int port() const { return listener_.port(); }

 private:
  [[noreturn]] void play(pid_t parent, const Bytes& request, const Bytes& reply, int limit_ms) {
    const int connection = ::accept(listener_.fd(), nullptr, nullptr);
    Bytes got(request.size());
    std::size_t have = 0;
    while (have < got.size()) {
      const ssize_t n = ::recv(connection, got.data() + have, got.size() - have, 0);
      if (n <= 0) _exit(1);
      have += static_cast<std::size_t>(n);
    }
    // Stop the caller well inside the limit, answer well past it, then let it go on.
    ::usleep(static_cast<useconds_t>((limit_ms - 400) * 1000));
    ::kill(parent, SIGSTOP);
    ::usleep(800 * 1000);
    (void)!::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
    ::usleep(50 * 1000);
    ::kill(parent, SIGCONT);
    ::pause();
    _exit(0);
  }

  Listener listener_;
  pid_t child_ = -1;
};

TEST_F(PassThrough, TakesAReplyThatTheLastReceiveAfterTheLimitObtains) {
  HeldAcrossTheLimit controller({0x44, 0x01}, {0x01}, 2000);
  const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", controller.port());
  ASSERT_GE(handle, 0);
  opened_.push_back(handle);
  const Stopwatch watch;
  EXPECT_EQ(tamrRelayOn(handle, 0x01), 1);
  EXPECT_GT(watch.ms(), 2000);
}

TEST_F(Recorded, CountsAReplyThatTheLastReceiveAfterTheLimitObtainsAsATimeOut) {
  HeldAcrossTheLimit controller({0x53, 0x01, 0x01}, {0x01}, 2000);
  const int handle = tamrOpenDevice(kDeviceType, "127.0.0.1", controller.port());
  ASSERT_GE(handle, 0);
  opened_.push_back(handle);
  const Stopwatch watch;
  EXPECT_EQ(tamrRelaySwitchByte(handle, 0x01), TAMR_ERR_REPLY);
  EXPECT_EQ(last_status(handle), TAMR_TIMEOUT);
  EXPECT_GT(watch.ms(), 2000);
}

// A connection that can no longer send: its write side is shut down under the library.
struct SendFailure {
  const char* name;
  std::function<int(int)> call;
  int kept;  // the last status afterwards; 777 when left alone
};
void PrintTo(const SendFailure& f, std::ostream* out) { *out << f.name; }

const SendFailure kSendFailures[] = {
    {"RelayOn", [](int h) { return tamrRelayOn(h, 1); }, 777},
    {"GetStatusRelay",
     [](int h) {
       unsigned char s[8];
       return tamrGetStatusRelay(h, s);
     },
     777},
    {"RelaySwitchByte", [](int h) { return tamrRelaySwitchByte(h, 1); }, 777},
    {"WriteI2C", [](int h) { return tamrWriteI2C(h, 0x68, 0, 0); }, TAMR_ERR_SEND},
    {"ReadI2CB",
     [](int h) {
       unsigned char v;
       return vornReadI2CB(h, 0x68, 0, &v);
     },
     TAMR_ERR_SEND},
    {"GetTemperature",
     [](int h) {
       double t;
       return tamrGetTemperature(h, &t);
     },
     777},
    {"GetParam",
     [](int h) {
       unsigned char p[128];
       return tamrGetParam(h, p);
     },
     TAMR_ERR_SEND},
    {"SetParamX",
     [](int h) {
       unsigned char p[512] = {};
       return tamrSetParamX(h, p);
     },
     TAMR_ERR_SEND},
    {"GetVersion",
     [](int h) {
       unsigned char v[8];
       return tamrGetVersion(h, v);
     },
     TAMR_ERR_SEND},
    {"Reboot", [](int h) { return tamrReboot(h); }, TAMR_ERR_SEND},
    {"SetInvertInpMask", [](int h) { return tamrSetInvertInpMask(h, 1, 2); }, 777},
    {"DF_ReadStatus", [](int h) { return tamr_DF_ReadStatus(h); }, 777},
    {"DF_WriteDataFlashM3",
     [](int h) {
       unsigned char d[4] = {};
       return tamr_DF_WriteDataFlashM3(h, 0, 4, d);
     },
     777},
    {"UpdateStartM3", [](int h) { return tamrUpdateStartM3(h); }, TAMR_ERR_SEND},
};

class FailedSend : public RelayTest, public ::testing::WithParamInterface<SendFailure> {};

TEST_P(FailedSend, GivesMinusTwoWithoutLaterPausesAndReleasesTheLock) {
  DevicePeer controller;
  controller.stay_silent();
  const int handle = open(controller);
  ::shutdown(relay::device_table::slot(handle)->socket, SHUT_WR);
  set_last_status(handle, 777);
  const Stopwatch watch;
  EXPECT_EQ(GetParam().call(handle), TAMR_ERR_SEND);
  // Only the pause some reads make before their request may pass.
  EXPECT_LT(watch.ms(), 100 + 100);
  EXPECT_EQ(last_status(handle), GetParam().kept);
  bool taken = false;
  std::thread other([&] {
    relay::library::lock()->lock();
    taken = true;
    relay::library::lock()->unlock();
  });
  other.join();
  EXPECT_TRUE(taken);
  controller.finish();
}

INSTANTIATE_TEST_SUITE_P(Commands, FailedSend, ::testing::ValuesIn(kSendFailures),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace relay_test
