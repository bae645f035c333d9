#include "cli/rename.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "base/unit.h"
#include "cli/listing.h"
#include "cli/problems.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

// The first journals held FROM<TAB>TO lines only; they are still undone the way they were.
constexpr std::string_view kJournalV1 = "# namefold rename journal: FROM<TAB>TO";
constexpr std::string_view kJournalV2 = "# namefold rename journal 2.";
constexpr char kJournalHeader[] =
    "# namefold rename journal 2. R<TAB>N<TAB>DEVICE<TAB>FILE<TAB>TYPE<TAB>FROM<TAB>TO: rename N, "
    "on disk before it is made, of the file with that identity (TYPE d: a folder); "
    "O<TAB>N<TAB>OUTCOME: what became of it (done, or not renamed<TAB>REASON); "
    "L<TAB>N<TAB>DEVICE<TAB>FILE<TAB>LINK<TAB>OLD<TAB>NEW: a symbolic link repointed. "
    "Absolute paths; \\\\ \\t \\n \\r \\xHH \\uHHHH \\UHHHHHHHH are escapes. "
    "Undo: namefold rename --undo FILE\n";

std::string Counts(const std::map<std::string, int>& counts) {
  std::string text;
  for (const auto& [kind, count] : counts)
    text += (text.empty() ? " (" : ", ") + kind + " " + std::to_string(count);
  return text.empty() ? text : text + ")";
}

// The escapes of EscapeForLine with backslashes escaped, read back; false on a malformed one.
bool Unescape(std::string_view text, std::string& bytes) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    const char kind = text[i];
    const std::size_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : kind == 'U' ? 8 : 0;
    if (digits == 0) {
      const char* simple = kind == '\\'  ? "\\"
                           : kind == 't' ? "\t"
                           : kind == 'n' ? "\n"
                           : kind == 'r' ? "\r"
                                         : nullptr;
      if (simple == nullptr) return false;
      bytes += simple;
      continue;
    }
    if (i + digits >= text.size()) return false;
    char32_t value = 0;
    for (std::size_t k = 1; k <= digits; ++k) {
      const char c = text[i + k];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
      if (digit < 0) return false;
      value = value << 4 | static_cast<char32_t>(digit);
    }
    i += digits;
    if (kind == 'x') {
      bytes += static_cast<char>(value);
    } else {
      std::u16string units;
      if (value >= kFirstSupplementary)
        units = {HighSurrogateOf(value), LowSurrogateOf(value)};
      else
        units = {static_cast<char16_t>(value)};
      bytes += ToUtf8(units);
    }
  }
  return true;
}

// A progress line on a terminal's standard error, once a run has taken more than a moment.
class Progress {
 public:
  // `total` 0: not known.
  explicit Progress(std::size_t total) : total_(total), shown_(IsTerminal(Stream::kErr)) {}
  ~Progress() { Clear(); }
  void Clear() {
    if (written_) Write(Stream::kErr, "\r\x1b[K");
    written_ = false;
  }
  void Step(std::size_t done) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200))
      return;
    last_ = now;
    written_ = true;
    Write(Stream::kErr, "\rnamefold: " + std::to_string(done) +
                            (total_ == 0 ? " names read" : " of " + std::to_string(total_)));
  }

 private:
  std::size_t total_;
  bool shown_;
  bool written_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_ = start_;
};

// The report's lines in the chosen format; the summary goes to standard error with TSV and JSON.
struct Report {
  Format format;

  void Header() const {
    if (format == Format::kTsv) Write(Stream::kOut, "Path\tNew name\tAction\tReason\n");
  }
  void Line(const fs::path& shown, const fs::path& target, const std::string& action,
            const std::string& reason) const {
    Emit(DescribePath(shown), PathText{}, target, action, reason);
  }
  // The same for the entry `name` of a folder whose path `folder` describes, once for all its
  // entries (EndInSeparator; empty where entries go by their names alone).
  void Line(const PathText& folder, const fs::path& name, const fs::path& target,
            const std::string& action, const std::string& reason) const {
    Emit(folder, DescribePath(name), target, action, reason);
  }

 private:
  void Emit(const PathText& folder, const PathText& name, const fs::path& target,
            const std::string& action, const std::string& reason) const {
    const PathText to = DescribePath(target);
    std::string line;
    if (format == Format::kTsv) {
      line = folder.tsv + name.tsv + '\t' + to.tsv + '\t' + action + '\t';
      AppendEscapedForLine(reason, Backslash::kEscaped, line);
      line += '\n';
    } else if (format == Format::kJson) {
      const std::string path = folder.text + name.text;
      const std::pair<const char*, const std::string*> members[] = {{"{\"path\":", &path},
                                                                    {",\"new\":", &to.text},
                                                                    {",\"action\":", &action},
                                                                    {",\"reason\":", &reason}};
      for (const auto& [key, value] : members) {
        line += key;
        AppendJsonString(*value, line);
      }
      line += "}\n";
    } else {
      line = folder.shown + name.shown + " \u2192 " + to.shown +
             (reason.empty() ? "" : "  (" + action + ": " + reason + ")") + "\n";
    }
    Write(Stream::kOut, line);
  }

 public:
  void Summary(const std::string& text) const {
    Write(format == Format::kTable ? Stream::kOut : Stream::kErr, text + "\n");
  }
};

bool IsWithin(const fs::path& inner, const fs::path& outer) {
  const auto [mismatch, ignored] =
      std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return mismatch == outer.end();
}

char16_t Separator() {
  return static_cast<char16_t>(fs::path::preferred_separator);
}

std::string IdText(const EntryId& id) {
  return std::to_string(id.device) + "\t" + std::to_string(id.file);
}

