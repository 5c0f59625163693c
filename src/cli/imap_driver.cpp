#include "cli/imap_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>

#include "cli/batch_driver.h"
#include "cli/imap_folder.h"
#include "cli/mailbox_code_page.h"
#include "cli/opened_mailbox.h"
#include "cli/progress_line.h"
#include "cli/recover_mailbox.h"
#include "cli/run_writers.h"
#include "cli/tree_driver.h"
#include "cli/writer_options.h"
#include "imap/folder_commands.h"
#include "imap/imap_error.h"
#include "imap/imap_url.h"
#include "naming/name_cleaning.h"
#include "platform/ascii.h"
#include "platform/secret_source.h"
#include "writers/mailbox_failure.h"

namespace quernel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds kFirstPause{1};
constexpr std::chrono::seconds kLongestPause{300};
constexpr std::chrono::minutes kLongestWithoutProgress{30};

// The secret, taken afresh at every connection from -passcmd (tokens
// expire), else from the environment, else from the terminal (asked once).
class SecretSource {
 public:
  explicit SecretSource(const ImapSettings& settings) : settings_(settings) {}

  std::string take(const std::string& user, const std::string& host) {
    if (!settings_.passwordCommand.empty()) {
      if (auto secret = SecretFromCommand(settings_.passwordCommand)) return *secret;
      throw UploadStop("the -passcmd command failed or printed nothing");
    }
    if (const char* secret = std::getenv("QUERNEL_IMAP_PASSWORD"); secret != nullptr && *secret != '\0') {
      return secret;
    }
    if (!asked_) asked_ = SecretFromTerminal("Password for " + user + " at " + host + ": ");
    if (asked_) return *asked_;
    throw UploadStop("no password: give -passcmd or QUERNEL_IMAP_PASSWORD, or run on a terminal");
  }

 private:
  const ImapSettings& settings_;
  std::optional<std::string> asked_;
};

// Whether the server's "* ENABLED" answer names `capability`.
bool Enabled(const CommandResult& result, const std::string& capability) {
  for (const ImapResponse& response : result.untagged) {
    if (response.name != "ENABLED") continue;
    for (const ImapValue& value : response.values) {
      if (ImapUpper(value.text) == capability) return true;
    }
  }
  return false;
}

class ImapUpload {
 public:
  ImapUpload(const RunSettings& settings, ImapUrl url, FileSystem& fileSystem, Console& console, const Host& host)
      : settings_(settings),
        url_(std::move(url)),
        emlOptions_(EmlOptionsFrom(settings)),
        secrets_(settings.imap),
        fileSystem_(fileSystem),
        console_(console, StdoutIsTerminal() && dynamic_cast<StdoutConsole*>(&console) != nullptr),
        host_(host) {}

