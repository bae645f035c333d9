#include "cli/rename.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <unordered_map>

#include "cli/listing.h"
#include "cli/utf.h"

namespace namefold::cli {
namespace {

constexpr char kJournalHeader[] =
    "# namefold rename journal: FROM<TAB>TO per line, full paths, in the order renamed; "
    "\\\\ \\t \\n \\r \\xHH \\uHHHH \\UHHHHHHHH are escapes. Undo: namefold rename --undo FILE\n";

bool IsReserved(std::u16string_view name) {
  std::u16string base(name.substr(0, name.find(u'.')));  // "CON.txt" is CON too
  while (!base.empty() && base.back() == u' ') base.pop_back();
  if (base.size() != 3 && base.size() != 4) return false;
  for (char16_t& unit : base) unit = unit >= u'a' && unit <= u'z' ? unit - 32 : unit;
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
         base[3] >= u'1' && base[3] <= u'9';
}

void Count(std::map<std::string, int>& counts, const std::string& kind) {
  ++counts[kind];
}

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
      if (value > 0xFFFF)
        units = {static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)),
                 static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF))};
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
    const PathText path = DescribePath(shown), name = DescribePath(target);
    if (format == Format::kTsv) {
      Write(Stream::kOut, path.tsv + "\t" + name.tsv + "\t" + action + "\t" +
                              EscapeForLine(reason, Backslash::kEscaped) + "\n");
    } else if (format == Format::kJson) {
      Write(Stream::kOut,
            "{\"path\":" + JsonString(path.text) + ",\"new\":" + JsonString(name.text) +
                ",\"action\":" + JsonString(action) + ",\"reason\":" + JsonString(reason) + "}\n");
    } else {
      Write(Stream::kOut, path.shown + " \u2192 " + name.shown +
                              (reason.empty() ? "" : "  (" + action + ": " + reason + ")") + "\n");
    }
  }
  void Summary(const std::string& text) const {
    Write(format == Format::kTable ? Stream::kOut : Stream::kErr, text + "\n");
  }
};

// A rename to be made, in the order that keeps every path valid: a folder after its contents.
struct Planned {
  fs::path from;  // as found, under the folder operand
  fs::path to;
  fs::path shown;  // `from` as the report shows it
  std::string kind, detail;
};

struct Planner {
  const Options& options;
  const host::Plugin& plugin;
  int field;
  std::vector<Planned> plan;
  int unchanged = 0;
  int status = 0;
  Progress progress{0};  // the total is known only at the end
  std::size_t read = 0;

  void Error(const fs::path& path, const std::string& message) {
    Write(Stream::kErr, "namefold: " + DescribePath(path).shown + ": " + message + "\n");
    status = 1;
  }

