// Message boxes over QMessageBox, with the hook that lets tests see and answer them.
#include "platform/message_box.h"

#include <QMessageBox>
#include <QString>
#include <utility>

#include "platform/application.h"

namespace calmora::platform {

namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

QMessageBox::Icon ToolkitIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

std::string ApplicationTitle() {
  const Application* application = Application::Instance();
  return application != nullptr ? application->Title() : Application::ExecutableName();
}

int Show(const MessageBoxRequest& request) {
  if (Hook()) return Hook()(request);
  QMessageBox box(ToolkitIcon(request.Icon), QString::fromStdString(request.Title),
                  QString::fromStdString(request.Text), QMessageBox::Ok, request.Owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
  return kIdOk;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

int MessageBox(QWidget* owner, const std::string& text, const std::string& title,
               MessageIcon icon) {
  return Show({owner, text, title, icon, false});
}

void ShowMessage(const std::string& text) {
  Show({nullptr, text, ApplicationTitle(), MessageIcon::kNone, true});
}

void ShowException(QWidget* owner, const std::string& text) {
  Show({owner, text, ApplicationTitle(), MessageIcon::kError, false});
}

MessageBoxLog::MessageBoxLog() {
  previous_ = SetMessageBoxHook([this](const MessageBoxRequest& request) {
    requests_.push_back(request);
    if (OnRequest) OnRequest(request);
    return kIdOk;
  });
}

MessageBoxLog::~MessageBoxLog() { SetMessageBoxHook(std::move(previous_)); }

std::vector<std::string> MessageBoxLog::Texts() const {
  std::vector<std::string> texts;
  for (const MessageBoxRequest& request : requests_) texts.push_back(request.Text);
  return texts;
}

}  // namespace calmora::platform
