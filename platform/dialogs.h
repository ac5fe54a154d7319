// The open-file dialog (filter, several files), the folder dialog (title, initial folder) and
// the colour dialog, each replaceable by tests through a hook.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace calmora::platform {

struct OpenFilesRequest {
  QWidget* Owner = nullptr;
  std::string Filter;  // "Description|*.A;*.B" pairs, as the windows give it
};
// Answers a request in place of the dialog: true with the chosen files, false for Cancel.
using OpenFilesHook = std::function<bool(const OpenFilesRequest&, std::vector<std::string>&)>;
OpenFilesHook SetOpenFilesHook(OpenFilesHook hook);

// Lets the user pick one or more existing files. Patterns match whatever the letter case.
// Like the platform's dialog it moves the current directory to the chosen files' folder.
bool RunOpenFilesDialog(QWidget* owner, const std::string& filter, std::vector<std::string>& files);

struct FolderRequest {
  QWidget* Owner = nullptr;
  std::string Title;
  std::string InitialFolder;  // empty: the dialog's own choice
};
using FolderHook = std::function<bool(const FolderRequest&, std::string&)>;
FolderHook SetFolderHook(FolderHook hook);

// Lets the user pick a folder; true with its path in folder, false when cancelled.
bool RunFolderDialog(QWidget* owner, const std::string& title, const std::string& initialFolder,
                     std::string& folder);

struct ColorRequest {
  QWidget* Owner = nullptr;
  uint32_t Initial = 0;  // 0x00BBGGRR, as colours are stored by the windows
};
using ColorHook = std::function<bool(const ColorRequest&, uint32_t&)>;
ColorHook SetColorHook(ColorHook hook);

// Lets the user pick a colour, starting at initial; true with it in color (0x00BBGGRR), false
// when cancelled.
bool RunColorDialog(QWidget* owner, uint32_t initial, uint32_t& color);

// Turns "Video Files|*.AVI;*.MP4;" into the toolkit's "Video Files (*.[Aa][Vv][Ii] ...)";
// the patterns ignore letter case, as they do on the platform this filter was written for.
std::string ToolkitFilter(const std::string& filter);

}  // namespace calmora::platform