  // Plans the entries of `folder` that `wanted` selects, after those of its subfolders with -r.
  template <typename Wanted>
  void AddFolder(const fs::path& folder, const fs::path& shown, bool descend, Wanted wanted) {
    std::error_code error;
    std::vector<fs::directory_entry> found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      found.push_back(*it);
    if (error) return Error(folder, error.message());
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      return a.path().filename().native() < b.path().filename().native();
    });
    const fs::path absolute = fs::absolute(folder, error).lexically_normal().make_preferred();
    std::vector<FolderEntry> entries;
    std::vector<std::size_t> chosen;  // indexes of `found` that are renamed if they can be
    for (std::size_t i = 0; i < found.size(); ++i) {
      progress.Step(++read);
      const fs::path name = found[i].path().filename();
      const fs::path entry_shown = shown.empty() ? name : shown / name;
      std::error_code kind_error;
      const bool folder_entry =
          found[i].is_directory(kind_error) && !found[i].is_symlink(kind_error);
      if (descend && folder_entry) AddFolder(found[i].path(), entry_shown, true, wanted);
      FolderEntry entry{DescribePath(name).units, {}, {}, {}};
      entry.target = entry.name;
      if (wanted(found[i].path()) && (!folder_entry || options.dirs)) {
        chosen.push_back(i);
        const FieldValue value = QueryValue(plugin, DescribePath(absolute / name).units, field);
        if (value.code != NAMEFOLD_FT_WIDE_STRING) {
          entry.kind = "no value";
          entry.detail = "the library gave no name";
        } else if (value.text != entry.name) {
          entry.target = value.text;
          entry.kind = UnusableKind(value.text, NameUnits(PathFromArgument(ToUtf8(value.text))));
        }
      }
      entries.push_back(std::move(entry));
    }
    LeaveOutClashes(entries);
    for (std::size_t i : chosen) {
      FolderEntry& entry = entries[i];
      if (entry.kind.empty() && entry.target == entry.name) {
        ++unchanged;
        continue;
      }
      const fs::path from = found[i].path();
      const fs::path to = folder / PathFromArgument(ToUtf8(entry.target));
      const fs::path from_name = from.filename();
      if (entry.kind.empty() && fs::exists(fs::symlink_status(to, error))) {
        entry.kind = SameEntry(from, to) ? "same file" : "target exists";
        entry.detail = entry.kind == "same file"
                           ? "the file system takes the new name for this file's own"
                           : "a file of that name exists";
      }
      plan.push_back({from, to, shown.empty() ? from_name : shown / from_name, entry.kind,
                      entry.detail.empty() ? entry.kind : entry.kind + ", " + entry.detail});
    }
  }

  void AddOperand(const std::string& operand, bool only_operand) {
    const fs::path path = PathFromArgument(operand);
    std::error_code error;
    const fs::file_status found = fs::symlink_status(path, error);
    if (error || !fs::exists(found)) return Error(path, "no such file or folder");
    if (fs::is_directory(fs::status(path, error))) {
      return AddFolder(path, only_operand ? fs::path() : path, options.recursive,
                       [](const fs::path&) { return true; });
    }
    // A file given alone is renamed with its folder's other names in view, for the clashes.
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    AddFolder(parent, path.parent_path(), false,
              [&](const fs::path& entry) { return entry.filename() == path.filename(); });
  }
};

fs::path DefaultJournal() {
  const std::time_t now = std::time(nullptr);
  char stamp[32] = {};
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::gmtime(&now));
  return fs::path("namefold-rename-" + std::string(stamp) + ".journal");
}

}  // namespace

std::string UnusableKind(std::u16string_view name, std::size_t native_units) {
  if (name.empty()) return "empty name";
  if (name == u"." || name == u"..") return "dot name";
  if (name.size() > kMaxNameUnits || native_units > kMaxNameUnits) return "too long";
  std::string bytes;
  if (!EncodeUtf8(name, bytes)) return "not valid Unicode";
  for (char16_t unit : name) {
    if (unit < 0x20 || unit == 0x7F || (unit >= 0x80 && unit <= 0x9F)) return "control character";
    if (std::u16string_view(u"<>:\"/\\|?*").find(unit) != std::u16string_view::npos)
      return "character Windows forbids";
  }
  if (name.back() == u'.' || name.back() == u' ') return "trailing dot or space";
  if (IsReserved(name)) return "reserved name";
  return {};
}

