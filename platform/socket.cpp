#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>

namespace platform {
namespace {

struct ErrnoToWinsock {
  int errno_value;
  int winsock;
};

constexpr ErrnoToWinsock kErrorTable[] = {
    {EWOULDBLOCK, wsa::kWouldBlock},
    {EINPROGRESS, wsa::kWouldBlock},
    {ECONNRESET, wsa::kConnectionReset},
    {EPIPE, wsa::kConnectionReset},
    {ECONNABORTED, wsa::kConnectionAborted},
    {ENOTCONN, wsa::kNotConnected},
    {ETIMEDOUT, wsa::kTimedOut},
    {ECONNREFUSED, wsa::kConnectionRefused},
    {EBADF, wsa::kBadSocket},
    {ENOTSOCK, wsa::kBadSocket},
    {EINTR, wsa::kInterrupted},
    {EHOSTUNREACH, wsa::kHostUnreachable},
    {ENETUNREACH, wsa::kNetworkUnreachable},
    {ENETDOWN, wsa::kNetworkDown},
    {ESHUTDOWN, wsa::kShutDown},
    {EINVAL, wsa::kInvalidArgument},
    {EMSGSIZE, wsa::kMessageSize},
};

}  // namespace

int winsock_error(int errno_value) {
  // EAGAIN and EWOULDBLOCK are the same number on Linux, but not everywhere.
  if (errno_value == EAGAIN) return wsa::kWouldBlock;
  for (const auto& row : kErrorTable) {
    if (row.errno_value == errno_value) return row.winsock;
  }
  return wsa::kOtherError;
}

SocketHandle socket_create() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kNoSocket : fd;
}

bool resolve_ipv4(const char* host, Ipv4Address& out) {
  if (host == nullptr) return false;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  sockaddr_in first{};
  std::memcpy(&first, found->ai_addr, sizeof first);
  ::freeaddrinfo(found);
  out.network_order = first.sin_addr.s_addr;
  return true;
}

bool socket_connect(SocketHandle socket, Ipv4Address address, std::uint16_t port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address.network_order;
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return true;
  if (errno != EINTR) return false;
  // An interrupted connect goes on in the kernel; calling connect again would fail with
  // EALREADY. Wait for it to finish and take its outcome.
  pollfd watched{socket, POLLOUT, 0};
  while (::poll(&watched, 1, -1) < 0) {
    if (errno != EINTR) return false;
  }
  int error = 0;
  socklen_t length = sizeof error;
  return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool socket_set_nonblocking(SocketHandle socket) {
  const int flags = ::fcntl(socket, F_GETFL);
  return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

void socket_set_no_delay(SocketHandle socket) {
  const int on = 1;
  ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int socket_send(SocketHandle socket, const void* data, std::size_t length) {
  const ssize_t sent = ::send(socket, data, length, MSG_NOSIGNAL);
  return sent < 0 ? -1 : static_cast<int>(sent);
}

ReceiveResult socket_receive(SocketHandle socket, void* buffer, std::size_t length) {
  const ssize_t got = ::recv(socket, buffer, length, 0);
  if (got >= 0) return {static_cast<int>(got), 0};
  return {0, winsock_error(errno)};
}

Connection connect_ipv4(const char* host, std::uint16_t port) {
  Connection c;
  c.socket = socket_create();
  if (c.socket == kNoSocket) return {kNoSocket, ConnectStage::Socket};
  Ipv4Address address;
  if (!resolve_ipv4(host, address)) {
    c.stage = ConnectStage::Resolve;
  } else if (!socket_connect(c.socket, address, port)) {
    c.stage = ConnectStage::Connect;
  } else if (!socket_set_nonblocking(c.socket)) {
    c.stage = ConnectStage::NonBlocking;
  } else {
    socket_set_no_delay(c.socket);
    c.stage = ConnectStage::Connected;
    return c;
  }
  socket_close(c.socket);
  return {kNoSocket, c.stage};
}

bool is_stream_socket(SocketHandle socket) {
  int type = 0;
  socklen_t length = sizeof type;
  return ::getsockopt(socket, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

void socket_wait_readable(SocketHandle socket, int timeout_ms) {
  pollfd watched{socket, POLLIN, 0};
  // An interrupted poll just returns early; the caller's clock decides what happens next.
  ::poll(&watched, 1, timeout_ms < 0 ? 0 : timeout_ms);
}

void socket_shutdown(SocketHandle socket, ShutdownDirection direction) {
  constexpr int kHow[] = {SHUT_RD, SHUT_WR, SHUT_RDWR};
  ::shutdown(socket, kHow[static_cast<int>(direction)]);
}

void socket_close(SocketHandle socket) {
  if (socket >= 0) ::close(socket);
}

}  // namespace platform