  // True when every message of the mailbox is on the server. Without
  // `levels` (below PARENT) the folder is named after the mailbox file.
  bool upload(const std::string& path, std::vector<std::string> levels = {}) {
    const bool recover = settings_.has(flags::kRecover);
    OpenedMailbox mailbox(path, fileSystem_, console_, host_, recover);
    if (mailbox.state() == OpenedMailbox::State::Empty) return true;
    if (mailbox.state() == OpenedMailbox::State::Refused) return false;
    if (levels.empty()) levels.push_back(FolderNameOf(mailbox.fileName()));
    // Names are the host's text (ANSI on Windows); the server takes UTF-8.
    for (std::string& level : levels) level = ProgramTextToUtf8(level);
    levels.insert(levels.begin(), url_.parent.begin(), url_.parent.end());
    if (!recover) {
      const std::unique_ptr<CodePageConverter> converter =
          mailbox.state() == OpenedMailbox::State::Ready
              ? MailboxConverter(settings_.codePage, mailbox.reader(), mailbox.displayName(), console_)
              : ChosenCodePageConverter(settings_.codePage);
      ReaderSource source(mailbox.reader(), host_.paths);
      try {
        return uploadSource(source, levels, mailbox.displayName(), *converter, "");
      } catch (const FileError& error) {
        // The mailbox, not the upload, failed: as in a file conversion, a
        // line and on to the next; a rerun with -recover takes what it can.
        ReportMailboxFailure(console_, error, mailbox.displayName(), host_.text);
        return false;
      }
    }
    const std::unique_ptr<Salvage> salvage = ScanMailbox(mailbox, host_, console_);
    if (!salvage) return false;
    // As in a file conversion: the index's messages tell the code page, or
    // where it lists none the found ones.
    const std::unique_ptr<CodePageConverter> converter =
        mailbox.listsMessages()
            ? MailboxConverter(settings_.codePage, mailbox.reader(), mailbox.displayName(), console_)
            : ScannedMailboxConverter(settings_.codePage, *salvage, mailbox.displayName(), console_);
    // -recover: the indexed messages into the folder, each set found into
    // its subfolder ("recovered", "deleted", "damaged").
    bool uploadedAll = true;
    bool indexedSeen = mailbox.state() != OpenedMailbox::State::Ready || mailbox.reader().messageCount() == 0;
    RecoverPlaces places;
    places.otherOutput = [&](MessageSource& source, std::string_view setName) {
      std::vector<std::string> target = levels;
      if (!setName.empty()) target.emplace_back(setName);
      indexedSeen = indexedSeen || setName.empty();
      uploadedAll = uploadSource(source, target, mailbox.displayName(), *converter, setName) && uploadedAll;
    };
    RunWriters writers(settings_, fileSystem_, console_, host_);
    RecoverMailbox(mailbox, *salvage, places, *converter, writers, fileSystem_, console_);
    return uploadedAll && indexedSeen;
  }

  const std::string& host() const { return url_.host; }

 private:
  // The mailbox file's name without ".dbx", as the folder's name.
  std::string FolderNameOf(const std::string& fileName) const {
    std::string name = fileName;  // the host's text, not the console's (OEM on Windows)
    if (name.size() > 4 && EqualsIgnoringCase(std::string_view(name).substr(name.size() - 4), ".dbx")) {
      name.resize(name.size() - 4);
    }
    ReplaceDotsOnlyName(name);  // "..dbx" names no folder "." on the server
    return name;
  }

  // One source into the folder `levels`, reconnecting as needed, and its
  // counts line. True when every message is on the server.
  bool uploadSource(MessageSource& source, const std::vector<std::string>& levels, const std::string& displayName,
                    const CodePageConverter& converter, std::string_view setName) {
    std::vector<bool> sent(static_cast<size_t>(source.messageCount()));
    const auto attempt = [&] {
      FolderUploadContext context{*session_, delimiter_, utf8_, emlOptions_, converter, console_, host_.text,
                                  displayName, renamedFolders_};
      return UploadFolder(context, levels, source, sent);
    };
    std::string set;
    if (!setName.empty()) set.append(" ").append(setName);
    FolderTally tally;
    try {
      tally = withReconnects(attempt, [&] { return std::count(sent.begin(), sent.end(), true); });
    } catch (const FolderRefused& refused) {
      console_.print("\"%s\"%s: not uploaded, %s!\n", displayName.c_str(), set.c_str(), refused.what());
      return false;
    }
    console_.print("\"%s\"%s: %d messages, %d uploaded, %d already on the server, %d too large\n",
                   displayName.c_str(), set.c_str(), tally.messages, tally.uploaded, tally.already, tally.tooLarge);
    return tally.complete();
  }

  void connect() {
    TlsSettings tls;
    tls.caFile = settings_.imap.caFile;
    auto session = std::make_unique<ImapSession>(ConnectTls(url_.host, url_.port, url_.tlsFromStart, tls));
    session->open(!url_.tlsFromStart);
    session->logIn(url_.user, secrets_.take(url_.user, url_.host), settings_.imap.oauth2);
    utf8_ = session->has("UTF8=ACCEPT") && Enabled(session->run("ENABLE UTF8=ACCEPT"), "UTF8=ACCEPT");
    delimiter_ = HierarchyDelimiter(*session);
    session_ = std::move(session);
  }

