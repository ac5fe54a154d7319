// TPVIOThread, the worker that runs one load or save of the I/O component on a thread of its
// own in asynchronous mode: the work item it runs (its kind and its call), and how it enters
// and leaves the owner's worker list.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace calmora {

class TPictavoIO;
class TStream;

// What a worker stands for, by the shape of the published method handed over.
enum class TPVIOWorkKind : uint8_t {
  kFileProc = 0,       // procedure(file name): file loads and saves
  kStreamProc = 1,     // procedure(stream): stream loads and saves
  kFileFunc = 2,       // function(file name): count, the GIF and TIFF file loads
  kThreadProc = 3,     // procedure(thread); no method of that shape is handed over
  kStreamFunc = 4,     // function(stream): count, their stream forms
  kFileIntProc = 5,    // procedure(file name, integer): LoadFromFileFormat
  kStreamIntProc = 6,  // procedure(stream, integer): LoadFromStreamFormat, SaveToStream
  kIntWordProc = 7,    // procedure(integer, word); likewise
  kIntProc = 8,        // procedure(integer): LoadFromAVI
  kMetafileProc = 9,   // procedure(file name, integer, integer, boolean): ImportMetafile
  kURLProc = 10,       // procedure(URL): LoadFromURL
};

// One piece of work for a worker: the kind of the published method it stands for (which callers
// may look at on the worker) and the call, which runs the method's work in place.
struct TPVIOWorkItem {
  TPVIOWorkKind Kind = TPVIOWorkKind::kFileProc;
  std::function<void(TPictavoIO&)> Call;
};

// A worker is listed in its owner's Workers before its thread starts and unlists itself when
// its call has ended, then frees itself; nobody else deletes it. A stream a call names is the
// caller's.
class TPVIOThread {
 public:
  // Lists a worker for the item and starts it; false (and nothing runs) when no thread could be
  // started.
  static bool Start(TPictavoIO* Owner, TPVIOWorkItem Item);

  // Starts the thread of a listed worker that has none yet; the caller holds the owner's
  // WorkersLock.
  void Resume();

  TPictavoIO* const Owner;
  const TPVIOWorkKind Kind;
  // Set by the worker's own thread, under the owner's lock, before it calls the method.
  std::thread::id ThreadId;

 private:
  TPVIOThread(TPictavoIO* owner, TPVIOWorkItem item)
      : Owner(owner), Kind(item.Kind), call_(std::move(item.Call)) {}
  TPVIOThread(const TPVIOThread&) = delete;
  TPVIOThread& operator=(const TPVIOThread&) = delete;
  ~TPVIOThread() = default;

  // The thread's body: the call, any exception turned into the owner's Aborting, then the
  // worker leaves the list and frees itself.
  void Run();

  bool started_ = false;
  const std::function<void(TPictavoIO&)> call_;
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

}  // namespace calmora
