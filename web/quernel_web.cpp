// The WebAssembly module's entry points, called by web/worker.js: the chosen
// files are registered, the command line that the page built is run over
// them exactly as the program runs it, and the output is made into a zip,
// most of it while the program runs.

#include <emscripten/emscripten.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "cli/quernel_main.h"
#include "platform/file_time.h"
#include "platform/host.h"
#include "platform/web/browser_files.h"
#include "platform/web/web_file_system.h"
#include "zip/zip_writer.h"

namespace quernel {
namespace {

class PageConsole final : public Console {
 public:
  void write(std::string_view text) override { quernel_print(text.data(), text.size()); }
  void messageDone() override { quernel_message_done(); }
};

// Records and small files are gathered into blocks before they go to the
// worker: a call for each (two for every file) costs more than the copy.
class BrowserZipSink final : public ZipSink {
 public:
  void writeRecord(std::string_view bytes) override {
    if (pending_.size() + bytes.size() > kBlock) flush();
    if (bytes.size() >= kBlock) {
      quernel_zip_bytes(bytes.data(), bytes.size());
    } else {
      pending_.append(bytes);
    }
  }
  void writeContents(uint64_t contents) override {
    flush();
    quernel_zip_contents(static_cast<int>(contents));
  }
  void flush() override {
    if (!pending_.empty()) quernel_zip_bytes(pending_.data(), pending_.size());
    pending_.clear();
  }

 private:
  static constexpr size_t kBlock = 1 << 20;
  std::string pending_;
};

WebFileSystem& Files() {
  static WebFileSystem files;
  return files;
}

std::unique_ptr<ZipWriter>& Zip() {
  static std::unique_ptr<ZipWriter> zip;
  return zip;
}

int64_t UnixNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Appends `text` to `json` as a JSON string.
void AppendJsonString(std::string& json, std::string_view text) {
  json += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      json += escaped;
    } else {
      json += c;
    }
  }
  json += '"';
}

}  // namespace
}  // namespace quernel

extern "C" {

EMSCRIPTEN_KEEPALIVE void quernel_add_input(const char* path, int file, double length, double lastModifiedMs) {
  using namespace quernel;
  const auto milliseconds = static_cast<int64_t>(lastModifiedMs);
  Files().addInput(path, file, static_cast<uint64_t>(length),
                   FileTimeFromUnix(milliseconds / 1000, static_cast<uint32_t>(milliseconds % 1000) * 1000000));
}

EMSCRIPTEN_KEEPALIVE void quernel_add_directory(const char* path) { quernel::Files().addDirectory(path); }

// `arguments`: the command line's arguments, one per line.
EMSCRIPTEN_KEEPALIVE int quernel_run(const char* arguments) {
  using namespace quernel;
  InitializeHost();
  std::vector<std::string> list;
  std::istringstream lines(arguments);
  for (std::string line; std::getline(lines, line);) list.push_back(line);
  PageConsole console;
  return RunQuernel(list, Files(), console);
}

// Starts the zip of everything below `directory`, before quernel_run.
EMSCRIPTEN_KEEPALIVE void quernel_start_zip(const char* directory) {
  using namespace quernel;
  InitializeHost();
  static BrowserZipSink sink;
  Zip() = std::make_unique<ZipWriter>(sink, SystemHost().calendar);
  Files().zipInto(*Zip(), directory);
}

// Adds what is not in the zip yet and finishes it, after quernel_run.
EMSCRIPTEN_KEEPALIVE void quernel_write_zip() { quernel::Files().finishZip(quernel::UnixNow()); }

// Lists everything below `directory`, in the zip's order, for writing into a
// folder the user picked (web/folder_output.js): a JSON array of
// {"name", "directory", "size", "contents"}, every file's bytes handed to
// the spool first. Valid until the next call. The zip, if it is still
// wanted, is started after it (quernel_start_zip) and made from the spool.
EMSCRIPTEN_KEEPALIVE const char* quernel_list_outputs(const char* directory) {
  using namespace quernel;
  static std::string json;
  Files().keepHeldBelow(directory);
  json = "[";
  for (const KeptOutput& output : Files().outputsBelow(directory, UnixNow())) {
    if (json.size() > 1) json += ',';
    json += "{\"name\":";
    AppendJsonString(json, output.name);
    json += ",\"directory\":";
    json += output.directory ? "true" : "false";
    json += ",\"size\":" + std::to_string(output.size) + ",\"contents\":" + std::to_string(output.contents) + "}";
  }
  json += "]";
  return json.c_str();
}
}