void LeaveOutClashes(std::vector<FolderEntry>& entries) {
  auto renamed = [](const FolderEntry& e) { return e.kind.empty() && e.target != e.name; };
  std::unordered_map<std::u16string, std::size_t> present;  // the names there now
  for (std::size_t i = 0; i < entries.size(); ++i) present.emplace(entries[i].name, i);
  for (FolderEntry& entry : entries) {
    const auto it = present.find(entry.target);
    if (renamed(entry) && it != present.end()) {
      entry.kind = "target exists";
      entry.detail = "a file of that name exists";
    }
  }
  for (bool again = true; again;) {
    again = false;
    std::unordered_map<std::u16string, std::vector<std::size_t>> after;  // by folded final name
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const FolderEntry& e = entries[i];
      after[FoldCaseAsWindows(renamed(e) ? e.target : e.name)].push_back(i);
    }
    for (const auto& [folded, group] : after) {
      if (group.size() < 2) continue;
      std::string names;
      for (std::size_t i : group) names += (names.empty() ? "" : ", ") + ToUtf8(entries[i].name);
      for (std::size_t i : group) {
        if (!renamed(entries[i])) continue;
        entries[i].kind = "same name";
        entries[i].detail = "one name after renaming, as Windows compares names: " + names;
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
  Planner planner{options, plugin, selection.indexes[0], {}, 0, 0, Progress(0), 0};
  for (const std::string& operand : options.operands)
    planner.AddOperand(operand, options.operands.size() == 1);
  planner.progress.Clear();  // before the report

  const Report report{options.format == Format::kAuto ? Format::kTable : options.format};
  report.Header();
  const fs::path journal = options.journal ? PathFromArgument(*options.journal) : DefaultJournal();
  const char* stop_text = std::getenv("NAMEFOLD_TEST_STOP_AFTER");  // tests interrupt a run here
  const long stop_after = stop_text != nullptr ? std::atol(stop_text) : -1;
  std::map<std::string, int> skipped;
  int renamed = 0, failed = 0;
  bool journal_made = false;
  Progress progress(planner.plan.size());
  for (std::size_t i = 0; i < planner.plan.size(); ++i) {
    progress.Step(i);
    const Planned& item = planner.plan[i];
    const fs::path new_name = item.to.filename();
    if (!item.kind.empty()) {
      Count(skipped, item.kind);
      report.Line(item.shown, new_name, "skipped", item.detail);
      continue;
    }
    if (!options.apply) {
      ++renamed;
      report.Line(item.shown, new_name, "would rename", "");
      continue;
    }
    std::error_code error;
    std::string message;
    const fs::path from = fs::absolute(item.from, error), to = fs::absolute(item.to, error);
    if (!AppendDurably(journal,
                       (journal_made ? "" : std::string(kJournalHeader)) + JournalLine(from, to),
                       !journal_made, message)) {
      Write(Stream::kErr, "namefold: journal " + DescribePath(journal).shown + ": " + message +
                              ": nothing more is renamed\n");
      return 1;
    }
    journal_made = true;
    switch (RenameNoReplace(item.from, item.to, message)) {
      case RenameOutcome::kDone:
        ++renamed;
        report.Line(item.shown, new_name, "renamed", "");
        if (renamed == stop_after) std::_Exit(9);
        break;
      case RenameOutcome::kTargetExists:
        Count(skipped, "target exists");
        report.Line(item.shown, new_name, "skipped", "target exists, a file of that name appeared");
        break;
      case RenameOutcome::kFailed:
        ++failed;
        report.Line(item.shown, new_name, "failed", message);
        break;
    }
  }
  int skipped_total = 0;
  for (const auto& [kind, count] : skipped) skipped_total += count;
  const std::string counts = "unchanged " + std::to_string(planner.unchanged) + ", skipped " +
                             std::to_string(skipped_total) + Counts(skipped);
  if (!options.apply) {
    report.Summary("dry run, nothing renamed: would rename " + std::to_string(renamed) + ", " +
                   counts + "; give --apply to rename");
  } else {
    const std::string shown = DescribePath(journal).shown;
    report.Summary("renamed " + std::to_string(renamed) + ", " + counts + ", failed " +
                   std::to_string(failed) +
                   (journal_made ? "; journal " + shown + " (namefold rename --undo " + shown +
                                       " puts the names back)"
                                 : ""));
  }
  return planner.status != 0 || skipped_total != 0 || failed != 0 ? 1 : 0;
}

int RunUndo(const Options& options) {
  const fs::path journal = PathFromArgument(*options.undo);
  std::string bytes, error;
  if (!ReadFileBytes(journal, bytes, error)) {
    Write(Stream::kErr, "namefold: " + DescribePath(journal).shown + ": " + error + "\n");
    return 1;
  }
  struct Step {
    fs::path from, to;
    std::size_t line;
  };
  std::vector<Step> steps;
  int status = 0;
  std::size_t number = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    const bool complete = end != std::string::npos;
    if (!complete) end = bytes.size();
    const std::string_view line = std::string_view(bytes).substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#') continue;
    Step step{{}, {}, number};
    // A run killed while writing leaves its last line cut; that rename was never made.
    if (complete && ParseJournalLine(line, step.from, step.to)) {
      steps.push_back(std::move(step));
    } else if (complete) {
      Write(Stream::kErr, "namefold: " + DescribePath(journal).shown + ":" +
                              std::to_string(number) + ": not a journal line, left out\n");
      status = 1;
    }
  }
  const Report report{options.format == Format::kAuto ? Format::kTable : options.format};
  report.Header();
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

}  // namespace namefold::cli
