// Modal message boxes: the system's box (owner, text, title, icon, an OK button) and the
// toolkit's simple message. Tests replace the real boxes through a hook.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace calmora::platform {

enum class MessageIcon { kNone, kError, kExclamation, kInformation };

constexpr int kIdOk = 1;  // the answer of a box with only an OK button

struct MessageBoxRequest {
  QWidget* Owner = nullptr;
  std::string Text;
  std::string Title;
  MessageIcon Icon = MessageIcon::kNone;
  bool Simple = false;  // the toolkit's simple message box (no icon, the application's title)
};

// A hook answers a request in place of showing a box; it gives the button pressed.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Installs a hook (an empty one restores the real boxes); gives the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows a modal box with an OK button over owner (or over the screen when owner is null)
// and gives the button pressed.
int MessageBox(QWidget* owner, const std::string& text, const std::string& title,
               MessageIcon icon);

// The toolkit's simple message box: the text, the application's title, an OK button.
void ShowMessage(const std::string& text);

// What the toolkit shows for an error that reached it unhandled: the error's text, the
// application's title, the error icon and an OK button.
void ShowException(QWidget* owner, const std::string& text);

// Records every box requested while it lives and answers each with OK without showing
// anything; OnRequest (optional) runs while the "box" would be on screen.
class MessageBoxLog {
 public:
  MessageBoxLog();
  ~MessageBoxLog();
  MessageBoxLog(const MessageBoxLog&) = delete;
  MessageBoxLog& operator=(const MessageBoxLog&) = delete;

  const std::vector<MessageBoxRequest>& Requests() const { return requests_; }
  std::vector<std::string> Texts() const;
  void Clear() { requests_.clear(); }

  std::function<void(const MessageBoxRequest&)> OnRequest;

 private:
  std::vector<MessageBoxRequest> requests_;
  MessageBoxHook previous_;
};

}  // namespace calmora::platform