// Opens the folder at an absolute path one name at a time, never following a link, so that no
// length limit applies and no link planted in the path leads elsewhere.
bool OpenAbsolute(const fs::path& path, Folder& folder, std::string& error) {
  if (!OpenFolder(path.root_path(), folder, error)) return false;
  for (const fs::path& name : path.relative_path()) {
    if (name.empty()) continue;
    Folder next;
    if (!OpenSubfolder(folder, name, next, error)) {
      error = DescribePath(folder.path / name).shown + ": " + error;
      return false;
    }
    folder = std::move(next);
  }
  return true;
}

// Where `path` is after the run's renames, given each renamed entry's old path and new name.
fs::path Translate(const fs::path& path, const std::unordered_map<std::string, fs::path>& renamed) {
  if (renamed.empty()) return path;
  fs::path old_prefix, now = path.root_path();
  old_prefix = now;
  for (const fs::path& name : path.relative_path()) {
    old_prefix /= name;
    const auto it = renamed.find(PathBytes(old_prefix));
    now /= it == renamed.end() ? name : it->second;
  }
  return now;
}

// A folder of the run, held open; its parent is held too, to check before each rename that the
// folder is still where it was listed.
struct Node {
  Folder folder;
  EntryId id;
  std::shared_ptr<const Node> parent;  // null for a PATH
  fs::path name;                       // in the parent
  fs::path real;                       // absolute, as the journal writes it
};

// A folder that PATHs name: all of its entries, or only the files named.
struct Root {
  std::shared_ptr<Node> node;
  fs::path shown;  // how the report shows the folder: as given, or empty for the only PATH
  bool recursive = false;
  bool all = false;
  std::vector<fs::path> names;
};

// A rename planned and waiting for its group to be written to the journal.
struct Pending {
  std::shared_ptr<const Node> node;
  fs::path from, to, shown;
};

// A symbolic link found in the trees, for those that a rename would leave pointing nowhere.
struct LinkFound {
  fs::path folder;  // absolute, before the run
  fs::path name, shown;
};

class Renamer {
 public:
  Renamer(const Options& options, const host::Plugin& plugin, int field)
      : options_(options), plugin_(plugin), field_(field) {
    const char* stop_text = std::getenv("NAMEFOLD_TEST_STOP_AFTER");  // tests interrupt a run
    stop_after_ = stop_text != nullptr ? std::atol(stop_text) : -1;
    const char* hook = std::getenv("NAMEFOLD_TEST_BEFORE_RENAMES");  // tests race a run here
    if (hook != nullptr) hook_ = hook;
    const char* group = std::getenv("NAMEFOLD_TEST_GROUP");  // tests cut groups short
    if (group != nullptr && std::atol(group) > 0)
      group_ = static_cast<std::size_t>(std::atol(group));
  }

  int Run() {
    std::vector<Root> roots = Roots();
    for (const Root& root : roots) {
      Folder folder;
      std::string error;
      std::vector<EntryId> open{root.node->id};
      if (root.all && OpenAbsolute(root.node->real, folder, error))
        FindLinks(folder, root.node->real, root.shown, root.recursive, open);
    }
    if (options_.apply) {
      // Where the journal's folder really is, to name the journal where it went if the run
      // renames that folder.
      Folder folder;
      std::string ignored;
      const fs::path journal = PathFromArgument(options_.journal.value_or("x"));
      if (OpenFolder(journal.has_parent_path() ? journal.parent_path() : ".", folder, ignored) &&
          RealFolderPath(folder, journal_folder_, ignored))
        Watch(journal_folder_);
    }
    progress_.Clear();
    report_.Header();
    for (Root& root : roots) {
      // Opened again only now, so that many PATHs (as find -print0 gives) hold no folder open
      // in the meantime, and known by the identity it had.
      Node& node = *root.node;
      std::string error;
      EntryId id;
      EntryType type;
      if (!OpenAbsolute(node.real, node.folder, error) ||
          Identify(node.folder, ".", id, type, error) != Lookup::kFound || !(id == node.id)) {
        Error(root.shown.empty() ? node.real : root.shown,
              error.empty() ? "moved or replaced since the run started" : error);
        continue;
      }
      std::vector<EntryId> open{node.id};
      if (!stopped_)
        Walk(root.node, root.shown, root.recursive, root.all ? nullptr : &root.names, open);
      root.node.reset();  // closed once the last rename planned in it is made
    }
    Flush();
    Links();
    if (journal_.valid() && !stopped_) {
      std::string error;
      if (!SyncFile(journal_, journal_path_, false, error)) JournalFailed(error);
    }
    progress_.Clear();
    return Summary();
  }

 private:
  void Error(const fs::path& path, const std::string& message) {
    progress_.Clear();
    Write(Stream::kErr, "namefold: " + DescribePath(path).shown + ": " + message + "\n");
    status_ = 1;
  }

  // The folders that the PATHs name, each once: files of one folder share it, and a folder that
  // a recursive PATH already covers is left to it. A folder comes before the PATHs that hold it,
  // since a folder is renamed after its contents.
  std::vector<Root> Roots() {
    std::vector<Root> roots;
    for (const std::string& operand : options_.operands) {
      const fs::path path = PathFromArgument(operand);
      std::error_code code;
      if (!fs::exists(fs::symlink_status(path, code))) {
        Error(path, "no such file or folder");
        continue;
      }
      const bool folder = fs::is_directory(fs::status(path, code));
      const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
      auto node = std::make_shared<Node>();
      std::string error;
      EntryType type;
      if (!OpenFolder(folder ? path : parent, node->folder, error) ||
          !RealFolderPath(node->folder, node->real, error) ||
          Identify(node->folder, ".", node->id, type, error) != Lookup::kFound) {
        Error(folder ? path : parent, error);
        continue;
      }
      Root root{node,
                options_.operands.size() == 1 && folder ? fs::path()
                : folder                                ? path
                                                        : path.parent_path(),
                folder && options_.recursive,
                folder,
                {}};
      if (!folder) root.names.push_back(path.filename());
      node->folder = Folder();
      Merge(roots, std::move(root));
    }
    std::vector<Root> ordered;
    std::vector<bool> placed(roots.size());
    auto place = [&](auto& self, std::size_t i) -> void {
      placed[i] = true;
      for (std::size_t j = 0; j < roots.size(); ++j)
        if (!placed[j] && IsWithin(roots[j].node->real, roots[i].node->real)) self(self, j);
      ordered.push_back(std::move(roots[i]));
    };
    for (std::size_t i = 0; i < roots.size(); ++i)
      if (!placed[i]) place(place, i);
    return ordered;
  }

