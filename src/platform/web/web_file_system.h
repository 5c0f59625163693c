#pragma once
// WebFileSystem: the files of a browser tab. Inputs are the File objects the
// user chose, read lazily a slice at a time; outputs are kept as Blobs,
// never in the module's memory. Names, directories and the rules of the
// FileSystem contract are those of the in-memory file system, which holds
// every file empty and stands for the structure alone.

#include <map>
#include <memory>

#include "platform/file_system.h"
#include "platform/memory/memory_file_system.h"
#include "zip/crc32.h"

namespace quernel {

// One output file or directory, relative to the output directory.
struct KeptOutput {
  std::string name;
  bool directory = false;
  uint64_t size = 0;
  uint32_t crc = 0;
  int64_t unixTime = 0;
  int contents = 0;  // the Blob list of quernel_keep_bytes
};

class WebFileSystem final : public FileSystem {
 public:
  // Inputs are read from the browser this much at a time.
  static constexpr uint64_t kInputSlice = 1 << 20;

  // Adds the browser's input file number `file` at `path`, with its parents.
  void addInput(const std::string& path, int file, uint64_t length, std::optional<FileTimeTicks> lastWrite);
  void addDirectory(const std::string& path);

  // Everything below `directory`: the directories in name order, then the
  // files in the order they were created, which is the order their bytes
  // were kept in. Directories (which the engine never stamps) carry
  // `directoryTime`.
  std::vector<KeptOutput> outputsBelow(const std::string& directory, int64_t directoryTime);

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
  };

 private:
  MemoryFileSystem structure_;
  uint64_t bytesRead_ = 0;
  int nextContents_ = 1;
  std::map<uint64_t, Input> inputs_;                    // by the identity's file number
  std::map<uint64_t, std::shared_ptr<Output>> outputs_;  // likewise
  std::vector<std::string> directories_;                 // as created

  std::unique_ptr<OutputFile> wrap(std::unique_ptr<OutputFile> file, bool keepBytes);
  void forget(const std::optional<Entry>& entry);
  void countRead(size_t bytes);
};

}  // namespace quernel
