#include "platform/secret_source.h"

#include <stdio.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace quernel {

std::optional<std::string> SecretFromCommand(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  size_t got = 0;
  // The first line is enough; the cap keeps a runaway command bounded.
  while (output.size() < 65536 && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = ::pclose(pipe);
  std::string line = FirstLine(std::move(output));
  if (status != 0 || line.empty()) return std::nullopt;
  return line;
}

std::optional<std::string> SecretFromTerminal(const std::string& prompt) {
  if (!::isatty(STDIN_FILENO)) return std::nullopt;
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  std::cerr << prompt << std::flush;
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  std::string line;
  std::getline(std::cin, line);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << '\n';
  line = FirstLine(std::move(line));
  if (line.empty()) return std::nullopt;
  return line;
}

}  // namespace quernel