  static void Merge(std::vector<Root>& roots, Root root) {
    for (const Root& other : roots) {
      if (other.recursive && other.node->id != root.node->id &&
          IsWithin(root.node->real, other.node->real))
        return;  // a recursive PATH already covers it
    }
    const auto same = std::find_if(roots.begin(), roots.end(), [&](const Root& other) {
      return other.node->id == root.node->id;
    });
    if (same != roots.end()) {  // one folder, named twice: everything either PATH asked for
      same->recursive |= root.recursive;
      same->all |= root.all;
      same->names.insert(same->names.end(), root.names.begin(), root.names.end());
      root = std::move(*same);
      roots.erase(same);
    }
    if (root.recursive) {
      std::erase_if(roots,
                    [&](const Root& other) { return IsWithin(other.node->real, root.node->real); });
    }
    roots.push_back(std::move(root));
  }

  // The symbolic links under `folder`, each with what it names, before anything is renamed: the
  // run then remembers only the renames that concern them, not every rename of the tree. Errors
  // are left to the walk that follows, which reports them.
  void FindLinks(const Folder& folder, const fs::path& real, const fs::path& shown, bool recursive,
                 std::vector<EntryId>& open) {
    std::vector<Listed> listed;
    std::string error;
    if (!ListFolder(folder, listed, error)) return;
    for (const Listed& entry : listed) {
      const auto entry_shown = [&] { return shown.empty() ? entry.name : shown / entry.name; };
      fs::path target;
      if (entry.type == EntryType::kLink && ReadLinkTarget(folder, entry.name, target, error)) {
        links_.push_back({real, entry.name, entry_shown()});
        Watch(real / entry.name);
        Watch((target.is_absolute() ? target : real / target).lexically_normal());
      }
      Folder sub;
      EntryId id;
      EntryType type;
      if (!recursive || entry.type != EntryType::kFolder ||
          !OpenSubfolder(folder, entry.name, sub, error) ||
          Identify(sub, ".", id, type, error) != Lookup::kFound ||
          std::find(open.begin(), open.end(), id) != open.end())
        continue;
      open.push_back(id);
      FindLinks(sub, real / entry.name, entry_shown(), true, open);
      open.pop_back();
    }
  }

  // Renames of `path` and of the folders above it are remembered, to follow it through the run.
  void Watch(const fs::path& path) {
    fs::path prefix = path.root_path();
    for (const fs::path& name : path.relative_path()) watched_.insert(PathBytes(prefix /= name));
  }

  // Plans and renames the entries of `node` that `only` selects (all without it), after those of
  // its subfolders when `recursive`. `open` holds the folders above it, to refuse a loop.
  void Walk(const std::shared_ptr<Node>& node, const fs::path& shown, bool recursive,
            const std::vector<fs::path>* only, std::vector<EntryId>& open) {
    std::vector<Listed> listed;
    std::string error;
    if (!ListFolder(node->folder, listed, error))
      return Error(shown.empty() ? node->real : shown, error);
    SortByName(listed);
    for (const Listed& entry : listed) {
      progress_.Step(++read_);
      if (!recursive || entry.type != EntryType::kFolder || stopped_) continue;
      auto child = std::make_shared<Node>();
      const fs::path child_shown = shown.empty() ? entry.name : shown / entry.name;
      EntryType type;
      if (!OpenSubfolder(node->folder, entry.name, child->folder, error) ||
          Identify(child->folder, ".", child->id, type, error) != Lookup::kFound) {
        Error(child_shown, error + ", not entered");
        continue;
      }
      if (std::find(open.begin(), open.end(), child->id) != open.end()) {
        Error(child_shown, "a folder that holds itself (a bind mount?), not entered");
        continue;
      }
      child->parent = node;
      child->name = entry.name;
      child->real = node->real / entry.name;
      open.push_back(child->id);
      Walk(child, child_shown, true, nullptr, open);
      open.pop_back();
    }
    if (stopped_) return;
    Plan(node, shown, listed, only);
  }

