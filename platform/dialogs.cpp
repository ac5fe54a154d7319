// File and folder dialogs over QFileDialog, the colour dialog over QColorDialog. The hooks let tests answer them; the current
// directory moves after an answered open dialog either way, since later steps rely on it.
#include "platform/dialogs.h"

#include <unistd.h>

#include <QColorDialog>
#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <cctype>
#include <utility>

namespace calmora::platform {

namespace {

OpenFilesHook& FilesHook() {
  static OpenFilesHook hook;
  return hook;
}

FolderHook& FoldersHook() {
  static FolderHook hook;
  return hook;
}

ColorHook& ColorsHook() {
  static ColorHook hook;
  return hook;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "*.avi" becomes "*.[Aa][Vv][Ii]": letters match in either case.
std::string CaseBlindPattern(const std::string& pattern) {
  std::string result;
  for (char c : pattern) {
    unsigned char letter = static_cast<unsigned char>(c);
    if (std::isalpha(letter)) {
      result += '[';
      result += static_cast<char>(std::toupper(letter));
      result += static_cast<char>(std::tolower(letter));
      result += ']';
    } else {
      result += c;
    }
  }
  return result;
}

void MoveToFolderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  if (slash == std::string::npos) return;
  std::string folder = slash == 0 ? "/" : file.substr(0, slash);
  if (chdir(folder.c_str()) != 0) {
    // The dialog's answer stands; only where relative names land is affected.
  }
}

}  // namespace

std::string ToolkitFilter(const std::string& filter) {
  std::vector<std::string> parts = Split(filter, '|');
  std::string result;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    for (const std::string& pattern : Split(parts[i + 1], ';')) {
      if (pattern.empty()) continue;
      if (!patterns.empty()) patterns += ' ';
      patterns += CaseBlindPattern(pattern);
    }
    if (!result.empty()) result += ";;";
    result += parts[i] + " (" + patterns + ")";
  }
  return result;
}

OpenFilesHook SetOpenFilesHook(OpenFilesHook hook) {
  return std::exchange(FilesHook(), std::move(hook));
}

FolderHook SetFolderHook(FolderHook hook) { return std::exchange(FoldersHook(), std::move(hook)); }

bool RunOpenFilesDialog(QWidget* owner, const std::string& filter, std::vector<std::string>& files) {
  files.clear();
  bool chosen = false;
  if (FilesHook()) {
    chosen = FilesHook()({owner, filter}, files);
  } else {
    // The filter shows its description only: the case-blind patterns are not for reading.
    const QStringList names = QFileDialog::getOpenFileNames(
        owner, QString(), QString(), QString::fromStdString(ToolkitFilter(filter)), nullptr,
        QFileDialog::HideNameFilterDetails);
    for (const QString& name : names) files.push_back(QFile::encodeName(name).toStdString());
    chosen = !files.empty();
  }
  if (!chosen) {
    files.clear();
    return false;
  }
  if (!files.empty()) MoveToFolderOf(files.front());
  return true;
}

bool RunFolderDialog(QWidget* owner, const std::string& title, const std::string& initialFolder,
                     std::string& folder) {
  if (FoldersHook()) return FoldersHook()({owner, title, initialFolder}, folder);
  QString chosen = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title),
                                                     QFile::decodeName(initialFolder.c_str()));
  if (chosen.isEmpty()) return false;
  folder = QFile::encodeName(chosen).toStdString();
  return true;
}

ColorHook SetColorHook(ColorHook hook) { return std::exchange(ColorsHook(), std::move(hook)); }

bool RunColorDialog(QWidget* owner, uint32_t initial, uint32_t& color) {
  if (ColorsHook()) return ColorsHook()({owner, initial}, color);
  const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
  const QColor chosen = QColorDialog::getColor(start, owner);
  if (!chosen.isValid()) return false;
  color = static_cast<uint32_t>(chosen.red()) | (static_cast<uint32_t>(chosen.green()) << 8) |
          (static_cast<uint32_t>(chosen.blue()) << 16);
  return true;
}

}  // namespace calmora::platform
