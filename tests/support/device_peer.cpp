#include "tests/support/device_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace test_support {

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string hex(const Bytes& bytes) {
  std::string out;
  char two[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(two, sizeof two, "%02X", bytes[i]);
    if (i != 0) out += ' ';
    out += two;
  }
  return out.empty() ? "(nothing)" : out;
}

double peer_clock_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

::testing::AssertionResult shows_pause(double measured_ms, double pause_ms) {
  const double tolerance = std::max(5.0, pause_ms / 10);
  if (measured_ms >= pause_ms - tolerance) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "a gap of " << measured_ms << " ms does not show a pause of " << pause_ms << " ms";
}

DevicePeer::DevicePeer() : port_(static_cast<std::uint16_t>(listener_.port())) {}

DevicePeer::~DevicePeer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  if (connection_ >= 0) ::close(connection_);
}

DevicePeer& DevicePeer::expect(Bytes bytes) {
  script_.push_back({Step::Expect, std::move(bytes), 0});
  return *this;
}
DevicePeer& DevicePeer::reply(Bytes bytes) {
  script_.push_back({Step::Reply, std::move(bytes), 0});
  return *this;
}
DevicePeer& DevicePeer::reply_split(std::vector<Bytes> parts, int pause_ms) {
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) pause(pause_ms);
    reply(std::move(parts[i]));
  }
  return *this;
}
DevicePeer& DevicePeer::pause(int ms) {
  script_.push_back({Step::Pause, {}, ms});
  return *this;
}
DevicePeer& DevicePeer::stay_silent() {
  script_.push_back({Step::StaySilent, {}, 0});
  return *this;
}
DevicePeer& DevicePeer::close() {
  script_.push_back({Step::Close, {}, 0});
  return *this;
}

void DevicePeer::start() {
  thread_ = std::thread([this] { run(); });
}

int DevicePeer::connect_client_socket() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ADD_FAILURE() << "device peer: cannot connect to itself";
  }
  return fd;
}

void DevicePeer::fail(std::string message) {
  std::lock_guard<std::mutex> hold(mutex_);
  failures_.push_back(std::move(message));
}

void DevicePeer::pump(double until_ms, std::size_t wanted) {
  std::uint8_t chunk[65536];
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (wanted != 0 && received_.size() - consumed_ >= wanted) return;
    }
    const double now = peer_clock_ms();
    if (now >= until_ms || stopping_) return;
    if (client_closed_) {
      // Nothing more will come: an expect fails now, a pause lets the time pass.
      if (wanted != 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    pollfd watched{connection_, POLLIN, 0};
    const int wait = static_cast<int>(std::min(50.0, until_ms - now)) + 1;
    if (::poll(&watched, 1, wait) <= 0) continue;
    const ssize_t got = ::recv(connection_, chunk, sizeof chunk, 0);
    const double at = peer_clock_ms();
    std::lock_guard<std::mutex> hold(mutex_);
    if (got <= 0) {
      closed_at_ = at;
      client_closed_ = true;
      continue;
    }
    received_.insert(received_.end(), chunk, chunk + got);
    arrivals_.push_back({at, received_.size()});
  }
}

void DevicePeer::run() {
  // Accept, polling so that the destructor can stop a peer nobody connected to.
  while (!stopping_) {
    pollfd watched{listener_.fd(), POLLIN, 0};
    if (::poll(&watched, 1, 20) > 0) {
      connection_ = ::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
      break;
    }
  }
  if (connection_ < 0) return;
  connected_ = true;
  const int one = 1;
  ::setsockopt(connection_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

  constexpr double kExpectLimitMs = 10000;
  for (const Step& step : script_) {
    if (stopping_) return;
    switch (step.kind) {
      case Step::Expect: {
        pump(peer_clock_ms() + kExpectLimitMs, step.bytes.size());
        std::unique_lock<std::mutex> hold(mutex_);
        const std::size_t available = received_.size() - consumed_;
        const std::size_t n = std::min(available, step.bytes.size());
        Bytes got(received_.begin() + static_cast<std::ptrdiff_t>(consumed_),
                  received_.begin() + static_cast<std::ptrdiff_t>(consumed_ + n));
        if (got != step.bytes) {
          failures_.push_back("device peer: at byte " + std::to_string(consumed_) +
                              " expected\n  " + hex(step.bytes) + "\nbut received\n  " + hex(got));
          hold.unlock();
          // Say nothing more; the library times out and the test reports the mismatch.
          pump(peer_clock_ms() + kExpectLimitMs * 6, 0);
          return;
        }
        consumed_ += n;
        break;
      }
      case Step::Reply:
        if (::send(connection_, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(step.bytes.size())) {
          fail("device peer: could not send " + hex(step.bytes));
        }
        break;
      case Step::Pause:
        pump(peer_clock_ms() + step.ms, 0);
        break;
      case Step::StaySilent: {
        {
          std::lock_guard<std::mutex> hold(mutex_);
          ++steps_played_;
        }
        script_done_ = true;
        pump(peer_clock_ms() + 1e9, 0);
        return;
      }
      case Step::Close:
        ::shutdown(connection_, SHUT_RDWR);
        ::close(connection_);
        connection_ = -1;
        break;
    }
    std::lock_guard<std::mutex> hold(mutex_);
    ++steps_played_;
  }
  script_done_ = true;
}

void DevicePeer::finish(int timeout_ms) {
  const double until = peer_clock_ms() + timeout_ms;
  while (!script_done_ && peer_clock_ms() < until) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      if (!failures_.empty()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& f : failures_) ADD_FAILURE() << f;
  if (failures_.empty() && steps_played_ < script_.size()) {
    ADD_FAILURE() << "device peer: played " << steps_played_ << " of " << script_.size()
                  << " steps; received so far: " << hex(received_);
  }
  failures_.clear();
}

Bytes DevicePeer::received() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return received_;
}

double DevicePeer::closed_at_ms() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return closed_at_;
}

double DevicePeer::arrival_ms(std::size_t byte_index) const {
  std::lock_guard<std::mutex> hold(mutex_);
  for (const auto& a : arrivals_) {
    if (byte_index < a.end) return a.at_ms;
  }
  return -1;
}

}  // namespace test_support
