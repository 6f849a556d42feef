// OS layer: IPv4 TCP sockets with the error numbering the device libraries report.
//
// The libraries were first written against Windows Sockets, and the error codes they
// hand to callers (and keep in a slot's lastStatus) are Winsock's numbers. Everything
// above this layer sees only those numbers, never errno.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using SocketHandle = int;
inline constexpr SocketHandle kNoSocket = -1;

// Winsock-numbered socket errors.
namespace wsa {
inline constexpr int kInterrupted = 10004;
inline constexpr int kBadSocket = 10038;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kWouldBlock = 10035;
// Not a socket error: the marker a recorded wait stores when its time-out passed.
inline constexpr int kTimeOutMarker = 10036;
inline constexpr int kMessageSize = 10040;
inline constexpr int kNetworkDown = 10050;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNotConnected = 10057;
inline constexpr int kShutDown = 10058;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
// Any errno without a Winsock counterpart in the table.
inline constexpr int kOtherError = 10022;
}  // namespace wsa

// The Winsock number for an errno value (wsa::kOtherError when the table has none).
int winsock_error(int errno_value);

// An IPv4 address in network byte order.
struct Ipv4Address {
  std::uint32_t network_order = 0;
};

// A new IPv4 stream socket, blocking, close-on-exec; kNoSocket on failure.
SocketHandle socket_create();

// The first IPv4 address of a host name; a dotted address resolves to itself.
bool resolve_ipv4(const char* host, Ipv4Address& out);

// Blocking connect; true on success.
bool socket_connect(SocketHandle socket, Ipv4Address address, std::uint16_t port);

bool socket_set_nonblocking(SocketHandle socket);

// Sends every write at once instead of holding small ones back until the previous is
// acknowledged (Nagle): the devices' commands are timed by the pauses between them.
// Best effort: a socket that refuses keeps its mode.
void socket_set_no_delay(SocketHandle socket);

// One send call of the whole buffer, never raising SIGPIPE. Returns the bytes written
// or -1 (a broken connection, a bad socket and would-block all give -1).
int socket_send(SocketHandle socket, const void* data, std::size_t length);

// Result of one receive call.
struct ReceiveResult {
  int count = 0;  // bytes read, 0 when the peer has closed; meaningful when error == 0
  int error = 0;  // Winsock-numbered error, wsa::kWouldBlock when nothing is waiting

  // The value a caller records for this receive: the count, or the error code.
  int outcome() const { return error != 0 ? error : count; }
};

ReceiveResult socket_receive(SocketHandle socket, void* buffer, std::size_t length);

// Waits until the socket is readable (data, end of stream or error) or timeout_ms pass.
void socket_wait_readable(SocketHandle socket, int timeout_ms);

// Where a connect stopped.
enum class ConnectStage : std::uint8_t {
  Connected,    // done: a non-blocking socket without Nagle delay
  Socket,       // no socket could be made
  Resolve,      // the host name gave no IPv4 address
  Connect,      // the device refused or could not be reached
  NonBlocking,  // the socket could not be switched to non-blocking mode
};

struct Connection {
  SocketHandle socket = kNoSocket;  // open only when stage is Connected
  ConnectStage stage = ConnectStage::Socket;
};

// Makes an IPv4 stream socket, resolves the host (first IPv4 address), connects
// (blocking), switches to non-blocking mode and turns Nagle off. On failure the socket
// is closed again and the stage that failed is reported.
Connection connect_ipv4(const char* host, std::uint16_t port);

// True when the descriptor is a stream socket: a caller's descriptor is changed only then.
bool is_stream_socket(SocketHandle socket);

enum class ShutdownDirection { Receive = 0, Send = 1, Both = 2 };
void socket_shutdown(SocketHandle socket, ShutdownDirection direction);
void socket_close(SocketHandle socket);

}  // namespace platform
