// The five settings keys over TIniFile.
#include "app/settings_file.h"

#include <utility>

#include "app/engine_text.h"
#include "platform/application.h"

namespace calmora {

namespace {

constexpr const char* kSection = "options";

// One key of the file and the field of the settings that it stores.
struct SettingsKey {
  const char* name;
  std::string StabiliseSettings::*field;
};

constexpr SettingsKey kKeys[] = {
    {"shakiness", &StabiliseSettings::shakiness},
    {"accuracy", &StabiliseSettings::accuracy},
    {"stepsize", &StabiliseSettings::stepsize},
    {"mincontrast", &StabiliseSettings::mincontrast},
    {"smoothing", &StabiliseSettings::smoothing},
};

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
    values.*key.field = ini_.ReadString(kSection, key.name, defaults.*key.field);
  }
  return values;
}

void SettingsFile::Write(const StabiliseSettings& values) {
  for (const SettingsKey& key : kKeys) ini_.WriteString(kSection, key.name, std::string(TrimText(values.*key.field)));
}

}  // namespace calmora
