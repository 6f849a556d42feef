#include "bench/support/loopback_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace bench_support {

LoopbackResponder::LoopbackResponder(std::size_t request_bytes, std::size_t reply_bytes)
    : request_bytes_(request_bytes), reply_bytes_(reply_bytes) {
  // Without a listener every connect fails and the benchmark reports errors.
  if (listener_.fd() >= 0) thread_ = std::thread([this] { serve(); });
}

LoopbackResponder::~LoopbackResponder() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

int LoopbackResponder::connect() {
  const int fd = test_support::connect_loopback(port());
  const int one = 1;
  if (fd >= 0) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void LoopbackResponder::serve() {
  std::vector<std::uint8_t> request(request_bytes_), reply(reply_bytes_, 0x5A);
  while (!stopping_) {
    pollfd p{listener_.fd(), POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int c = ::accept(listener_.fd(), nullptr, nullptr);
    const int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    for (;;) {
      pollfd q{c, POLLIN, 0};
      if (stopping_) break;
      if (::poll(&q, 1, 20) <= 0) continue;
      std::size_t got = 0;
      bool open = true;
      while (got < request.size()) {
        const ssize_t r = ::recv(c, request.data() + got, request.size() - got, 0);
        if (r <= 0) {
          open = false;
          break;
        }
        got += static_cast<std::size_t>(r);
      }
      if (!open) break;
      if (!reply.empty()) ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
    }
    ::close(c);
  }
}

long thread_cpu_us() {
  rusage u{};
  ::getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec +
         u.ru_stime.tv_usec;
}

}  // namespace bench_support
