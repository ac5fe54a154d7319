// The error manager: codec errors leave libjpeg by longjmp to the guarded call that made it,
// warnings are counted, and message codes become short texts without their arguments.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_glue.h"

namespace calmora {

namespace {

// The first codes of the table are the ones with texts; later ones are all "Corrupted".
constexpr int32_t kTextedCodes = 124;

// A printf format with every conversion replaced by "?" ("%%" stays a percent sign).
std::string WithoutConversions(const char* format) {
  std::string text;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') {
      text += *p;
      continue;
    }
    if (p[1] == '%') {
      text += '%';
      ++p;
      continue;
    }
    ++p;
    while (*p && std::strchr("-+ #0123456789.lhzjt", *p)) ++p;
    text += '?';
    if (!*p) break;
  }
  return text;
}

const std::vector<std::string>& MessageTexts() {
  static const std::vector<std::string> texts = [] {
    jpeg_error_mgr standard;
    jpeg_std_error(&standard);
    std::vector<std::string> all(kTextedCodes);
    for (int32_t code = 0; code < kTextedCodes && code <= standard.last_jpeg_message; ++code) {
      const char* format = standard.jpeg_message_table[code];
      all[code] = format ? WithoutConversions(format) : std::string();
    }
    // The copyright and version lines say nothing about a failure.
    all[JMSG_COPYRIGHT].clear();
    all[JMSG_VERSION].clear();
    // Lines of bare numbers (table dumps) have no words to keep.
    all[JTRC_HUFFBITS] = "?";
    all[JTRC_QUANTVALS] = "?";
    return all;
  }();
  return texts;
}

}  // namespace

std::string JPEGMessageText(int32_t Code) {
  if (Code < 0 || Code >= kTextedCodes) return "Corrupted";
  return MessageTexts()[Code];
}

void JPEGErrorExit(j_common_ptr Info) {
  auto* manager = reinterpret_cast<JPEGErrorManager*>(Info->err);
  if (manager->Aborting) *manager->Aborting = true;
  if (Info->err->msg_code == kJPEGTooFewScanlines) return;
  // Every call into libjpeg is guarded, so a jump target is always there; without one the
  // only safe way is not to go back into the library.
  if (!manager->Jump) std::abort();
  std::longjmp(*manager->Jump, 1);
}

void JPEGEmitMessage(j_common_ptr Info, int Level) {
  if (Level != -1) return;
  ++Info->err->num_warnings;
  reinterpret_cast<JPEGErrorManager*>(Info->err)->LastWarningCode = Info->err->msg_code;
}

void JPEGOutputMessage(j_common_ptr) {}

void JPEGFormatMessage(j_common_ptr, char* Buffer) {
  if (Buffer) Buffer[0] = '\0';
}

void JPEGResetErrorManager(j_common_ptr Info) {
  Info->err->num_warnings = 0;
  Info->err->msg_code = 0;
}

JPEGErrorManager MakeJPEGErrorManager(bool* Aborting) {
  JPEGErrorManager manager;
  std::memset(&manager, 0, sizeof manager);
  manager.Base.error_exit = JPEGErrorExit;
  manager.Base.emit_message = JPEGEmitMessage;
  manager.Base.output_message = JPEGOutputMessage;
  manager.Base.format_message = JPEGFormatMessage;
  manager.Base.reset_error_mgr = JPEGResetErrorManager;
  manager.Aborting = Aborting;
  manager.Jump = nullptr;
  manager.LastWarningCode = 0;
  return manager;
}

bool JPEGGuardedCall(JPEGErrorManager& Manager, void (*Call)(void*), void* Context) {
  std::jmp_buf jump;
  JPEGErrorManager* volatile manager = &Manager;
  std::jmp_buf* volatile previous = Manager.Jump;
  Manager.Jump = &jump;
  if (setjmp(jump) != 0) {
    manager->Jump = previous;
    return false;
  }
  Call(Context);
  manager->Jump = previous;
  return true;
}

}  // namespace calmora