  // Runs `attempt` on a connected session; a lost connection is made again
  // after a growing pause and the attempt repeated (it reconciles first).
  // `progress` counts what has been sent: while it grows, the pause starts
  // again from its shortest and the 30 minutes from now.
  template <typename Attempt, typename Progress>
  FolderTally withReconnects(Attempt attempt, Progress progress) {
    std::chrono::milliseconds pause = kFirstPause;
    Clock::time_point lastProgress = Clock::now();
    auto sentBefore = progress();
    for (;;) {
      try {
        if (!session_) connect();
        return attempt();
      } catch (const ConnectionError& error) {
        session_.reset();
        if (!error.retryable()) throw UploadStop(error.what());
        if (progress() != sentBefore) {
          sentBefore = progress();
          lastProgress = Clock::now();
          pause = kFirstPause;
        }
        if (Clock::now() - lastProgress > kLongestWithoutProgress) {
          throw UploadStop(std::string("no progress for 30 minutes: ") + error.what());
        }
        std::chrono::milliseconds wait = pause;
        if (const auto* asked = dynamic_cast<const ServerAskedToWait*>(&error); asked && asked->delayMs != 0) {
          wait = std::chrono::milliseconds(asked->delayMs);
        }
        console_.print("%s; trying again in %lld s.\n", error.what(),
                       static_cast<long long>((wait.count() + 999) / 1000));
        std::this_thread::sleep_for(wait);
        pause = std::min<std::chrono::milliseconds>(pause * 2, kLongestPause);
      }
    }
  }

  const RunSettings& settings_;
  const ImapUrl url_;
  const EmlOptions emlOptions_;
  SecretSource secrets_;
  FileSystem& fileSystem_;
  ProgressLine console_;
  const Host& host_;
  std::unique_ptr<ImapSession> session_;
  std::optional<char> delimiter_;
  bool utf8_ = false;
  std::map<std::string, std::string> renamedFolders_;
};

}  // namespace

int RunImapUpload(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host) {
  // The command line's text (ANSI on Windows) as UTF-8, as the server
  // takes names; percent-escapes stand for UTF-8 bytes already.
  auto parsed = ParseImapUrl(ProgramTextToUtf8(settings.imap.url));
  if (auto* line = std::get_if<std::string>(&parsed)) {
    console.write(*line);
    return 1;
  }
  if (!TlsAvailable()) {
    console.print("-imap is not available in this build yet!\n");
    return 1;
  }
  // The mailboxes, each with its folder below PARENT (-tree) or none.
  std::vector<StoreFolderPlace> mailboxes;
  if (settings.has(flags::kTree)) {
    for (StoreFolderPlace& place : PlanStoreFolders(settings, fileSystem, console, host)) {
      if (!place.mailboxPath.empty()) mailboxes.push_back(std::move(place));
    }
  } else {
    for (std::string& path : ListMailboxes(settings.inputs, fileSystem)) mailboxes.push_back({{}, std::move(path)});
  }
  if (mailboxes.empty()) {
    console.print("Nothing to do!\n");
    return 0;
  }
  ImapUpload upload(settings, std::get<ImapUrl>(std::move(parsed)), fileSystem, console, host);
  int32_t uploaded = 0;
  bool stopped = false;
  for (const StoreFolderPlace& mailbox : mailboxes) {
    try {
      uploaded += upload.upload(mailbox.mailboxPath, mailbox.levels) ? 1 : 0;
    } catch (const std::exception& error) {
      // UploadStop, ImapRefusal, ImapProtocolError: nothing more can be sent.
      console.print("Upload to %s stopped: %s!\n", upload.host().c_str(), error.what());
      stopped = true;
      break;
    }
  }
  console.print("%d of %d mailboxes uploaded to %s!\n", uploaded, static_cast<int>(mailboxes.size()),
                upload.host().c_str());
  return !stopped && uploaded == static_cast<int32_t>(mailboxes.size()) ? 0 : 1;
}

}  // namespace quernel