  void Plan(const std::shared_ptr<Node>& node, const fs::path& shown,
            const std::vector<Listed>& listed, const std::vector<fs::path>* only) {
    std::vector<FolderEntry> entries;
    std::vector<std::size_t> chosen;
    std::vector<std::string> shown_names;  // only where a name is not UTF-8
    const std::u16string folder_units = DescribePath(node->real).units + Separator();
    for (std::size_t i = 0; i < listed.size(); ++i) {
      FolderEntry entry;
      const bool well_formed = PathUnits(listed[i].name, entry.name);
      entry.target = entry.name;
      if (!well_formed) {
        shown_names.resize(listed.size());
        shown_names[i] = EscapeForLine(PathBytes(listed[i].name));
      }
      const bool own_journal = journal_.valid() && node->real == journal_folder_ &&
                               listed[i].name == journal_path_.filename();
      const bool selected =
          !own_journal &&
          (only == nullptr ? listed[i].type != EntryType::kFolder || options_.dirs
                           : std::find(only->begin(), only->end(), listed[i].name) != only->end());
      if (selected) {
        chosen.push_back(i);
        PlanEntry(entry, listed[i].name, well_formed, folder_units);
      }
      entries.push_back(std::move(entry));
    }
    LeaveOutClashes(entries, shown_names);
    PathText folder_shown;  // how the report names the folder, once for all its entries
    if (!shown.empty()) {
      folder_shown = DescribePath(shown);
      EndInSeparator(folder_shown);
    }
    for (std::size_t i : chosen) {
      FolderEntry& entry = entries[i];
      if (entry.kind.empty() && entry.target == entry.name) {
        ++unchanged_;
        continue;
      }
      const fs::path& from = listed[i].name;
      const fs::path to = PathFromArgument(ToUtf8(entry.target));
      if (entry.kind.empty()) TargetTaken(*node, from, to, entry);
      if (!entry.kind.empty()) {
        ++skipped_[entry.kind];
        report_.Line(folder_shown, from, to, "skipped",
                     entry.detail.empty() ? entry.kind : entry.kind + ", " + entry.detail);
        continue;
      }
      if (!watched_.empty()) {
        if (std::string key = PathBytes(node->real / from); watched_.contains(key))
          renamed_.emplace(std::move(key), to);
      }
      if (!options_.apply) {
        ++renamed_count_;
        report_.Line(folder_shown, from, to, "would rename", "");
        continue;
      }
      if (pending_.empty() || pending_.back().node != node) ++pending_folders_;
      pending_.push_back({node, from, to, shown.empty() ? from : shown / from});
    }
    // A group holds its folders open: it is bounded in folders too, to stay within the open
    // files a process may have.
    if (pending_.size() >= group_ || pending_folders_ >= kGroupFolders) Flush();
  }

  // The new name of one entry, or why it gets none.
  void PlanEntry(FolderEntry& entry, const fs::path& name, bool well_formed,
                 const std::u16string& folder_units) {
    std::u16string units = entry.name;
    if (!well_formed) {
      std::string error;
      if (options_.from_code_page == 0) {
        entry.kind = "undecodable name";
        entry.detail = "not valid UTF-8; --from-code-page N reads its bytes in code page N";
        return;
      }
      if (!DecodeCodePage(options_.from_code_page, PathBytes(name), units, error)) {
        entry.kind = "undecodable name";
        entry.detail = error;
        return;
      }
    }
    path_units_.assign(folder_units);
    path_units_ += units;
    const FieldValue& value = reader_.Read(path_units_, field_);
    if (value.code != NAMEFOLD_FT_WIDE_STRING) {
      entry.kind = "no value";
      entry.detail = "the library gave no name";
      return;
    }
    if (value.text == entry.name) return;
    entry.target = value.text;
    entry.kind = UnusableKind(value.text, NameUnits(PathFromArgument(ToUtf8(value.text))));
    if (entry.kind.empty() && value.text[0] == u'.' && units[0] != u'.') {
      entry.kind = "hidden name";
      entry.detail = "a name that starts with a dot hides the file";
    }
  }

  // Whether the new name is taken in a way the folder's listing could not show: the same file
  // under another case where the file system folds case, or a name that appeared since.
  void TargetTaken(const Node& node, const fs::path& from, const fs::path& to, FolderEntry& entry) {
    EntryId from_id, to_id;
    EntryType type;
    std::string error;
    if (Identify(node.folder, to, to_id, type, error) != Lookup::kFound) return;
    const bool same =
        Identify(node.folder, from, from_id, type, error) == Lookup::kFound && from_id == to_id;
    entry.kind = same ? "same file" : "target exists";
    entry.detail = same ? "the file system takes the new name for this file's own"
                        : "a file of that name exists";
  }

  void Skip(const fs::path& shown, const fs::path& to, const std::string& kind,
            const std::string& reason) {
    ++skipped_[kind];
    report_.Line(shown, to, "skipped", reason);
  }

  void JournalFailed(const std::string& error) {
    Error(journal_path_, "journal: " + error + ": nothing more is renamed");
    stopped_ = true;
  }

