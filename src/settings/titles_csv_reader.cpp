// Reading a titles CSV as spreadsheets write it (RFC 4180): fields split by
// commas, quoted fields that may hold commas, doubled quotes and line breaks,
// CR LF or LF, empty rows anywhere. Blanks around an unquoted field are
// dropped (a title cannot hold half-width blanks anyway); a quoted field is
// taken exactly, with the \xNN and \\ escapes that export writes for bytes
// no code page maps and for control characters.
#include "common/escape.h"
#include "common/text.h"
#include "settings/settings_layout.h"
#include "settings/store.h"
#include "settings/text_import.h"

namespace klvc {
namespace {

struct CsvRecord {
  int line = 0;  // where the record starts
  std::vector<std::string> fields;
  std::string error;
};

// Reads records one by one, counting lines.
class CsvReader {
 public:
  explicit CsvReader(std::string_view text) : text_(text) {}

  bool next(CsvRecord* record) {
    if (pos_ >= text_.size()) return false;
    *record = CsvRecord();
    record->line = line_;
    for (;;) {
      std::string field;
      if (!read_field(&field, record)) {
        skip_to_line_end();
        return true;
      }
      record->fields.push_back(std::move(field));
      if (pos_ >= text_.size()) return true;
      const char c = text_[pos_++];
      if (c == '\n') {
        ++line_;
        return true;
      }
      // c == ',': another field follows.
    }
  }

 private:
  // One field up to the comma or line end, which is left unread.
  bool read_field(std::string* field, CsvRecord* record) {
    std::size_t start = pos_;
    while (start < text_.size() && (text_[start] == ' ' || text_[start] == '\t')) ++start;
    if (start < text_.size() && text_[start] == '"') {
      pos_ = start + 1;
      for (;;) {
        if (pos_ >= text_.size()) {
          record->error = "a quoted field is not closed";
          return false;
        }
        const char c = text_[pos_++];
        if (c == '"') {
          if (pos_ < text_.size() && text_[pos_] == '"') {
            field->push_back('"');
            ++pos_;
            continue;
          }
          break;
        }
        if (c == '\n') ++line_;
        field->push_back(c);
      }
      while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
      if (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\n') {
        record->error = "unexpected text after the closing quote of a field";
        return false;
      }
      return true;
    }
    const std::size_t end = text_.find_first_of(",\n", pos_);
    std::string_view raw = text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
    pos_ = end == std::string_view::npos ? text_.size() : end;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    // A backslash is itself here; escapes (\xNN) are read inside quotes only.
    for (char c : trim_blanks(raw)) *field += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return true;
  }

  void skip_to_line_end() {
    const std::size_t nl = text_.find('\n', pos_);
    pos_ = nl == std::string_view::npos ? text_.size() : nl + 1;
    if (nl != std::string_view::npos) ++line_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};


// Fields up to the last that is not empty, at least `least`.
std::size_t used_fields(const CsvRecord& r, std::size_t least) {
  std::size_t used = r.fields.size();
  while (used > least && r.fields[used - 1].empty()) --used;  // empty columns to the right
  return used;
}

bool is_header(const CsvRecord& r) {
  if (!r.error.empty() || used_fields(r, 2) != 2) return false;
  const char* names[] = {"channel", "title"};
  for (int i = 0; i < 2; ++i) {
    const std::string& f = r.fields[static_cast<std::size_t>(i)];
    std::string low;
    for (char c : f) low.push_back(ascii_lower(c));
    if (low != names[i]) return false;
  }
  return true;
}

bool is_empty_row(const CsvRecord& r) {
  if (!r.error.empty()) return false;
  for (const std::string& f : r.fields) {
    if (!f.empty()) return false;
  }
  return true;
}

// The first record that is not an empty row.
bool first_record(CsvReader* reader, CsvRecord* record) {
  while (reader->next(record)) {
    if (!is_empty_row(*record)) return true;
  }
  return false;
}

void read_row(const CsvRecord& r, TitleCheck check, TextParse* out) {
  auto fail = [&](const std::string& why) { out->errors.push_back({r.line, why}); };
  if (!r.error.empty()) return fail(r.error);
  const std::size_t used = used_fields(r, 2);
  if (used != 2) {
    return fail("a row holds two fields, channel and title, not " + std::to_string(used) +
                (used == 1 ? " (an empty title is written as '5,')" : ""));
  }
  const std::string& number = r.fields[0];
  long channel = number.empty() || number.size() > 6 ? -1 : 0;
  for (char c : number) {
    if (channel < 0) break;
    channel = c >= '0' && c <= '9' ? channel * 10 + (c - '0') : -1;
  }
  if (channel < 0) return fail("'" + shown(number) + "' is not a channel number (1.." + std::to_string(kMaxInputs) + ")");
  if (channel < 1 || channel > kMaxInputs) {
    return fail("channel " + std::to_string(channel) + " is out of range 1.." + std::to_string(kMaxInputs));
  }
  TextValue v{kTitlesFirstLine + static_cast<int>(channel) - 1, 0, std::string(), r.line};
  const std::string why = title_from_utf8(r.fields[1], check, &v.text);
  if (!why.empty()) return fail("channel " + std::to_string(channel) + ": " + why);
  out->values.push_back(std::move(v));
}

}  // namespace

bool is_titles_csv(std::string_view utf8) {
  CsvReader reader(utf8);
  CsvRecord r;
  return first_record(&reader, &r) && is_header(r);
}

void parse_titles_csv(std::string_view utf8, TitleCheck check, TextParse* out) {
  CsvReader reader(utf8);
  CsvRecord r;
  first_record(&reader, &r);  // the header
  while (reader.next(&r)) {
    if (!is_empty_row(r)) read_row(r, check, out);
  }
}

}  // namespace klvc
