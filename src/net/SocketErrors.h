// The socket layer's error codes and texts: the Winsock numbering the game reports, and the
// translation of this system's errno and resolver codes into it.
#pragma once

#include <string_view>

namespace lr {

// Codes the layer itself reports (the rest come from the system through the tables).
constexpr int kWsaWouldBlock = 10035;     // "Operation would block": never reported
constexpr int kWsaInvalidArgument = 10022;
constexpr int kWsaNotSocket = 10038;      // an unknown socket handle was passed in
constexpr int kWsaNoBufferSpace = 10055;  // a connection's send queue is full
constexpr int kWsaNotConnected = 10057;
constexpr int kWsaTooManyProcesses = 10067;  // no thread for a name lookup
constexpr int kWsaHostNotFound = 11001;

// The text of a Winsock code; "Not a Winsock error" for any other number.
std::string_view SocketErrorText(int code);

// The Winsock code of an errno value; a value with no Winsock twin is passed on unchanged.
int WinsockCodeFromErrno(int error);

// The Winsock code of a getaddrinfo result (EAI_*); `error` is errno for EAI_SYSTEM.
int WinsockCodeFromLookup(int eai, int error);

}  // namespace lr
