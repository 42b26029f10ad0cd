#include "profile/ini_file.h"

#include "common/text.h"

#include <charconv>
#include <sstream>

namespace klvc {

namespace {

std::string trim(const std::string& s) {
  const char* ws = " \t\r\n";
  auto b = s.find_first_not_of(ws);
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(ws);
  return s.substr(b, e - b + 1);
}

bool same_name(const std::string& a, const std::string& b) { return same_ignoring_case(a, b); }

std::string without_comment(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if ((line[i] == ';' || line[i] == '#') && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return line.substr(0, i);
    }
  }
  return line;
}

}  // namespace

IniLine read_ini_line(const std::string& raw) {
  IniLine l;
  l.text = trim(without_comment(raw));
  if (l.text.empty()) return l;
  if (l.text.front() == '[') {
    l.kind = IniLine::Kind::Section;
    l.closed = l.text.size() >= 2 && l.text.back() == ']';
    l.name = trim(l.text.substr(1, l.text.size() - 1 - (l.closed ? 1 : 0)));
    return l;
  }
  const std::size_t eq = l.text.find('=');
  if (eq == std::string::npos) {
    l.kind = IniLine::Kind::Other;
    return l;
  }
  l.kind = IniLine::Kind::Entry;
  l.key = trim(l.text.substr(0, eq));
  l.value = trim(l.text.substr(eq + 1));
  return l;
}

IniText::IniText(const std::string& text) {
  std::istringstream in(text);
  std::string raw;
  std::string section;
  while (std::getline(in, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    Line line;
    line.raw = raw;
    const IniLine read = read_ini_line(raw);
    if (read.kind == IniLine::Kind::Section && read.closed) {
      section = read.name;
      line.is_header = true;
    } else if (read.kind == IniLine::Kind::Entry) {
      line.key = read.key;
      line.value = read.value;
    }
    line.section = section;
    lines_.push_back(std::move(line));
  }
}

std::optional<std::string> IniText::get(const std::string& section, const std::string& key) const {
  // The first occurrence wins, as the platform's profile reader does.
  for (const auto& l : lines_) {
    if (!l.is_header && !l.key.empty() && same_name(l.section, section) && same_name(l.key, key)) {
      return l.value;
    }
  }
  return std::nullopt;
}

void IniText::set(const std::string& section, const std::string& key, const std::string& value) {
  std::size_t insert_at = lines_.size();
  bool have_section = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    if (!same_name(l.section, section)) continue;
    if (l.is_header) {
      have_section = true;
      insert_at = i + 1;
      continue;
    }
    if (!have_section) continue;
    if (!l.key.empty() && same_name(l.key, key)) {
      l.value = value;
      l.raw = l.key + "=" + value;
      return;
    }
    // Keep new keys next to the section's last non-blank line.
    if (!trim(l.raw).empty()) insert_at = i + 1;
  }
  if (!have_section) {
    if (!lines_.empty() && !trim(lines_.back().raw).empty()) lines_.push_back(Line{"", lines_.back().section});
    Line header;
    header.raw = "[" + section + "]";
    header.section = section;
    header.is_header = true;
    lines_.push_back(header);
    insert_at = lines_.size();
  }
  Line l;
  l.raw = key + "=" + value;
  l.section = section;
  l.key = key;
  l.value = value;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), l);
}

std::string IniText::text() const {
  std::string out;
  for (const auto& l : lines_) {
    out += l.raw;
    out += '\n';
  }
  return out;
}

std::optional<int> parse_profile_int(const std::string& text) {
  std::string t = trim(text);
  if (t.empty()) return std::nullopt;
  std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return std::nullopt;
  for (std::size_t j = i; j < t.size(); ++j) {
    if (t[j] < '0' || t[j] > '9') return std::nullopt;
  }
  // from_chars takes a '-' but no '+'.
  int v = 0;
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  if (std::from_chars(first, t.data() + t.size(), v).ec != std::errc()) return std::nullopt;
  return v;
}

}  // namespace klvc
