// The five settings keys over TIniFile.
#include "app/settings_file.h"

#include <utility>

#include "app/engine_text.h"
#include "platform/application.h"

namespace calmora {

namespace {

constexpr const char* kSection = "options";

// One key of the file, the field of the settings that it stores, and whether its value
// may hold a decimal point.
struct SettingsKey {
  const char* name;
  std::string StabiliseSettings::*field;
  bool decimal;
};

constexpr SettingsKey kKeys[] = {
    {"shakiness", &StabiliseSettings::shakiness, false},
    {"accuracy", &StabiliseSettings::accuracy, false},
    {"stepsize", &StabiliseSettings::stepsize, false},
    {"mincontrast", &StabiliseSettings::mincontrast, true},
    {"smoothing", &StabiliseSettings::smoothing, false},
};

// Digits, with at most one point where the value takes one: what the options dialog lets
// the user type. Anything else (a blank, a comment, an engine option) would reach the
// engine's command line and could split it.
bool IsPlainNumber(const std::string& text, bool decimal) {
  bool digit_seen = false;
  bool point_seen = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digit_seen = true;
    } else if (c == '.' && decimal && !point_seen) {
      point_seen = true;
    } else {
      return false;
    }
  }
  return digit_seen;
}

}  // namespace

StabiliseSettings DefaultSettings() { return {"5", "15", "6", "0.3", "10"}; }

SettingsFile::SettingsFile(std::string file_name) : ini_(std::move(file_name)) {}

std::string SettingsFile::DefaultPath() {
  return platform::Application::ExecutableFolder() + "/calmora.ini";
}

StabiliseSettings SettingsFile::Read() const {
  const StabiliseSettings defaults = DefaultSettings();
  StabiliseSettings values;
  for (const SettingsKey& key : kKeys) {
    const std::string value = ini_.ReadString(kSection, key.name, defaults.*key.field);
    // A value that is no plain number is read as a missing key is.
    values.*key.field = IsPlainNumber(value, key.decimal) ? value : defaults.*key.field;
  }
  return values;
}

void SettingsFile::Write(const StabiliseSettings& values) {
  for (const SettingsKey& key : kKeys) ini_.WriteString(kSection, key.name, std::string(TrimText(values.*key.field)));
}

}  // namespace calmora
