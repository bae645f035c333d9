#include "cli/text.h"

#include <iostream>

#include "cli/listing.h"
#include "cli/system.h"
#include "cli/utf.h"
#include "namefold.h"

namespace namefold::cli {
namespace {

// The library converts a name of at most this many units and cuts its values there, so a name
// this long or longer cannot be known to come back whole.
constexpr std::size_t kLongestName = 1023;

// Whether a byte separates names in a path: '/' everywhere, and '\' where the library takes it.
bool IsSeparator(char c) {
  return c == '/' || (host::kPathSeparator == u'\\' && c == '\\');
}

struct Filter {
  FieldReader reader;  // one set of buffers for the whole run
  int field = 0;
  bool boolean = false;       // a field such as HasUnicode: written 0 or 1
  const char* what = "line";  // what a record is called in messages: line, record, argument
  int status = 0;
  std::size_t record = 0;  // the number of the record being converted, for messages

  // The path the library is given for `units`: in a folder, since it takes no path of three units
  // or fewer for a file, and the name is what follows the last separator.
  std::u16string InFolder(std::u16string_view units) const {
    std::u16string path{host::kPathSeparator, u'.', host::kPathSeparator};
    return path.append(units);
  }

  std::u16string Decode(std::string_view bytes, bool& warned) const {
    std::u16string units;
    if (!DecodeUtf8(bytes, units) && !warned) {
      warned = true;
      Write(Stream::kErr, "namefold: warning: " + std::string(what) + " " + std::to_string(record) +
                              ": not valid UTF-8; the library is given U+FFFD for the bad bytes\n");
    }
    return units;
  }

  bool TooLong() {
    Write(Stream::kErr, "namefold: " + std::string(what) + " " + std::to_string(record) +
                            ": a name longer than the library converts whole (" +
                            std::to_string(kLongestName) + " units): written unchanged\n");
    status = 1;
    return false;
  }

  // The converted record, or false (and the record stays as it is) when a name is too long.
  bool Convert(std::string_view text, std::string& out) {
    bool warned = false;
    if (boolean) {
      const std::u16string units = Decode(text, warned);
      out = !units.empty() && reader.Read(InFolder(units), field).flag ? "1" : "0";
      return true;
    }
    // Each name of a path on its own; separators, and the names "." and "..", stay as they are.
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = start;
      while (end < text.size() && !IsSeparator(text[end])) ++end;
      const std::string_view name = text.substr(start, end - start);
      if (name.find_first_not_of('.') == std::string_view::npos) {
        out += name;
      } else {
        const std::u16string units = Decode(name, warned);
        if (units.size() >= kLongestName) return TooLong();
        const FieldValue& value = reader.Read(InFolder(units), field);
        if (value.text.size() >= kLongestName) return TooLong();
        out += ToUtf8(value.text);
      }
      if (end < text.size()) out += text[end];
      start = end + 1;
    }
    return true;
  }

  std::string Record(std::string_view text) {
    ++record;
    std::string out;
    return Convert(text, out) ? out : std::string(text);
  }
};

}  // namespace

int ConvertText(const Options& options, const host::Plugin& plugin) {
  Filter filter{FieldReader(plugin)};
  const std::vector<FieldInfo> fields = QueryFields(plugin);
  std::vector<std::string> names;
  for (const FieldInfo& field : fields) names.push_back(field.name);
  const FieldSelection selection =
      SelectFields(options.field.value_or("NameReplaceUserAll"), names);
  if (!selection.ok || selection.indexes.size() != 1) {
    Write(Stream::kErr,
          "namefold: text: " + (selection.ok ? "--field names one field" : selection.error) + "\n");
    return 2;
  }
  filter.field = selection.indexes[0];
  filter.boolean = fields[static_cast<std::size_t>(filter.field)].type == NAMEFOLD_FT_BOOLEAN;
  const char end = options.zero ? '\0' : '\n';
  filter.what = options.operands.empty() ? (options.zero ? "record" : "line") : "argument";
  if (!options.operands.empty()) {
    for (const std::string& operand : options.operands)
      Write(Stream::kOut, filter.Record(operand) + end);
    return filter.status;
  }
  // Line by line, so that the filter answers each line as it comes; a line's CR of a CR LF end
  // stays out of the name and is written back.
  std::string line;
  while (std::getline(std::cin, line, end)) {
    const bool ended = !std::cin.eof();
    const bool cr = !options.zero && !line.empty() && line.back() == '\r';
    if (cr) line.pop_back();
    std::string out = filter.Record(line);
    if (cr) out += '\r';
    if (ended) out += end;
    Write(Stream::kOut, out);
  }
  return filter.status;
}

}  // namespace namefold::cli
