#include "platform/socket.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/device_peer.h"

namespace {

using namespace platform;
using test_support::DevicePeer;

TEST(SocketErrors, ErrnoValuesMapToWinsockNumbers) {
  const struct {
    int errno_value;
    int winsock;
  } table[] = {
      {EAGAIN, 10035},    {EWOULDBLOCK, 10035},  {ECONNRESET, 10054},   {ECONNABORTED, 10053},
      {ENOTCONN, 10057},  {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061}, {EBADF, 10038},
      {EINTR, 10004},     {EHOSTUNREACH, 10065}, {ENETUNREACH, 10051},  {ENETDOWN, 10050},
      {ESHUTDOWN, 10058}, {EINVAL, 10022},       {EMSGSIZE, 10040},     {ENOMEM, wsa::kOtherError},
  };
  for (const auto& row : table) {
    EXPECT_EQ(winsock_error(row.errno_value), row.winsock) << "errno " << row.errno_value;
  }
}

TEST(Socket, DottedAddressResolvesToItselfAndNonsenseDoesNot) {
  Ipv4Address address;
  ASSERT_TRUE(resolve_ipv4("127.0.0.1", address));
  EXPECT_EQ(address.network_order, 0x0100007Fu);
  EXPECT_FALSE(resolve_ipv4("no-such-host.invalid", address));
  EXPECT_FALSE(resolve_ipv4(nullptr, address));
}

TEST(Socket, SendToAPeerThatHasGoneFailsWithoutKillingTheProcess) {
  DevicePeer terminal;
  terminal.close();
  terminal.start();
  const SocketHandle s = socket_create();
  Ipv4Address loopback;
  ASSERT_TRUE(resolve_ipv4("127.0.0.1", loopback));
  ASSERT_TRUE(socket_connect(s, loopback, terminal.port()));
  terminal.finish();
  // The first send after the close may still be accepted; the reset makes a later one fail.
  const char command = 'V';
  int last = 0;
  for (int i = 0; i < 50 && last >= 0; ++i) {
    last = socket_send(s, &command, 1);
    if (last >= 0) usleep(2000);
  }
  EXPECT_EQ(last, -1);
  socket_close(s);
}

TEST(Socket, OperationsOnNoSocketReportBadSocket) {
  char byte = 0;
  EXPECT_EQ(socket_send(kNoSocket, &byte, 1), -1);
  EXPECT_EQ(socket_receive(kNoSocket, &byte, 1).error, wsa::kBadSocket);
}

}  // namespace
