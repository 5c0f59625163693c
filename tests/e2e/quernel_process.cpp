#include "e2e/quernel_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "e2e/target_platform.h"

namespace quernel::testing {
namespace {

std::vector<std::string> CommandPrefix() {
  std::vector<std::string> words;
  if (const char* command = std::getenv("QUERNEL_COMMAND"); command != nullptr && *command != '\0') {
    std::istringstream stream(command);
    for (std::string word; stream >> word;) words.push_back(word);
  } else {
    words.push_back(QUERNEL_BINARY);
  }
  return words;
}

// The console lines of a run in the form the tests expect them. A Windows
// build ends every line in CR LF: each line is checked for it, and the CR is
// then dropped so that one expectation serves both platforms. Anything else,
// a Linux run's output included, stays as printed, so that a stray CR still
// shows as a difference.
std::string ConsoleLines(const std::string& printed) {
  if (!TargetIsWindows()) return printed;
  std::string lines;
  lines.reserve(printed.size());
  size_t lineStart = 0;
  for (size_t i = 0; i < printed.size(); ++i) {
    if (printed[i] == '\n') {
      if (i > lineStart && printed[i - 1] == '\r') {
        lines.pop_back();
      } else {
        ADD_FAILURE() << "console line without CR LF: \"" << printed.substr(lineStart, i - lineStart)
                      << "\"";
      }
      lineStart = i + 1;
    }
    lines.push_back(printed[i]);
  }
  return lines;
}

// Reads both pipes until the child closes them.
void Drain(int outFd, int errFd, std::string& out, std::string& err) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

// quernel never ends without a line on standard output: status 1 comes
// after the line that says why. Under Wine, status 1 with no output at all is
// the loader failing before the program ran (its fatal errors end with
// status 1), which happens now and then while both Windows suites share one
// Wine session. A crash of the program ends with another status.
bool WineFailedToStart(const ProcessResult& result) {
  return TargetIsWindows() && result.status == 1 && result.out.empty();
}

// Runs `command` as it stands, with the address space limited where asked.
ProcessResult RunCommand(std::vector<std::string> words, const std::string& workingDirectory,
                         std::optional<uint64_t> addressSpaceLimit) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    if (chdir(workingDirectory.c_str()) != 0) _exit(126);
    if (addressSpaceLimit) {
      const rlimit limit{*addressSpaceLimit, *addressSpaceLimit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(125);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  ProcessResult result;
  std::string rawOut;
  Drain(outPipe[0], errPipe[0], rawOut, result.err);
  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
  }
  result.out = std::move(rawOut);
  result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
  return result;
}

ProcessResult Run(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                  std::optional<uint64_t> addressSpaceLimit) {
  std::vector<std::string> words = CommandPrefix();
  words.insert(words.end(), arguments.begin(), arguments.end());
  // Only quernel's own console lines follow the target's line ends; other
  // programs (Python, doveadm) run natively and print plain LF.
  ProcessResult result = RunCommand(words, workingDirectory, addressSpaceLimit);
  if (WineFailedToStart(result)) {
    std::fprintf(stderr, "Wine did not start the program (status %d: %s); starting it once more\n",
                 result.status, result.err.c_str());
    result = RunCommand(words, workingDirectory, addressSpaceLimit);
  }
  result.out = ConsoleLines(result.out);
  return result;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& command, const std::string& workingDirectory) {
  return RunCommand(command, workingDirectory, std::nullopt);
}

ProcessResult RunQuernelProcess(const std::vector<std::string>& arguments,
                                const std::string& workingDirectory) {
  return Run(arguments, workingDirectory, std::nullopt);
}

ProcessResult RunQuernelProcessWithin(uint64_t addressSpaceBytes, const std::vector<std::string>& arguments,
                                      const std::string& workingDirectory) {
  return Run(arguments, workingDirectory, addressSpaceBytes);
}

ScratchDir::ScratchDir() {
  std::string base = "/dev/shm";
  if (access(base.c_str(), W_OK) != 0) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp != nullptr ? tmp : "/tmp";
  }
  std::string templ = base + "/quernel-e2e-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!stream) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot read " + path);
  std::ostringstream contents;
  contents << stream.rdbuf();
  return contents.str();
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> ListDirectory(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quernel::testing
