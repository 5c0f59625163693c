#pragma once
// Console: where every line quernel prints goes. The program prints only to
// standard output; tests capture the lines in memory instead.

#include <string>
#include <string_view>

namespace quernel {

class Console {
 public:
  virtual ~Console() = default;
  virtual void write(std::string_view text) = 0;
  // One more message dealt with (written, or found already there), for a
  // display of progress beside the lines; the command line shows none.
  virtual void messageDone() {}

  // printf-style formatting of one message line.
  void print(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
};

// Standard output, flushed after every line so that progress shows at once
// and interleaves correctly with anything else writing to the same stream.
class StdoutConsole final : public Console {
 public:
  void write(std::string_view text) override;
};

// Whether standard output is a terminal (where a progress line may be
// redrawn in place), not a file or a pipe.
bool StdoutIsTerminal();

// Collects everything printed; for tests.
class StringConsole final : public Console {
 public:
  void write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

}  // namespace quernel
