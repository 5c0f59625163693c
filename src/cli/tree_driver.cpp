#include "cli/tree_driver.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/batch_driver.h"
#include "cli/mailbox_code_page.h"
#include "cli/opened_mailbox.h"
#include "cli/recover_mailbox.h"
#include "dbx/folder_list.h"
#include "dbx/salvage.h"
#include "dbx/store_files.h"
#include "dbx/store_tree.h"
#include "platform/ascii.h"
#include "platform/code_page.h"
#include "platform/directories.h"
#include "writers/mailbox_failure.h"
#include "writers/tree_plan.h"

namespace quernel {
namespace {

constexpr std::string_view kFolderListName = "Folders.dbx";

// The files of the store folder: bare names for matching, full paths for
// opening, and the folder list among them.
struct StoreDirectory {
  std::string directory;
  std::vector<std::string> names;
  std::unordered_map<std::string, std::string> paths;  // by name
  std::string folderList;                               // full path; empty: none
};

// The directory of a file's path: its part before the name, or the current
// directory for a bare name.
std::string DirectoryOf(const std::string& file, const PathRules& paths) {
  const size_t nameStart = file.size() - paths.fileNamePart(file).size();
  return nameStart == 0 ? std::string(1, '.') : file.substr(0, nameStart);
}

// `store` is the store folder or a file in it, which is then taken for the
// folder list whatever its name. Otherwise the folder list is the file
// "Folders.dbx", in any letter case.
StoreDirectory ReadStoreDirectory(const std::string& store, FileSystem& fileSystem, const PathRules& paths) {
  StoreDirectory found;
  const bool givenFile = fileSystem.isRegularFile(store);
  found.directory = givenFile ? DirectoryOf(store, paths) : store;
  for (std::string& path : fileSystem.expandPattern(paths.join(found.directory, "*"))) {
    std::string name = paths.fileNamePart(path);
    if (!givenFile && EqualsIgnoringCase(name, kFolderListName) &&
        (found.folderList.empty() || name == kFolderListName)) {
      found.folderList = path;
    }
    found.paths.emplace(name, std::move(path));
    found.names.push_back(std::move(name));
  }
  if (givenFile) found.folderList = store;
  return found;
}

// Whether two paths name one existing directory or file, whatever their spelling.
bool SameEntry(const std::string& a, const std::string& b, FileSystem& fileSystem) {
  const std::optional<Entry> first = fileSystem.entryAt(a);
  const std::optional<Entry> second = fileSystem.entryAt(b);
  return first && second && first->identity == second->identity;
}

// The folder records, or none (every mailbox then becomes a top-level
// folder) with a line that says why.
std::vector<FolderRecord> ReadFolders(const StoreDirectory& store, FileSystem& fileSystem,
                                      Console& console, const Host& host) {
  const char* problem = nullptr;
  std::string shown = store.folderList;
  FolderListFile list;
  if (store.folderList.empty()) {
    problem = "not found";
    shown = host.paths.join(store.directory, kFolderListName);
  } else {
    try {
      const std::unique_ptr<InputFile> input = fileSystem.openInput(store.folderList);
      try {
        list = ReadFolderList(*input);
        if (list.status != MailboxStatus::FolderList) problem = "is not an Outlook Express folder list";
      } catch (const FileError&) {
        problem = "seems to be defective";
      }
    } catch (const FileError&) {
      problem = "cannot be opened";
    }
  }
  if (problem == nullptr) return std::move(list.folders);
  console.print("Folder list \"%s\" %s: every mailbox becomes a top-level folder.\n",
                host.text.displayForm(shown).c_str(), problem);
  return {};
}

// The code pages of a store: the one chosen with -cp, or, where the platform
// detects them, each mailbox's own and the one they agree on together, which
// the folder list is read in.
class StoreCodePages {
 public:
  // `scanning`: a mailbox whose index is unusable or lists no message
  // votes with the messages a scan of it finds, as "-recover" converts it.
  StoreCodePages(int chosen, bool scanning, const StoreDirectory& store, FileSystem& fileSystem, const Host& host)
      : chosen_(chosen), detected_(chosen == 0 && DetectsMailboxCodePages()), scanning_(scanning), host_(host) {
    if (!detected_) return;
    for (const auto& [name, path] : store.paths) {
      if (path != store.folderList) weigh(name, path, fileSystem);
    }
  }

