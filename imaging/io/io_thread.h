// TPVIOThread, the worker that runs one load or save of the I/O component on a thread of its
// own in asynchronous mode: what it calls (its work kind, the owner's method and its
// arguments), and how it enters and leaves the owner's worker list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

class TPictavoIO;
class TStream;

// What a worker calls, by the shape of the owner's method.
enum class TPVIOWorkKind : uint8_t {
  kFileProc = 0,       // procedure(file name): file loads and saves
  kStreamProc = 1,     // procedure(stream): stream loads and saves
  kFileFunc = 2,       // function(file name): count, the GIF and TIFF file loads
  kThreadProc = 3,     // procedure(thread); nothing makes such a worker
  kStreamFunc = 4,     // function(stream): count, their stream forms
  kFileIntProc = 5,    // procedure(file name, integer): LoadFromFileFormat
  kStreamIntProc = 6,  // procedure(stream, integer): LoadFromStreamFormat, SaveToStream
  kIntWordProc = 7,    // procedure(integer, word); nothing makes such a worker
  kIntProc = 8,        // procedure(integer): LoadFromAVI
  kMetafileProc = 9,   // procedure(file name, integer, integer, boolean): ImportMetafile
  kURLProc = 10,       // procedure(URL): LoadFromURL
};

// The owner's methods by kind. The owner comes first, so a pointer to a member (virtual ones
// reach a descendant's override) or a call that fixes a format id both fit.
using TPVIOFileProc = std::function<void(TPictavoIO&, const std::u16string&)>;
using TPVIOStreamProc = std::function<void(TPictavoIO&, TStream*)>;
using TPVIOFileFunc = std::function<int32_t(TPictavoIO&, const std::u16string&)>;
using TPVIOStreamFunc = std::function<int32_t(TPictavoIO&, TStream*)>;
using TPVIOFileIntProc = std::function<void(TPictavoIO&, const std::u16string&, int32_t)>;
using TPVIOStreamIntProc = std::function<void(TPictavoIO&, TStream*, int32_t)>;
using TPVIOIntProc = std::function<void(TPictavoIO&, uint32_t)>;
using TPVIOMetafileProc =
    std::function<void(TPictavoIO&, const std::u16string&, int32_t, int32_t, bool)>;
using TPVIOURLProc = std::function<void(TPictavoIO&, const std::u16string&)>;

// A worker is listed in its owner's Workers before its thread starts and unlists itself when
// its call has ended, then frees itself; nobody else deletes it. Each constructor answers
// false (and nothing runs) when no thread could be started. The stream is the caller's.
class TPVIOThread {
 public:
  static bool CreateFileProc(TPictavoIO* Owner, const std::u16string& FileName,
                             TPVIOFileProc Method);
  static bool CreateStreamProc(TPictavoIO* Owner, TStream* Stream, TPVIOStreamProc Method);
  static bool CreateFileFunc(TPictavoIO* Owner, const std::u16string& FileName,
                             TPVIOFileFunc Method);
  static bool CreateStreamFunc(TPictavoIO* Owner, TStream* Stream, TPVIOStreamFunc Method);
  static bool CreateFileIntProc(TPictavoIO* Owner, const std::u16string& FileName, int32_t Value,
                                TPVIOFileIntProc Method);
  static bool CreateStreamIntProc(TPictavoIO* Owner, TStream* Stream, int32_t Value,
                                  TPVIOStreamIntProc Method);
  static bool CreateIntProc(TPictavoIO* Owner, uint32_t Value, TPVIOIntProc Method);
  static bool CreateMetafileProc(TPictavoIO* Owner, const std::u16string& FileName, int32_t Width,
                                 int32_t Height, bool Flag, TPVIOMetafileProc Method);
  static bool CreateURLProc(TPictavoIO* Owner, const std::u16string& URL, TPVIOURLProc Method);

  // Starts the thread of a listed worker that has none yet; the caller holds the owner's
  // WorkersLock.
  void Resume();

  TPictavoIO* const Owner;
  const TPVIOWorkKind Kind;
  // Set by the worker's own thread, under the owner's lock, before it calls the method.
  std::thread::id ThreadId;

 private:
  TPVIOThread(TPictavoIO* owner, TPVIOWorkKind kind) : Owner(owner), Kind(kind) {}
  TPVIOThread(const TPVIOThread&) = delete;
  TPVIOThread& operator=(const TPVIOThread&) = delete;
  ~TPVIOThread() = default;

  // Lists the worker and starts it; false (the worker freed) when the thread cannot start.
  static bool Start(TPVIOThread* Worker);
  // The thread's body: the call, any exception turned into the owner's Aborting, then the
  // worker leaves the list and frees itself.
  void Run();
  // Calls the method of its kind with its arguments; a function's count is dropped.
  void Execute();

  bool started_ = false;
  // Only the method of the worker's kind is set.
  TPVIOFileProc fileProc_;
  TPVIOStreamProc streamProc_;
  TPVIOFileFunc fileFunc_;
  TPVIOStreamFunc streamFunc_;
  TPVIOFileIntProc fileIntProc_;
  TPVIOStreamIntProc streamIntProc_;
  TPVIOIntProc intProc_;
  TPVIOMetafileProc metafileProc_;
  TPVIOURLProc urlProc_;
  // The arguments of its kind.
  std::u16string fileName_;
  TStream* stream_ = nullptr;
  int32_t value1_ = 0;
  int32_t value2_ = 0;
  bool flag_ = false;
  std::u16string url_;
};

// Keeps a component's loads and saves on the calling thread for its scope, whatever the mode:
// for the calls that give one a stream that lives only as long as they do (a buffer's wrapper,
// an encoding read back at once), which a worker would read after it is gone.
class TPVInPlaceScope {
 public:
  explicit TPVInPlaceScope(TPictavoIO& IO);
  ~TPVInPlaceScope();
  TPVInPlaceScope(const TPVInPlaceScope&) = delete;
  TPVInPlaceScope& operator=(const TPVInPlaceScope&) = delete;

 private:
  TPictavoIO& io_;
  bool savedMode_;
};

// The seam's adapters (TPictavoIO::HandedToWorker): a method of the owner and its arguments
// become a worker of the method's kind. A format id before the arguments names the per-format
// method of that format (the sequence behind it, called with the id), of that method's kind.
// False when no worker could be started.
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(const std::u16string&),
                 const std::u16string& FileName);
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TStream*), TStream* Stream);
bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(const std::u16string&),
                 const std::u16string& FileName);
bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(TStream*), TStream* Stream);
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(const std::u16string&, int32_t),
                 const std::u16string& FileName, int32_t Value);
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TStream*, int32_t),
                 TStream* Stream, int32_t Value);
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(uint32_t), uint32_t Value);
bool StartWorker(TPictavoIO* Owner,
                 void (TPictavoIO::*Method)(const std::u16string&, int32_t, int32_t, bool),
                 const std::u16string& FileName, int32_t Width, int32_t Height, bool Flag);
bool StartWorker(TPictavoIO* Owner,
                 int32_t (TPictavoIO::*Method)(TPVFileFormatId, const std::u16string&),
                 TPVFileFormatId Id, const std::u16string& FileName);
bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(TPVFileFormatId, TStream*),
                 TPVFileFormatId Id, TStream* Stream);
bool StartWorker(TPictavoIO* Owner,
                 void (TPictavoIO::*Method)(TPVFileFormatId, const std::u16string&),
                 TPVFileFormatId Id, const std::u16string& FileName);
bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TPVFileFormatId, TStream*),
                 TPVFileFormatId Id, TStream* Stream);

}  // namespace calmora