  // Writes the group's renames to the journal and waits until they are on disk, makes them, and
  // writes what became of each. Undo tells by each file's identity which ones were made, so a
  // crash anywhere in a group is undone exactly.
  void Flush() {
    if (pending_.empty() || stopped_) return;
    std::string error;
    if (!journal_.valid() && !CreateJournal(error)) {
      pending_.clear();
      return JournalFailed(error);
    }
    std::string intents;
    std::vector<std::uint64_t> numbers(pending_.size(), 0);  // 0: left out
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      const Pending& item = pending_[i];
      EntryId id;
      EntryType type;
      const Lookup found = Identify(item.node->folder, item.from, id, type, error);
      if (found != Lookup::kFound) {
        ++failed_;
        report_.Line(item.shown, item.to, "failed",
                     found == Lookup::kMissing ? "gone since the folder was listed" : error);
        continue;
      }
      numbers[i] = ++sequence_;
      intents += "R\t" + std::to_string(numbers[i]) + "\t" + IdText(id) + "\t" +
                 (type == EntryType::kFolder ? "d\t" : "f\t") +
                 JournalLine(item.node->real / item.from, item.node->real / item.to);
    }
    if (!WriteAll(journal_, intents, error) ||
        !SyncFile(journal_, journal_path_, !journal_synced_, error)) {
      pending_.clear();
      return JournalFailed(error);
    }
    journal_synced_ = true;
    if (!hook_.empty() && std::system(hook_.c_str()) != 0) Error(hook_, "the test hook failed");
    std::string outcomes;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      if (numbers[i] == 0) continue;
      const Pending& item = pending_[i];
      std::string reason;
      const RenameOutcome outcome =
          InPlace(*item.node) ? RenameInFolder(item.node->folder, item.from, item.to, reason)
                              : RenameOutcome::kFolderMoved;
      const std::string number = std::to_string(numbers[i]);
      if (outcome == RenameOutcome::kDone) {
        outcomes += "O\t" + number + "\tdone\n";
        report_.Line(item.shown, item.to, "renamed", "");
        if (++renamed_count_ == stop_after_) std::_Exit(9);
        continue;
      }
      renamed_.erase(PathBytes(item.node->real / item.from));
      if (outcome == RenameOutcome::kFailed) {
        ++failed_;
      } else {
        const std::string kind =
            outcome == RenameOutcome::kTargetExists ? "target exists" : "folder replaced";
        ++skipped_[kind];
        reason = kind + (outcome == RenameOutcome::kTargetExists
                             ? ", a file of that name appeared"
                             : ", the folder was moved or replaced after it was listed");
      }
      outcomes +=
          "O\t" + number + "\tnot renamed\t" + EscapeForLine(reason, Backslash::kEscaped) + "\n";
      report_.Line(item.shown, item.to, outcome == RenameOutcome::kFailed ? "failed" : "skipped",
                   reason);
    }
    pending_.clear();
    pending_folders_ = 0;
    if (!WriteAll(journal_, outcomes, error)) JournalFailed(error);
  }

  // Whether the folder is still the one its parent held when it was listed: one replaced by a
  // link, or moved, meanwhile has its renames left out.
  static bool InPlace(const Node& node) {
    if (node.parent == nullptr) return true;
    EntryId id;
    EntryType type;
    std::string error;
    return Identify(node.parent->folder, node.name, id, type, error) == Lookup::kFound &&
           id == node.id;
  }

  bool CreateJournal(std::string& error) {
    if (options_.journal) {
      journal_path_ = PathFromArgument(*options_.journal);
      if (!CreateNewFile(journal_path_, journal_, error)) return false;
    } else {
      // Unique to the microsecond and the process; created exclusively all the same.
      const auto now = std::chrono::system_clock::now();
      const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
      const auto micro =
          std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() %
          1000000;
      char stamp[32] = {};
      std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::gmtime(&seconds));
      char fraction[16] = {};
      std::snprintf(fraction, sizeof fraction, "%06lld", static_cast<long long>(micro));
      const std::string base = "namefold-rename-" + std::string(stamp) + "." + fraction + "-" +
                               std::to_string(ProcessId());
      for (int attempt = 0;; ++attempt) {
        journal_path_ = PathFromArgument(
            base + (attempt == 0 ? "" : "-" + std::to_string(attempt)) + ".journal");
        if (CreateNewFile(journal_path_, journal_, error)) break;
        if (error != "exists already" || attempt == 100) return false;
      }
    }
    if (!journal_folder_.empty()) journal_real_ = journal_folder_ / journal_path_.filename();
    return WriteAll(journal_, kJournalHeader, error);
  }

  // The symbolic links in the trees that name an entry the run renames, told in the report and,
  // with --fix-links, pointed at the new names.
  void Links() {
    for (const LinkFound& link : links_) {
      if (stopped_) return;
      Folder folder;
      std::string error;
      fs::path target;
      // Where the link is now: a dry run moved nothing.
      const fs::path now_folder = options_.apply ? Translate(link.folder, renamed_) : link.folder;
      if (!OpenAbsolute(now_folder, folder, error)) continue;
      const fs::path now_name =
          options_.apply ? Translate(link.folder / link.name, renamed_).filename() : link.name;
      if (!ReadLinkTarget(folder, now_name, target, error)) continue;
      const fs::path base = target.is_absolute() ? fs::path() : link.folder;
      const fs::path resolved = (base / target).lexically_normal();
      const fs::path moved = Translate(resolved, renamed_);
      if (moved == resolved) continue;
      // The target keeps its own form: each of its names that the run renames is replaced.
      fs::path new_target, old_at = target.is_absolute() ? fs::path() : link.folder;
      for (const fs::path& part : target) {
        if (part.empty()) continue;
        old_at = part == ".." ? old_at.parent_path() : part == "." ? old_at : old_at / part;
        const auto it =
            part == ".." || part == "." ? renamed_.end() : renamed_.find(PathBytes(old_at));
        new_target /= it == renamed_.end() ? part : it->second;
      }
      ++dangling_;
      const fs::path& shown = link.shown;
      if (!options_.fix_links || !options_.apply) {
        report_.Line(shown, new_target, options_.apply ? "dangles" : "would dangle",
                     "it names " + DescribePath(target).shown +
                         ", which the run renames; --fix-links points it at the new name");
        continue;
      }
      EntryId id;
      EntryType type;
      std::string reason;
      if (Identify(folder, now_name, id, type, reason) != Lookup::kFound ||
          type != EntryType::kLink) {
        report_.Line(shown, new_target, "failed", "the link changed meanwhile");
        ++failed_;
        continue;
      }
      if (!journal_.valid() && !CreateJournal(error)) return JournalFailed(error);
      const std::string number = std::to_string(++sequence_);
      if (!WriteAll(journal_,
                    "L\t" + number + "\t" + IdText(id) + "\t" +
                        EscapeForLine(PathBytes(now_folder / now_name), Backslash::kEscaped) +
                        "\t" + JournalLine(target, new_target),
                    error) ||
          !SyncFile(journal_, journal_path_, !journal_synced_, error))
        return JournalFailed(error);
      journal_synced_ = true;
      if (RepointLink(folder, now_name, id, new_target, reason)) {
        ++links_fixed_;
        --dangling_;
        report_.Line(shown, new_target, "link fixed", "");
        if (!WriteAll(journal_, "O\t" + number + "\tdone\n", error)) return JournalFailed(error);
      } else {
        ++failed_;
        report_.Line(shown, new_target, "failed", reason);
        if (!WriteAll(journal_,
                      "O\t" + number + "\tnot renamed\t" +
                          EscapeForLine(reason, Backslash::kEscaped) + "\n",
                      error))
          return JournalFailed(error);
      }
    }
  }

  int Summary() {
    int skipped_total = 0;
    for (const auto& [kind, count] : skipped_) skipped_total += count;
    std::string text = "unchanged " + std::to_string(unchanged_) + ", skipped " +
                       std::to_string(skipped_total) + Counts(skipped_);
    if (dangling_ != 0) text += ", links that would dangle " + std::to_string(dangling_);
    if (links_fixed_ != 0) text += ", links fixed " + std::to_string(links_fixed_);
    if (!options_.apply) {
      report_.Summary("dry run, nothing renamed: would rename " + std::to_string(renamed_count_) +
                      ", " + text + "; give --apply to rename");
    } else {
      std::string journal;
      if (journal_.valid()) {
        // The journal may sit in a folder that the run renamed: then it is named where it is now.
        const fs::path now = Translate(journal_real_, renamed_);
        const std::string shown = DescribePath(now == journal_real_ ? journal_path_ : now).shown;
        journal =
            "; journal " + shown + " (namefold rename --undo " + shown + " puts the names back)";
      }
      report_.Summary((stopped_ ? "stopped: renamed " : "renamed ") +
                      std::to_string(renamed_count_) + ", " + text + ", failed " +
                      std::to_string(failed_) + journal);
    }
    return status_ != 0 || skipped_total != 0 || failed_ != 0 || dangling_ != 0 ? 1 : 0;
  }

  static constexpr std::size_t kGroupFolders = 256;
  std::size_t group_ = 4096;  // renames journaled together

  const Options& options_;
  const host::Plugin& plugin_;
  int field_;
  FieldReader reader_{plugin_};
  std::u16string path_units_;  // the path the library is given, its room kept from call to call
  Report report_{options_.format == Format::kAuto ? Format::kTable : options_.format};
  Progress progress_{0};
  std::size_t read_ = 0;
  long stop_after_ = -1;
  std::string hook_;
  int status_ = 0;
  int unchanged_ = 0, renamed_count_ = 0, failed_ = 0;
  std::map<std::string, int> skipped_;
  std::vector<Pending> pending_;
  std::size_t pending_folders_ = 0;
  std::vector<LinkFound> links_;
  std::unordered_set<std::string> watched_;            // paths that links or the journal need
  std::unordered_map<std::string, fs::path> renamed_;  // of those, old absolute path -> new name
  Handle journal_;
  fs::path journal_path_, journal_real_, journal_folder_;
  bool journal_synced_ = false;
  std::uint64_t sequence_ = 0;
  int dangling_ = 0, links_fixed_ = 0;
  bool stopped_ = false;
};