  // Announces a page found rather than chosen, after the progress line.
  std::unique_ptr<CodePageConverter> forMailbox(const OpenedMailbox& mailbox, Console& console) const {
    if (!detected_) return ChosenCodePageConverter(chosen_);
    const auto found = byFile_.find(mailbox.fileName());
    const int codePage = found == byFile_.end() ? kWindows1252 : found->second;
    return FoundCodePageConverter(codePage, "Mailbox", mailbox.displayName(), console);
  }

  // `records` is empty when there is no folder list to read.
  std::unique_ptr<CodePageConverter> forFolderList(const StoreDirectory& store,
                                                   const std::vector<FolderRecord>& records,
                                                   Console& console) const {
    if (!detected_ || records.empty()) return ChosenCodePageConverter(chosen_);
    return FoundCodePageConverter(all_.chosen(), "Folder list", host_.text.displayForm(store.folderList), console);
  }

 private:
  static constexpr int kWindows1252 = 1252;

  // Reads the file quietly: one that is no mailbox, or cannot be read, gives
  // no votes, and its conversion reports it later.
  void weigh(const std::string& name, const std::string& path, FileSystem& fileSystem) {
    try {
      const std::unique_ptr<InputFile> input = fileSystem.openInput(path);
      std::optional<MailboxReader> reader;
      try {
        reader.emplace(*input, host_.calendar);
      } catch (const FileError& error) {
        if (!error.isCorruption()) return;
      }
      const bool valid = reader && reader->status() == MailboxStatus::Valid;
      std::optional<CodePageVotes> votes;
      if (valid && reader->messageCount() > 0) {
        votes = MailboxVotes(*reader);
      } else if (scanning_ && IsStoreMailboxFile(name) &&
                 (valid || !reader || reader->status() == MailboxStatus::Unrecognised)) {
        Salvage salvage(*input, {}, host_.calendar);
        votes = FoundVotes(salvage);
      }
      if (!votes) return;
      byFile_[name] = votes->chosen();
      all_.add(*votes);
    } catch (const FileError&) {
    } catch (const std::bad_alloc&) {
    }
  }

  const int chosen_;
  const bool detected_;
  const bool scanning_;
  const Host& host_;
  std::unordered_map<std::string, int> byFile_;  // by file name
  CodePageVotes all_;
};

// Writes the planned folders into the output folder, one mailbox at a time.
class TreeWriter {
 public:
  TreeWriter(const RunSettings& settings, const TreePlan& plan, const StoreCodePages& codePages,
             FileSystem& fileSystem, Console& console, const Host& host)
      : host_(host),
        paths_(host.paths),
        plan_(plan),
        codePages_(codePages),
        output_(settings.outputDirectory),
        fileSystem_(fileSystem),
        console_(console),
        writers_(settings, fileSystem, console, host),
        recover_(settings.has(flags::kRecover)) {}

  // Every directory of the tree, parents first, before any message: an eml
  // folder's directory, an mbox folder's ".sbd" directory of subfolders. A
  // directory there already is used as it is.
  void makeDirectories() {
    MakeDirectories(fileSystem_, paths_, output_);
    if (plan_.layout == TreeLayout::Maildir) return makeMaildirs();
    for (size_t i = 0; i < plan_.folders.size(); ++i) {
      const std::string directory =
          plan_.layout == TreeLayout::Eml ? plan_.path(i) : plan_.subfolderDirectory(i);
      if (!directory.empty()) fileSystem_.createDirectory(paths_.join(output_, directory));
    }
  }

  // The output folder is the top level's Maildir, empty; every folder's
  // Maildir is beside its cur/new/tmp, marked as a Maildir++ folder.
  void makeMaildirs() {
    CreateMaildir(fileSystem_, output_, paths_);
    for (size_t i = 0; i < plan_.folders.size(); ++i) {
      const std::string folder = paths_.join(output_, plan_.path(i));
      CreateMaildir(fileSystem_, folder, paths_);
      if (!MarkMaildirFolder(fileSystem_, folder, paths_)) reportUnopened(paths_.join(folder, "maildirfolder"));
    }
  }

