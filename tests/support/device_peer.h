// A scripted device on loopback TCP, for protocol tests.
//
// The peer listens on 127.0.0.1 at an ephemeral port, accepts one connection and plays
// its script: expect exactly these bytes, reply these, pause, stay silent, close. Every
// byte it receives is recorded with its arrival time, so a test can check the whole
// conversation and the pauses between commands:
//
//   DevicePeer terminal;
//   terminal.expect({'V'}).reply(Bytes(128, 0x11)).stay_silent();
//   terminal.start();
//   ... drive the library against terminal.port() ...
//   terminal.finish();                    // fails the test on a mismatch or unplayed step
//   EXPECT_EQ(terminal.received(), text("V"));
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/loopback.h"

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

Bytes text(std::string_view s);  // the characters, no terminating zero
Bytes concat(std::initializer_list<Bytes> parts);
std::string hex(const Bytes& bytes);

// Milliseconds on the clock the peer stamps arrivals with (steady, since an arbitrary start).
double peer_clock_ms();

// How long a call takes, on the peer's clock.
template <typename Call>
double elapsed_ms(Call call) {
  const double start = peer_clock_ms();
  call();
  return peer_clock_ms() - start;
}

// Whether a gap measured between two arrivals (or a call and an arrival) shows a pause of
// `pause_ms`. The peer stamps a read when its thread gets to it, a little late now and
// then, so the gap may come out somewhat short: allow 5 ms or a tenth, whichever is more.
::testing::AssertionResult shows_pause(double measured_ms, double pause_ms);

class DevicePeer {
 public:
  DevicePeer();
  ~DevicePeer();
  DevicePeer(const DevicePeer&) = delete;
  DevicePeer& operator=(const DevicePeer&) = delete;

  std::uint16_t port() const { return port_; }

  // Script steps, played in order once a connection is accepted.
  DevicePeer& expect(Bytes bytes);
  DevicePeer& reply(Bytes bytes);
  DevicePeer& reply_split(std::vector<Bytes> parts, int pause_ms);
  DevicePeer& pause(int ms);
  DevicePeer& stay_silent();  // keep the connection open, record what comes, answer nothing
  DevicePeer& close();        // close the connection from the device's side

  // Starts playing. The connection is the first one the listener accepts.
  void start();
  // Connects a fresh socket to this peer and returns it, for opens on a caller's socket.
  // Call it after start(); the peer plays its script on the accepted side.
  int connect_client_socket();

  // Waits for the script to end (stay_silent counts as its end), up to timeout_ms.
  // Fails the current test on a mismatch, on steps not played, and on a time-out.
  void finish(int timeout_ms = 10000);

  // Everything received so far, and when each byte arrived (peer_clock_ms()).
  Bytes received() const;
  double arrival_ms(std::size_t byte_index) const;
  bool connection_closed_by_client() const { return client_closed_.load(); }
  // When the client's end of stream arrived (peer_clock_ms()), or -1.
  double closed_at_ms() const;
  // Whether the peer has accepted a connection.
  bool connected() const { return connected_.load(); }

 private:
  struct Step {
    enum Kind { Expect, Reply, Pause, StaySilent, Close } kind;
    Bytes bytes;
    int ms = 0;
  };
  struct Arrival {
    double at_ms;
    std::size_t end;  // received_.size() after this read
  };

  void run();
  // Reads whatever arrives until `until_ms` or until `wanted` bytes wait unconsumed.
  void pump(double until_ms, std::size_t wanted);
  void fail(std::string message);

  Listener listener_;
  int connection_ = -1;
  std::uint16_t port_ = 0;
  std::vector<Step> script_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> script_done_{false};
  std::atomic<bool> client_closed_{false};
  std::atomic<bool> connected_{false};

  mutable std::mutex mutex_;  // guards what the test thread reads
  Bytes received_;
  std::vector<Arrival> arrivals_;
  double closed_at_ = -1;
  std::size_t consumed_ = 0;  // bytes matched by expect steps so far
  std::size_t steps_played_ = 0;
  std::vector<std::string> failures_;
};

}  // namespace test_support
