// The clipboard-format registry: ids handed out in registration order, looked up by the
// name's lower case.
#include "platform/clipboard_formats.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <vector>

namespace calmora::platform {

namespace {

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, uint32_t> IdOfKey;
  std::vector<std::string> Names;  // index = id - FirstRegisteredClipboardFormat
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

std::string KeyOf(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

}  // namespace

uint32_t RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  TRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.Lock);
  const std::string key = KeyOf(name);
  auto found = registry.IdOfKey.find(key);
  if (found != registry.IdOfKey.end()) return found->second;
  if (registry.Names.size() > 0xFFFF - FirstRegisteredClipboardFormat) return 0;
  const uint32_t id = FirstRegisteredClipboardFormat + static_cast<uint32_t>(registry.Names.size());
  registry.Names.push_back(name);
  registry.IdOfKey.emplace(key, id);
  return id;
}

std::string GetClipboardFormatName(uint32_t format) {
  TRegistry& registry = Registry();
  const std::lock_guard<std::mutex> guard(registry.Lock);
  if (format < FirstRegisteredClipboardFormat) return {};
  const size_t index = format - FirstRegisteredClipboardFormat;
  return index < registry.Names.size() ? registry.Names[index] : std::string();
}

std::string ClipboardFormatMimeType(uint32_t format) {
  const std::string name = GetClipboardFormatName(format);
  if (name.empty()) return {};
  // MIME subtypes take no spaces; the name's letters are kept so that the type reads as it.
  std::string subtype;
  for (unsigned char c : name)
    subtype += std::isalnum(c) || c == '-' || c == '.' ? static_cast<char>(c) : '-';
  return "application/x-calmora-" + subtype;
}

}  // namespace calmora::platform
