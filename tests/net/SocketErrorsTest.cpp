// The socket layer's error table, the translations into it, and the Port texts it accepts.
#include "net/SocketErrors.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <stdexcept>

#include "net/SocketAddress.h"
#include "net/WSockets.h"

namespace lr {
namespace {

TEST(SocketErrorsTest, ErrorTextKnowsTheWinsockCodesAndNothingElse) {
  const struct {
    int Code;
    const char* Text;
  } cases[] = {
      {10004, "Interrupted system call"},
      {10035, "Operation would block"},
      {10048, "Address already in use"},
      {10054, "Connection reset by peer"},
      {10059, "Too many references:can't splice"},
      {10061, "Connection refused"},
      {10071, "Too many levels of remote in path"},
      {10093, "Winsock not initialized"},
      {11001, "Host not found"},
      {11004, "Valid name, no data record of requested type"},
      {0, "Not a Winsock error"},
      {10000, "Not a Winsock error"},
      {10072, "Not a Winsock error"},
      {11005, "Not a Winsock error"},
      {ECONNREFUSED, "Not a Winsock error"},
  };
  for (const auto& c : cases) EXPECT_EQ(TCustomWSocket::ErrorText(c.Code), c.Text) << c.Code;
}

TEST(SocketErrorsTest, SystemCodesBecomeTheirWinsockTwins) {
  const struct {
    int System;
    int Winsock;
  } errnos[] = {
      {EINTR, 10004},        {EWOULDBLOCK, 10035},  {EINPROGRESS, 10036}, {ENOTSOCK, 10038},
      {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051}, {ECONNABORTED, 10053},
      {ECONNRESET, 10054},   {ENOBUFS, 10055},      {ENOTCONN, 10057},    {ETIMEDOUT, 10060},
      {ECONNREFUSED, 10061}, {EHOSTUNREACH, 10065}, {EDQUOT, 10069},      {EREMOTE, 10071},
      {EIO, EIO},  // no twin: passed on, and its text says so
  };
  for (const auto& c : errnos) EXPECT_EQ(WinsockCodeFromErrno(c.System), c.Winsock) << c.System;

  EXPECT_EQ(WinsockCodeFromLookup(EAI_NONAME, 0), 11001);
  EXPECT_EQ(WinsockCodeFromLookup(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(WinsockCodeFromLookup(EAI_FAIL, 0), 11003);
  EXPECT_EQ(WinsockCodeFromLookup(EAI_NODATA, 0), 11004);
  EXPECT_EQ(WinsockCodeFromLookup(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(SocketErrorsTest, PortsAreServiceNamesOrDecimalNumbers) {
  EXPECT_EQ(ResolvePort("http"), 80);
  EXPECT_EQ(ResolvePort("8888"), 8888);
  EXPECT_EQ(ResolvePort("0"), 0);
  EXPECT_EQ(ResolvePort("65535"), 65535);
  EXPECT_EQ(ResolvePort("65536"), std::nullopt);
  EXPECT_EQ(ResolvePort("-1"), std::nullopt);
  for (const char* text : {"xyz", "", "88 ", "0x50", "99999999999"}) {
    try {
      ResolvePort(text);
      ADD_FAILURE() << "'" << text << "' was taken";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

}  // namespace
}  // namespace lr
