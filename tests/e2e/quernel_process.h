#pragma once
// Runs the quernel program as a separate process, as a user would, and
// captures what it prints. The command comes from QUERNEL_COMMAND when set
// (for example "wine /path/quernel.exe"), otherwise the binary that was built
// with the tests.

#include <cstdint>
#include <string>
#include <vector>

namespace quernel::testing {

struct ProcessResult {
  std::string out;  // standard output; on Windows each line's CR LF, once checked, as LF
  std::string err;  // standard error (quernel never writes there)
  int status = -1;  // exit status; -1 if the process did not exit normally
};

// Runs quernel with `arguments` in `workingDirectory`.
ProcessResult RunQuernelProcess(const std::vector<std::string>& arguments,
                                const std::string& workingDirectory);

// Runs `command` (a program found through PATH and its arguments) in
// `workingDirectory`; status 127 when the program cannot be started.
ProcessResult RunProcess(const std::vector<std::string>& command, const std::string& workingDirectory);

// The same with the process's address space limited to `addressSpaceBytes`,
// so that it runs out of memory as a smaller machine would.
ProcessResult RunQuernelProcessWithin(uint64_t addressSpaceBytes, const std::vector<std::string>& arguments,
                                      const std::string& workingDirectory);

// A fresh, empty folder under /dev/shm (or TMPDIR), removed with everything
// in it when the object goes out of scope.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> ListDirectory(const std::string& path);  // sorted names

}  // namespace quernel::testing
