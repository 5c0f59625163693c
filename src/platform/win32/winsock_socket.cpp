#include "platform/win32/winsock_socket.h"

#include <ws2tcpip.h>

#include <algorithm>

#include "platform/tls_connection.h"
#include "platform/win32/last_error_cause.h"

namespace quernel {
namespace {

// Winsock is started once for the life of the program.
void StartWinsock() {
  static const int started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) throw ConnectionError("the network is not available: " + SystemMessage(started), false);
}

bool WouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR; }

// Waits until `socket` can be written or read; false on timeout.
bool WaitReady(SOCKET socket, bool forWriting, std::chrono::milliseconds timeout, int& error) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval limit{static_cast<long>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000 * 1000)};
  const int count = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &limit);
  error = count == SOCKET_ERROR ? WSAGetLastError() : 0;
  return count != 0;
}

// A non-blocking socket connected to `address`, or INVALID_SOCKET with
// `reason` set.
SOCKET ConnectTo(const addrinfo& address, std::chrono::milliseconds timeout, std::string& reason) {
  SOCKET candidate = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (candidate == INVALID_SOCKET) {
    reason = SystemMessage(static_cast<DWORD>(WSAGetLastError()));
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;
  int error = ioctlsocket(candidate, FIONBIO, &nonBlocking) == 0 ? 0 : WSAGetLastError();
  if (error == 0 && ::connect(candidate, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    error = WSAGetLastError();
    if (WouldBlock(error)) {
      if (!WaitReady(candidate, true, timeout, error)) {
        error = WSAETIMEDOUT;
      } else if (error == 0) {
        int length = sizeof error;
        if (getsockopt(candidate, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
          error = WSAGetLastError();
        }
      }
    }
  }
  if (error == 0) return candidate;
  reason = SystemMessage(static_cast<DWORD>(error));
  closesocket(candidate);
  return INVALID_SOCKET;
}

}  // namespace

WinsockSocket::WinsockSocket(const std::string& host, uint16_t port, std::chrono::milliseconds timeout)
    : host_(host), timeout_(timeout) {
  StartWinsock();
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* addresses = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses);
  if (lookup != 0) throw ConnectionError(host + ": " + SystemMessage(static_cast<DWORD>(lookup)), true);
  std::string reason = "no address";
  for (addrinfo* address = addresses; address != nullptr && socket_ == INVALID_SOCKET; address = address->ai_next) {
    socket_ = ConnectTo(*address, timeout, reason);
  }
  freeaddrinfo(addresses);
  if (socket_ == INVALID_SOCKET) throw ConnectionError(host + ":" + std::to_string(port) + ": " + reason, true);
}

WinsockSocket::~WinsockSocket() { closesocket(socket_); }

void WinsockSocket::sendAll(std::string_view bytes, const char* doing) {
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 20));
    const int sent = ::send(socket_, bytes.data(), chunk, 0);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<size_t>(sent));
      continue;
    }
    const int error = WSAGetLastError();
    if (!WouldBlock(error)) fail(doing, SystemMessage(static_cast<DWORD>(error)));
    wait(true, doing);
  }
}

size_t WinsockSocket::receive(char* buffer, size_t size, const char* doing) {
  for (;;) {
    const int got = ::recv(socket_, buffer, static_cast<int>(std::min<size_t>(size, 1 << 20)), 0);
    if (got > 0) return static_cast<size_t>(got);
    if (got == 0) fail(doing, "the server closed the connection");
    const int error = WSAGetLastError();
    if (!WouldBlock(error)) fail(doing, SystemMessage(static_cast<DWORD>(error)));
    wait(false, doing);
  }
}

void WinsockSocket::fail(const char* doing, const std::string& reason) const {
  throw ConnectionError(host_ + ": " + doing + ": " + reason, true);
}

void WinsockSocket::wait(bool forWriting, const char* doing) const {
  int error = 0;
  if (!WaitReady(socket_, forWriting, timeout_, error)) {
    fail(doing, "no answer for " + std::to_string(timeout_.count() / 1000) + " s");
  }
  if (error != 0 && error != WSAEINTR) fail(doing, SystemMessage(static_cast<DWORD>(error)));
}

}  // namespace quernel
