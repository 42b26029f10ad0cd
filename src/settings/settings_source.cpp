#include "settings/settings_source.h"

#include "common/text.h"

namespace klvc {
namespace {

std::string shown_path(const std::string& path) { return path == "-" ? "stdin" : path; }

bool load_settings_file(SwitcherSettings& s, int model, const std::string& path, SourceLoad* out) {
  ReadResult result;
  std::string error;
  if (!read_settings_file(s, model, path, &result, &error)) {
    out->errors.push_back(error);
    out->unreadable = true;
    return false;
  }
  for (const FileProblem& p : result.problems) out->mended.push_back(located(path, p));
  return true;
}

}  // namespace

std::string located(const std::string& path, const FileProblem& problem) {
  const std::string where = shown_path(path);
  if (problem.line <= 0) return where + ": " + problem.message;
  return where + ":" + std::to_string(problem.line) + ": " + problem.message;
}

bool is_settings_file_name(const std::string& path) {
  const std::string lower = ascii_lower(path);
  auto ends_with = [&](const std::string& ext) {
    return lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0;
  };
  // A recovery file (name.dat.save) is a settings file kept at an unplanned exit.
  return ends_with(".dat") || ends_with(".dat.save");
}

bool load_settings_source(SwitcherSettings& s, int model, const std::string& path, const std::string& base,
                          TitleCheck check, SourceLoad* out) {
  reset_to_defaults(s);
  if (!base.empty() && !load_settings_file(s, model, base, out)) return false;
  if (path.empty()) return true;
  if (is_settings_file_name(path)) {
    if (!base.empty()) out->notes.push_back(path + ": a settings file holds every setting, so " + base + " adds nothing");
    return load_settings_file(s, model, path, out);
  }
  std::string bytes;
  std::string error;
  if (!read_small_file(path, &bytes, &error)) {
    out->errors.push_back(error);
    out->unreadable = true;
    return false;
  }
  const TextImport text = import_settings_text(s, model, bytes, check);
  for (const FileProblem& p : text.notes) out->notes.push_back(located(path, p));
  for (const FileProblem& p : text.errors) out->errors.push_back(located(path, p));
  out->settings = text.settings;
  out->titles_csv = text.titles_csv;
  return text.errors.empty();
}

}  // namespace klvc