// Undoes a journal of the first format: each TO renamed back to FROM by path.
int UndoByPaths(const std::vector<std::pair<std::size_t, std::string_view>>& lines,
                const fs::path& journal, const Report& report, int status) {
  struct Step {
    fs::path from, to;
  };
  std::vector<Step> steps;
  for (const auto& [number, line] : lines) {
    Step step;
    if (ParseJournalLine(line, step.from, step.to)) {
      steps.push_back(std::move(step));
    } else {
      Write(Stream::kErr, "namefold: " + DescribePath(journal).shown + ":" +
                              std::to_string(number) + ": not a journal line, left out\n");
      status = 1;
    }
  }
  int restored = 0, not_made = 0, failed = 0;
  Progress progress(steps.size());
  for (std::size_t i = steps.size(); i-- > 0;) {
    progress.Step(steps.size() - i);
    const Step& step = steps[i];
    std::error_code code;
    const bool to_there = fs::exists(fs::symlink_status(step.to, code));
    std::string message;
    if (!to_there && fs::exists(fs::symlink_status(step.from, code))) {
      ++not_made;  // the run stopped or failed before this rename
      continue;
    }
    const RenameOutcome outcome =
        to_there ? RenameNoReplace(step.to, step.from, message) : RenameOutcome::kFailed;
    if (outcome == RenameOutcome::kDone) {
      ++restored;
      report.Line(step.to, step.from.filename(), "restored", "");
      continue;
    }
    ++failed;
    report.Line(step.to, step.from.filename(), "not restored",
                !to_there                                 ? "neither name exists"
                : outcome == RenameOutcome::kTargetExists ? "the old name is taken by another file"
                                                          : message);
  }
  report.Summary("restored " + std::to_string(restored) + ", not renamed by the run " +
                 std::to_string(not_made) + ", could not undo " + std::to_string(failed));
  return status != 0 || failed != 0 ? 1 : 0;
}

// Undoes a journal of renames that carry identities: only the file the run moved is moved back.
class Undoer {
 public:
  Undoer(const fs::path& journal, const Report& report) : journal_(journal), report_(report) {}