  // Folder i, with its mailbox at `inputPath` (empty: none).
  void writeFolder(size_t i, const StoreFolder& folder, const std::string& inputPath) {
    const std::string outputPath = paths_.join(output_, plan_.path(i));
    IndexedOutcome outcome;
    if (!inputPath.empty()) {
      ++mailboxes_;
      try {
        outcome = convert(inputPath, outputPath);
      } catch (const std::bad_alloc&) {
        // Memory that runs out in one mailbox ends that mailbox, not the tree.
        ReportMailboxFailure(console_, OutOfMemoryError(), host_.text.displayForm(paths_.fileNamePart(inputPath)),
                             host_.text);
        outcome = {true, std::nullopt};
      }
    }
    if (plan_.layout == TreeLayout::Mbox && !outcome.written) makeEmptyMbox(outputPath);
    if (folder.messageCount && outcome.converted &&
        static_cast<int64_t>(*folder.messageCount) != *outcome.converted) {
      console_.print("Folder \"%s\": the folder list counts %lu messages, %ld converted.\n",
                     host_.text.displayForm(plan_.path(i)).c_str(),
                     static_cast<unsigned long>(*folder.messageCount),
                     static_cast<long>(*outcome.converted));
    }
  }

  const Counters& counters() const { return writers_.counters; }
  size_t mailboxes() const { return mailboxes_; }

 private:
  IndexedOutcome convert(const std::string& inputPath, const std::string& outputPath) {
    if (recover_) return recover(inputPath, outputPath);
    OpenedMailbox mailbox(inputPath, fileSystem_, console_, host_);
    if (mailbox.state() == OpenedMailbox::State::Empty) return {};
    if (mailbox.state() == OpenedMailbox::State::Refused) return {false, std::nullopt};
    const MailboxReader& reader = mailbox.reader();
    // The code page belongs to the mailbox: each gets a converter of its own.
    const std::unique_ptr<CodePageConverter> converter = codePages_.forMailbox(mailbox, console_);
    Counters& counters = writers_.counters;
    const Counters before = counters;
    if (plan_.layout == TreeLayout::Mbox) {
      writers_.mbox.convertMailboxTo(writers_.mboxOptions, outputPath, mailbox.displayName(),
                                     reader, *converter, counters.mbox);
    } else if (plan_.layout == TreeLayout::Eml) {
      writers_.eml.convertMailboxInto(writers_.emlOptions, paths_.join(outputPath, ""),
                                      mailbox.displayName(), reader, *converter, counters.eml);
    } else {
      ReaderSource source(reader, paths_);
      if (writers_.maildir.writeFolder(outputPath, source, writers_.maildirOptions.overwrite,
                                       mailbox.displayName())) {
        ++counters.maildir;
      }
    }
    const bool complete = counters.mbox != before.mbox || counters.eml != before.eml ||
                          counters.maildir != before.maildir;
    return {true, complete ? std::optional<int64_t>(reader.messageCount()) : std::nullopt};
  }

  // The sets go beside the folder's mbox file, or into its eml directory.
  IndexedOutcome recover(const std::string& inputPath, const std::string& outputPath) {
    OpenedMailbox mailbox(inputPath, fileSystem_, console_, host_, /*salvaging=*/true);
    if (mailbox.state() == OpenedMailbox::State::Refused) return {false, std::nullopt};
    RecoverPlaces places;
    places.mboxSetFile = places.maildirSetFolder = [](const std::string& output, std::string_view setName,
                                                      const Host&) { return TreeSetPath(output, setName); };
    places.markMaildirSets = true;
    if (plan_.layout == TreeLayout::Mbox) {
      places.mboxFile = outputPath;
    } else if (plan_.layout == TreeLayout::Eml) {
      places.emlDirectory = paths_.join(outputPath, "");
    } else {
      places.maildir = outputPath;
    }
    const std::unique_ptr<Salvage> salvage = ScanMailbox(mailbox, host_, console_);
    if (!salvage) return {false, std::nullopt};
    const std::unique_ptr<CodePageConverter> converter = codePages_.forMailbox(mailbox, console_);
    return RecoverMailbox(mailbox, *salvage, places, *converter, writers_, fileSystem_, console_);
  }

