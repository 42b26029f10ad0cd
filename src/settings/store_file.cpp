// The settings file of the screen's one store, under the model the operator
// chose; the file's own code takes its settings and model as arguments.
#include "settings/settings_file.h"

namespace klvc {

bool settings_file_text(std::string* bytes, std::string* error, std::vector<std::string>* notes) {
  return settings_file_text(store(), store().model_index, bytes, error, notes);
}

ReadResult read_settings_text(const std::string& bytes) {
  ReadResult result = read_settings_text(store(), store().model_index, bytes);
  store().modified = 0;
  return result;
}

bool write_settings_file(Disk& disk, const std::string& path, std::string* error, std::vector<std::string>* notes) {
  if (!write_settings_file(disk, store(), store().model_index, path, error, notes)) return false;
  store().modified = 0;
  return true;
}

bool write_settings_file(const std::string& path, std::string* error, std::vector<std::string>* notes) {
  return write_settings_file(system_disk(), path, error, notes);
}

bool read_settings_file(const std::string& path, ReadResult* result, std::string* error) {
  if (!read_settings_file(store(), store().model_index, path, result, error)) return false;
  store().modified = 0;
  return true;
}

}  // namespace klvc
