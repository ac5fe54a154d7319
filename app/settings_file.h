// The settings file calmora.ini beside the program: the five stabiliser values in the
// section "options", with their defaults for anything missing.
#pragma once

#include <string>

#include "app/stabilise_passes.h"
#include "platform/ini_file.h"

namespace calmora {

// The values used when the file or a key is missing (also the options dialog's "Default").
StabiliseSettings DefaultSettings();

class SettingsFile {
 public:
  explicit SettingsFile(std::string fileName = DefaultPath());

  // calmora.ini in the folder of the program's executable.
  static std::string DefaultPath();

  const std::string& FileName() const { return ini_.FileName(); }

  // The five values; a missing key, or a value that is no plain number, gives the default.
  StabiliseSettings Read() const;

  // Writes the five values, each trimmed of surrounding blanks; other sections and keys of
  // the file stay. Throws platform::EIniFileException when the file cannot be replaced.
  void Write(const StabiliseSettings& values);

 private:
  platform::TIniFile ini_;
};

}  // namespace calmora
