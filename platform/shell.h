// Opening a web page or a mail address with the desktop's default handler.
#pragma once

#include <functional>
#include <string>

namespace calmora::platform {

// A hook receives the address in place of the desktop (tests); it gives success.
using ShellHook = std::function<bool(const std::string&)>;
ShellHook SetShellHook(ShellHook hook);

// Opens url ("https://...", "mailto:...") with the handler the desktop has for it.
bool OpenWithDefaultHandler(const std::string& url);

}  // namespace calmora::platform
