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
  const char* Name;
  std::string StabiliseSettings::*Field;
  bool Decimal;
};

constexpr SettingsKey kKeys[] = {
    {"shakiness", &StabiliseSettings::Shakiness, false},
    {"accuracy", &StabiliseSettings::Accuracy, false},
    {"stepsize", &StabiliseSettings::Stepsize, false},
    {"mincontrast", &StabiliseSettings::Mincontrast, true},
    {"smoothing", &StabiliseSettings::Smoothing, false},
};

// Digits, with at most one point where the value takes one: what the options dialog lets
// the user type. Anything else (a blank, a comment, an engine option) would reach the
// engine's command line and could split it.
bool IsPlainNumber(const std::string& text, bool decimal) {
  bool digitSeen = false;
  bool pointSeen = false;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digitSeen = true;
    } else if (c == '.' && decimal && !pointSeen) {
      pointSeen = true;
    } else {
      return false;
    }
  }
  return digitSeen;
}

}  // namespace

StabiliseSettings DefaultSettings() { return {"5", "15", "6", "0.3", "10"}; }

SettingsFile::SettingsFile(std::string fileName) : ini_(std::move(fileName)) {}

std::string SettingsFile::DefaultPath() {
  return platform::Application::ExecutableFolder() + "/calmora.ini";
}

StabiliseSettings SettingsFile::Read() const {
  const StabiliseSettings defaults = DefaultSettings();
  StabiliseSettings values;
  for (const SettingsKey& key : kKeys) {
    const std::string value = ini_.ReadString(kSection, key.Name, defaults.*key.Field);
    // A value that is no plain number is read as a missing key is.
    values.*key.Field = IsPlainNumber(value, key.Decimal) ? value : defaults.*key.Field;
  }
  return values;
}

void SettingsFile::Write(const StabiliseSettings& values) {
  for (const SettingsKey& key : kKeys)
    ini_.WriteString(kSection, key.Name, std::string(TrimText(values.*key.Field)));
}

}  // namespace calmora