  int Run(const std::vector<std::pair<std::size_t, std::string_view>>& lines, int status) {
    struct Entry {
      std::size_t line;
      bool link;
      EntryId id;
      bool folder;
      fs::path from, to;   // a rename's paths; for a link, its old and new targets
      fs::path link_path;  // a link's path
      std::string outcome;
    };
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> by_number;
    for (const auto& [number, line] : lines) {
      std::vector<std::string_view> fields;
      for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
      }
      bool ok = false;
      if (fields.size() >= 3 && fields[0] == "O") {
        const auto it = by_number.find(std::string(fields[1]));
        ok = it != by_number.end();
        if (ok) entries[it->second].outcome = fields[2];
      } else if (fields.size() == 7 && (fields[0] == "R" || fields[0] == "L")) {
        Entry entry{number, fields[0] == "L", {}, fields[4] == "d", {}, {}, {}, {}};
        ok = ParseId(fields[2], fields[3], entry.id);
        const std::string pair = std::string(fields[5]) + "\t" + std::string(fields[6]);
        if (entry.link) {
          std::string path;
          ok = ok && Unescape(fields[4], path) && ParseJournalLine(pair, entry.from, entry.to);
          entry.link_path = PathFromBytes(path);
        } else {
          ok = ok && (fields[4] == "d" || fields[4] == "f") &&
               ParseJournalLine(pair, entry.from, entry.to) && entry.from.is_absolute() &&
               entry.to.is_absolute();
        }
        if (ok) {
          by_number[std::string(fields[1])] = entries.size();
          entries.push_back(std::move(entry));
        }
      }
      if (!ok) {
        Write(Stream::kErr, "namefold: " + DescribePath(journal_).shown + ":" +
                                std::to_string(number) + ": not a journal line, left out\n");
        status = 1;
      }
    }
    Progress progress(entries.size());
    for (std::size_t i = entries.size(); i-- > 0;) {
      progress.Step(entries.size() - i);
      const Entry& e = entries[i];
      if (!e.outcome.empty() && e.outcome != "done") {
        ++not_made_;  // the run left it out, and said so
        continue;
      }
      if (e.link)
        UndoLink(e.link_path, e.id, e.from, e.to, e.outcome == "done");
      else
        UndoRename(e.from, e.to, e.id, e.folder, e.outcome == "done");
    }
    progress.Clear();
    report_.Summary("restored " + std::to_string(restored_) + ", already back " +
                    std::to_string(already_) + ", not renamed by the run " +
                    std::to_string(not_made_) + ", changed since " + std::to_string(changed_) +
                    ", could not undo " + std::to_string(failed_));
    return status != 0 || changed_ != 0 || failed_ != 0 ? 1 : 0;
  }

 private:
  static bool ParseId(std::string_view device, std::string_view file, EntryId& id) {
    auto number = [](std::string_view text, std::uint64_t& value) {
      if (text.empty() || text.size() > 20) return false;
      value = 0;
      for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
      }
      return true;
    };
    return number(device, id.device) && number(file, id.file);
  }

  // Opens the folder of `path`, reusing the last one while no folder has moved since.
  bool OpenParent(const fs::path& path, std::string& error) {
    const fs::path parent = path.parent_path();
    if (cached_.handle.valid() && cached_path_ == parent) return true;
    cached_ = Folder();
    if (!OpenAbsolute(parent, cached_, error)) return false;
    cached_path_ = parent;
    return true;
  }

  void Fate(const fs::path& shown, const fs::path& name, int& count, const std::string& action,
            const std::string& reason) {
    ++count;
    report_.Line(shown, name, action, reason);
  }

  void UndoRename(const fs::path& from, const fs::path& to, EntryId id, bool folder, bool done) {
    if (const auto it = replaced_.find({id.device, id.file}); it != replaced_.end())
      id = it->second;
    std::string error;
    if (!OpenParent(to, error)) return Fate(to, from.filename(), failed_, "could not", error);
    EntryId to_id, from_id;
    EntryType to_type = EntryType::kOther, from_type = EntryType::kOther;
    const Lookup at_to = Identify(cached_, to.filename(), to_id, to_type, error);
    const Lookup at_from = at_to == Lookup::kError
                               ? Lookup::kError
                               : Identify(cached_, from.filename(), from_id, from_type, error);
    if (at_to == Lookup::kError || at_from == Lookup::kError)
      return Fate(to, from.filename(), failed_, "could not", error);
    // An inode number freed by a deletion may be given to a new file: its type tells some apart.
    const bool moved =
        at_to == Lookup::kFound && to_id == id && (to_type == EntryType::kFolder) == folder;
    const bool home =
        at_from == Lookup::kFound && from_id == id && (from_type == EntryType::kFolder) == folder;
    if (moved && home && !folder) {
      // Killed between link and unlink: the file has both names; the new one goes.
      if (!RemoveName(cached_, to.filename(), false, error))
        return Fate(to, from.filename(), failed_, "could not", error);
      return Fate(to, from.filename(), restored_, "restored", "");
    }
    if (moved && at_from == Lookup::kMissing) {
      std::string message;
      const RenameOutcome outcome =
          RenameInFolder(cached_, to.filename(), from.filename(), message);
      if (outcome == RenameOutcome::kDone) {
        if (folder) cached_ = Folder();  // paths through it have changed back
        return Fate(to, from.filename(), restored_, "restored", "");
      }
      return Fate(to, from.filename(), failed_, "could not",
                  outcome == RenameOutcome::kTargetExists  ? "a file took the old name meanwhile"
                  : outcome == RenameOutcome::kFolderMoved ? "its folder was moved meanwhile"
                                                           : message);
    }
    if (moved)
      return Fate(to, from.filename(), changed_, "changed since",
                  "the old name now holds another file");
    if (home) {
      // Killed between making the folder and moving into it, a fallback leaves that folder empty
      // under the new name; it goes, and only if it is empty.
      if (folder && !done && at_to == Lookup::kFound && to_type == EntryType::kFolder &&
          RemoveName(cached_, to.filename(), true, error))
        report_.Line(to, from.filename(), "removed", "the empty folder an interrupted rename left");
      ++(done ? already_ : not_made_);
      return;
    }
    Fate(to, from.filename(), changed_, "changed since",
         at_to == Lookup::kFound
             ? "the new name now holds another file, and the old one not the renamed file"
             : "neither name holds the file the run renamed: it was moved or deleted");
  }

  void UndoLink(const fs::path& link, const EntryId& id, const fs::path& old_target,
                const fs::path& new_target, bool done) {
    std::string error;
    fs::path target;
    if (!OpenParent(link, error) || !ReadLinkTarget(cached_, link.filename(), target, error))
      return Fate(link, old_target, failed_, "could not", error);
    if (target == old_target) {
      ++(done ? already_ : not_made_);
      return;
    }
    EntryId now;
    EntryType type;
    if (target != new_target ||
        Identify(cached_, link.filename(), now, type, error) != Lookup::kFound)
      return Fate(link, old_target, changed_, "changed since", "the link points elsewhere now");
    if (!RepointLink(cached_, link.filename(), now, old_target, error))
      return Fate(link, old_target, failed_, "could not", error);
    // A link is pointed elsewhere by a new link in its place: the rename of the link, undone
    // next, knows it by its new identity.
    if (Identify(cached_, link.filename(), now, type, error) == Lookup::kFound)
      replaced_[{id.device, id.file}] = now;
    Fate(link, old_target, restored_, "restored", "");
  }

  fs::path journal_;
  const Report& report_;
  Folder cached_;
  fs::path cached_path_;
  std::map<std::pair<std::uint64_t, std::uint64_t>, EntryId> replaced_;  // links made anew
  int restored_ = 0, already_ = 0, not_made_ = 0, changed_ = 0, failed_ = 0;
};

}  // namespace