  // A folder without messages is an empty mbox file, so that the tree is
  // whole; a file there already (an earlier run's) is left as it is.
  void makeEmptyMbox(const std::string& path) {
    try {
      if (const std::unique_ptr<OutputFile> file = fileSystem_.createNewOutput(path)) file->close();
    } catch (const FileError&) {
      reportUnopened(path);
    }
  }

  void reportUnopened(const std::string& path) {
    console_.print("Unable to open outputfile \"%s\"!\n", host_.text.displayForm(path).c_str());
  }

  const Host& host_;
  const PathRules& paths_;
  const TreePlan& plan_;
  const StoreCodePages& codePages_;
  const std::string output_;
  FileSystem& fileSystem_;
  Console& console_;
  RunWriters writers_;
  const bool recover_;
  size_t mailboxes_ = 0;
};

}  // namespace

int RunTree(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host) {
  const StoreDirectory store = ReadStoreDirectory(settings.inputs[0], fileSystem, host.paths);
  if (store.names.empty()) {
    console.print("Nothing to do!\n");
    return 0;
  }
  if (SameEntry(store.directory, settings.outputDirectory, fileSystem)) {
    // Folder names are free: one named "Inbox.dbx" would replace a mailbox.
    console.print("The output folder must not be the store folder!\n");
    return 1;
  }
  ChooseDefaultFormat(settings, console);
  const StoreCodePages codePages(settings.codePage, settings.has(flags::kRecover), store, fileSystem, host);
  // The folder list's names are converted as a mailbox's strings are.
  const std::vector<FolderRecord> records = ReadFolders(store, fileSystem, console, host);
  const std::unique_ptr<CodePageConverter> converter = codePages.forFolderList(store, records, console);
  const StoreTree tree = BuildStoreTree(records, store.names, *converter, host.text);
  const TreeLayout layout = settings.has(flags::kEml)       ? TreeLayout::Eml
                            : settings.has(flags::kMaildir) ? TreeLayout::Maildir
                                                            : TreeLayout::Mbox;
  const TreePlan plan = PlanTree(tree, layout, host, *converter,
                                 settings.has(flags::kRecover));

  TreeWriter writer(settings, plan, codePages, fileSystem, console, host);
  writer.makeDirectories();
  for (size_t i = 0; i < tree.folders.size(); ++i) {
    const StoreFolder& folder = tree.folders[i];
    const auto path = store.paths.find(folder.mailboxFile);
    writer.writeFolder(i, folder, path == store.paths.end() ? std::string() : path->second);
  }
  PrintSummaries(settings, writer.counters(), writer.mailboxes(), console);
  return 0;
}

std::vector<StoreFolderPlace> PlanStoreFolders(const RunSettings& settings, FileSystem& fileSystem,
                                               Console& console, const Host& host) {
  const StoreDirectory store = ReadStoreDirectory(settings.inputs[0], fileSystem, host.paths);
  if (store.names.empty()) return {};
  const StoreCodePages codePages(settings.codePage, settings.has(flags::kRecover), store, fileSystem, host);
  const std::vector<FolderRecord> records = ReadFolders(store, fileSystem, console, host);
  const std::unique_ptr<CodePageConverter> converter = codePages.forFolderList(store, records, console);
  const StoreTree tree = BuildStoreTree(records, store.names, *converter, host.text);
  const TreePlan plan = PlanTree(tree, TreeLayout::Eml, host, *converter, settings.has(flags::kRecover));
  std::vector<StoreFolderPlace> places(tree.folders.size());
  for (size_t i = 0; i < tree.folders.size(); ++i) {
    const std::string path = plan.path(i);
    for (size_t start = 0; start <= path.size();) {
      const size_t end = std::min(path.find(host.paths.separator(), start), path.size());
      places[i].levels.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    const auto mailbox = store.paths.find(tree.folders[i].mailboxFile);
    if (mailbox != store.paths.end()) places[i].mailboxPath = mailbox->second;
  }
  return places;
}

}  // namespace quernel
