#include "platform/secret_source.h"

#include <cstdio>
#include <iostream>

#include "platform/win32/program_text.h"
#include "platform/win32/windows_api.h"

namespace quernel {

std::optional<std::string> SecretFromCommand(const std::string& command) {
  // _wpopen runs the command through cmd.exe, the system's shell.
  FILE* pipe = _wpopen(WideProgramText(command).c_str(), L"rb");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  size_t got = 0;
  // The first line is enough; the cap keeps a runaway command bounded.
  while (output.size() < 65536 && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = _pclose(pipe);
  std::string line = FirstLine(std::move(output));
  if (status != 0 || line.empty()) return std::nullopt;
  return line;
}

std::optional<std::string> SecretFromTerminal(const std::string& prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &saved)) return std::nullopt;
  std::cerr << prompt << std::flush;
  SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string line;
  std::getline(std::cin, line);
  SetConsoleMode(input, saved);
  std::cerr << '\n';
  line = FirstLine(std::move(line));
  if (line.empty()) return std::nullopt;
  return line;
}

}  // namespace quernel