std::string UnusableKind(std::u16string_view name, std::size_t native_units) {
  const std::vector<std::string> kinds = NameProblems(name, native_units);
  return kinds.empty() ? std::string() : kinds.front();
}

void LeaveOutClashes(std::vector<FolderEntry>& entries, const std::vector<std::string>& shown) {
  auto renamed = [](const FolderEntry& e) { return e.kind.empty() && e.target != e.name; };
  std::unordered_set<std::u16string_view> present;  // the names there now
  present.reserve(entries.size());
  for (const FolderEntry& entry : entries) present.insert(entry.name);
  for (FolderEntry& entry : entries) {
    if (renamed(entry) && present.contains(entry.target)) {
      entry.kind = "target exists";
      entry.detail = "a file of that name exists";
    }
  }
  std::vector<std::u16string> keys(entries.size());  // by folded final name
  for (std::size_t i = 0; i < entries.size(); ++i)
    keys[i] = FoldCaseAsWindows(renamed(entries[i]) ? entries[i].target : entries[i].name);
  for (bool again = true; again;) {
    again = false;
    for (const std::vector<std::size_t>& group : EqualKeys(keys)) {
      std::string names;
      for (std::size_t i : group) {
        const bool given = i < shown.size() && !shown[i].empty();
        names += (names.empty() ? "" : ", ") +
                 (given ? shown[i] : EscapeForLine(ToUtf8(entries[i].name)));
      }
      for (std::size_t i : group) {
        if (!renamed(entries[i])) continue;
        entries[i].kind = "same name";
        entries[i].detail = "one name after renaming, as Windows compares names: " + names;
        keys[i] = FoldCaseAsWindows(entries[i].name);  // left out, it keeps its name
        again = true;
      }
    }
  }
}

std::string JournalLine(const fs::path& from, const fs::path& to) {
  return EscapeForLine(PathBytes(from), Backslash::kEscaped) + "\t" +
         EscapeForLine(PathBytes(to), Backslash::kEscaped) + "\n";
}

bool ParseJournalLine(std::string_view line, fs::path& from, fs::path& to) {
  const std::size_t tab = line.find('\t');
  std::string from_bytes, to_bytes;
  if (tab == std::string_view::npos || line.find('\t', tab + 1) != std::string_view::npos ||
      !Unescape(line.substr(0, tab), from_bytes) || !Unescape(line.substr(tab + 1), to_bytes) ||
      from_bytes.empty() || to_bytes.empty())
    return false;
  from = PathFromBytes(from_bytes);
  to = PathFromBytes(to_bytes);
  return true;
}

int RunRename(const Options& options, const host::Plugin& plugin) {
  std::vector<std::string> names;
  const std::vector<FieldInfo> fields = QueryFields(plugin);
  for (const FieldInfo& field : fields) names.push_back(field.name);
  const FieldSelection selection =
      SelectFields(options.field.value_or("NameReplaceUserAll"), names);
  if (!selection.ok || selection.indexes.size() != 1 ||
      fields[static_cast<std::size_t>(selection.indexes[0])].type == NAMEFOLD_FT_BOOLEAN) {
    Write(Stream::kErr, "namefold: --field: give one field that holds a name (" +
                            (selection.ok ? std::string("1 to 4") : selection.error) + ")\n");
    return 2;
  }
  return Renamer(options, plugin, selection.indexes[0]).Run();
}

int RunUndo(const Options& options) {
  const fs::path journal = PathFromArgument(*options.undo);
  std::string bytes, error;
  if (!ReadFileBytes(journal, bytes, error)) {
    Write(Stream::kErr, "namefold: " + DescribePath(journal).shown + ": " + error + "\n");
    return 1;
  }
  const std::string shown = DescribePath(journal).shown;
  const bool v2 = std::string_view(bytes).starts_with(kJournalV2);
  if (!v2 && !std::string_view(bytes).starts_with(kJournalV1)) {
    Write(Stream::kErr, "namefold: " + shown + ": not a journal of namefold rename\n");
    return 1;
  }
  std::vector<std::pair<std::size_t, std::string_view>> lines;
  int status = 0;
  std::size_t number = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    const bool complete = end != std::string::npos;
    if (!complete) end = bytes.size();
    const std::string_view line = std::string_view(bytes).substr(start, end - start);
    start = end + 1;
    ++number;
    if (!complete) {
      // Cut by a run killed while writing it (its renames were never made), or cut afterwards:
      // either way this line cannot be trusted.
      Write(Stream::kErr, "namefold: " + shown + ":" + std::to_string(number) +
                              ": the journal's last line is cut short; it is left out\n");
      status = 1;
      break;
    }
    if (line.empty() || line[0] == '#') continue;
    lines.emplace_back(number, line);
  }
  const Report report{options.format == Format::kAuto ? Format::kTable : options.format};
  report.Header();
  return v2 ? Undoer(journal, report).Run(lines, status)
            : UndoByPaths(lines, journal, report, status);
}

}  // namespace namefold::cli
