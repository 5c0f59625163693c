#pragma once
// WebFileSystem: the files of a browser tab. Inputs are the files the user
// chose (copies of them in the page's storage), read lazily a slice at a
// time; outputs leave the module's memory: a small file, once closed and
// left alone for a while, goes straight into the zip being made (zipInto),
// the bytes of a large one into the browser's keeping (quernel_keep_bytes),
// from where they are copied into the zip at the end. Names, directories
// and the rules of the FileSystem contract are those of the in-memory file
// system, which holds every file empty and stands for the structure alone.

#include <deque>
#include <map>
#include <memory>

#include "platform/file_system.h"
#include "platform/memory/memory_file_system.h"
#include "zip/crc32.h"
#include "zip/zip_writer.h"

namespace quernel {

// One output file or directory, relative to the output directory.
struct KeptOutput {
  std::string name;
  bool directory = false;
  uint64_t size = 0;
  uint32_t crc = 0;
  int64_t unixTime = 0;
  int contents = 0;       // the kept contents of quernel_keep_bytes
  bool kept = false;      // its bytes are those kept contents
  std::string_view held;  // or these, in the module's memory
};

class WebFileSystem final : public FileSystem {
 public:
  // Inputs are read from the browser this much at a time.
  static constexpr uint64_t kInputSlice = 1 << 20;

  // Adds the browser's input file number `file` at `path`, with its parents.
  void addInput(const std::string& path, int file, uint64_t length, std::optional<FileTimeTicks> lastWrite);
  void addDirectory(const std::string& path);

  // From now on, closed files below `directory` go into `zip` as they come
  // (the oldest first, once the closed files held exceed kHeldBytes), each
  // named by its path below it.
  void zipInto(ZipWriter& zip, const std::string& directory);
  // Everything below `directory` not yet in the zip: the directories in name
  // order, then the files in the order they were created, which is the
  // order their bytes were kept in. Directories (which the engine never
  // stamps) carry `directoryTime`.
  std::vector<KeptOutput> outputsBelow(const std::string& directory, int64_t directoryTime);
  // Adds outputsBelow(...) to the zip of zipInto and finishes it.
  void finishZip(int64_t directoryTime);
  // Hands the bytes of every file below `directory` that is not in a zip
  // to the browser's keeping, so that all of them can be read from there.
  void keepHeldBelow(const std::string& directory);

  // The bytes of closed files held in the module's memory before they go
  // into the zip: a file renamed or stamped right after its close (as every
  // eml and Maildir message is) is still held then.
  static constexpr size_t kHeldBytes = 4 << 20;

  std::unique_ptr<InputFile> openInput(const std::string& path) override;
  std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) override;
  std::unique_ptr<OutputFile> createNewOutput(const std::string& path) override;
  std::unique_ptr<OutputFile> createReplacement(const std::string& path, const std::string& sidePath) override;
  void renameFile(const std::string& from, const std::string& to) override;
  std::optional<Entry> entryAt(const std::string& path) override { return structure_.entryAt(path); }
  bool createDirectory(const std::string& path) override;
  bool removeFile(const std::string& path) override;
  bool isRegularFile(const std::string& path) override { return structure_.isRegularFile(path); }
  std::vector<std::string> expandPattern(const std::string& pattern) override {
    return structure_.expandPattern(pattern);
  }

  struct Input {
    int file;
    uint64_t length;
  };
  struct Output {
    int contents = 0;
    uint64_t size = 0;
    Crc32 crc;
    std::string path;     // where it is now
    std::string held;     // bytes not yet handed to the browser
    bool kept = false;    // some bytes were handed to the browser
    bool closed = false;  // waiting in closed_ with all its bytes held
    std::optional<size_t> zipEntry;  // its entry, once in the zip

    void keepHeld();
  };
  // A WebOutputFile's close.
  void closed(const std::shared_ptr<Output>& output);

 private:
  MemoryFileSystem structure_;
  uint64_t bytesRead_ = 0;
  int nextContents_ = 1;
  std::map<uint64_t, Input> inputs_;                    // by the identity's file number
  std::map<uint64_t, std::shared_ptr<Output>> outputs_;  // likewise
  std::vector<std::string> directories_;                 // as created
  ZipWriter* zip_ = nullptr;
  std::string zipDirectory_;
  std::deque<std::shared_ptr<Output>> closed_;  // the oldest first; some no longer closed
  size_t heldBytes_ = 0;                        // of the files closed_ holds

  // Takes `output` out of closed_, or out of the zip (keeping its bytes
  // unless `keepBytes` is false), so that it may change.
  void reopen(Output& output, bool keepBytes = true);
  void addToZip(Output& output);

  std::unique_ptr<OutputFile> wrap(std::unique_ptr<OutputFile> file, const std::string& path, bool keepBytes);
  void discard(Output& output);
  void forget(const std::optional<Entry>& entry);
  void countRead(size_t bytes);
};

}  // namespace quernel
