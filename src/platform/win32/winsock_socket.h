#pragma once
// A non-blocking Winsock TCP connection whose every wait is a select()
// bounded by a timeout, so that a silent server never blocks a run.

// windows_api.h first: <winsock2.h> would bring in <windows.h> with min/max.
#include "platform/win32/windows_api.h"

#include <winsock2.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quernel {

class WinsockSocket {
 public:
  // Connects to the first address of `host`:`port` that answers; raises
  // ConnectionError (retryable) otherwise.
  WinsockSocket(const std::string& host, uint16_t port, std::chrono::milliseconds timeout);
  ~WinsockSocket();
  WinsockSocket(const WinsockSocket&) = delete;
  WinsockSocket& operator=(const WinsockSocket&) = delete;

  // Sends every byte; `doing` names the step in an error line.
  void sendAll(std::string_view bytes, const char* doing);
  // Receives at least one byte; a closed connection raises.
  size_t receive(char* buffer, size_t size, const char* doing);

 private:
  [[noreturn]] void fail(const char* doing, const std::string& reason) const;
  void wait(bool forWriting, const char* doing) const;

  std::string host_;
  std::chrono::milliseconds timeout_;
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace quernel
