// The I/O component's workers: their nine constructors, the thread's life from the owner's
// list back out of it, and the component's side of the asynchronous mode (the hand-over test,
// InWorkerThread, ResumeThreads, WaitThreads).
#include "imaging/io/io_thread.h"

#include <algorithm>
#include <system_error>

#include "imaging/io/formats/format_description.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

// ---- The worker ----

bool TPVIOThread::Start(TPVIOThread* Worker) {
  TPictavoIO& owner = *Worker->Owner;
  std::lock_guard<std::mutex> lock(owner.WorkersLock);
  owner.Workers.push_back(Worker);
  try {
    Worker->Resume();
  } catch (const std::system_error&) {
    // No thread to be had: the worker leaves before anyone waited for it.
    owner.Workers.pop_back();
    delete Worker;
    return false;
  }
  return true;
}

void TPVIOThread::Resume() {
  if (started_) return;
  std::thread(&TPVIOThread::Run, this).detach();
  started_ = true;
}

void TPVIOThread::Run() {
  TPictavoIO& owner = *Owner;
  {
    std::lock_guard<std::mutex> lock(owner.WorkersLock);
    ThreadId = std::this_thread::get_id();
  }
  try {
    Execute();
  } catch (...) {
    owner.Aborting = true;
  }
  {
    std::lock_guard<std::mutex> lock(owner.WorkersLock);
    owner.Workers.erase(std::find(owner.Workers.begin(), owner.Workers.end(), this));
    // Signalled under the lock: a waiter can only wake, and destroy the owner, once the lock
    // is released below, and nothing of the owner is touched after that.
    owner.WorkerLeft.notify_all();
  }
  delete this;
}

void TPVIOThread::Execute() {
  TPictavoIO& owner = *Owner;
  switch (Kind) {
    case TPVIOWorkKind::kFileProc:
      fileProc_(owner, fileName_);
      break;
    case TPVIOWorkKind::kStreamProc:
      streamProc_(owner, stream_);
      break;
    case TPVIOWorkKind::kFileFunc:
      fileFunc_(owner, fileName_);
      break;
    case TPVIOWorkKind::kStreamFunc:
      streamFunc_(owner, stream_);
      break;
    case TPVIOWorkKind::kFileIntProc:
      fileIntProc_(owner, fileName_, value1_);
      break;
    case TPVIOWorkKind::kStreamIntProc:
      streamIntProc_(owner, stream_, value1_);
      break;
    case TPVIOWorkKind::kIntProc:
      intProc_(owner, static_cast<uint32_t>(value1_));
      break;
    case TPVIOWorkKind::kMetafileProc:
      metafileProc_(owner, fileName_, value1_, value2_, flag_);
      break;
    case TPVIOWorkKind::kURLProc:
      urlProc_(owner, url_);
      break;
    case TPVIOWorkKind::kThreadProc:
    case TPVIOWorkKind::kIntWordProc:
      break;  // no constructor makes these
  }
}

// ---- The nine constructors ----

bool TPVIOThread::CreateFileProc(TPictavoIO* Owner, const std::u16string& FileName,
                                 TPVIOFileProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kFileProc);
  worker->fileName_ = FileName;
  worker->fileProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateStreamProc(TPictavoIO* Owner, TStream* Stream, TPVIOStreamProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kStreamProc);
  worker->stream_ = Stream;
  worker->streamProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateFileFunc(TPictavoIO* Owner, const std::u16string& FileName,
                                 TPVIOFileFunc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kFileFunc);
  worker->fileName_ = FileName;
  worker->fileFunc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateStreamFunc(TPictavoIO* Owner, TStream* Stream, TPVIOStreamFunc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kStreamFunc);
  worker->stream_ = Stream;
  worker->streamFunc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateFileIntProc(TPictavoIO* Owner, const std::u16string& FileName,
                                    int32_t Value, TPVIOFileIntProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kFileIntProc);
  worker->fileName_ = FileName;
  worker->value1_ = Value;
  worker->fileIntProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateStreamIntProc(TPictavoIO* Owner, TStream* Stream, int32_t Value,
                                      TPVIOStreamIntProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kStreamIntProc);
  worker->stream_ = Stream;
  worker->value1_ = Value;
  worker->streamIntProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateIntProc(TPictavoIO* Owner, uint32_t Value, TPVIOIntProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kIntProc);
  worker->value1_ = static_cast<int32_t>(Value);
  worker->intProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateMetafileProc(TPictavoIO* Owner, const std::u16string& FileName,
                                     int32_t Width, int32_t Height, bool Flag,
                                     TPVIOMetafileProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kMetafileProc);
  worker->fileName_ = FileName;
  worker->value1_ = Width;
  worker->value2_ = Height;
  worker->flag_ = Flag;
  worker->metafileProc_ = std::move(Method);
  return Start(worker);
}

bool TPVIOThread::CreateURLProc(TPictavoIO* Owner, const std::u16string& URL,
                                TPVIOURLProc Method) {
  auto* worker = new TPVIOThread(Owner, TPVIOWorkKind::kURLProc);
  worker->url_ = URL;
  worker->urlProc_ = std::move(Method);
  return Start(worker);
}

// ---- The seam's adapters ----

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(const std::u16string&),
                 const std::u16string& FileName) {
  return TPVIOThread::CreateFileProc(Owner, FileName, Method);
}

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TStream*), TStream* Stream) {
  return TPVIOThread::CreateStreamProc(Owner, Stream, Method);
}

bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(const std::u16string&),
                 const std::u16string& FileName) {
  return TPVIOThread::CreateFileFunc(Owner, FileName, Method);
}

bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(TStream*), TStream* Stream) {
  return TPVIOThread::CreateStreamFunc(Owner, Stream, Method);
}

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(const std::u16string&, int32_t),
                 const std::u16string& FileName, int32_t Value) {
  return TPVIOThread::CreateFileIntProc(Owner, FileName, Value, Method);
}

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TStream*, int32_t),
                 TStream* Stream, int32_t Value) {
  return TPVIOThread::CreateStreamIntProc(Owner, Stream, Value, Method);
}

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(uint32_t), uint32_t Value) {
  return TPVIOThread::CreateIntProc(Owner, Value, Method);
}

bool StartWorker(TPictavoIO* Owner,
                 void (TPictavoIO::*Method)(const std::u16string&, int32_t, int32_t, bool),
                 const std::u16string& FileName, int32_t Width, int32_t Height, bool Flag) {
  return TPVIOThread::CreateMetafileProc(Owner, FileName, Width, Height, Flag, Method);
}

namespace {

// The per-format loads whose published method answers a count (TIFF's pages) get workers of the
// function kinds; the others are procedures, and their workers are of the procedure kinds.
bool AnswersCount(TPVFileFormatId Id) {
  const TPVFormatDescription* format = FormatDescriptionOf(Id);
  return format != nullptr && format->LoadAnswersCount;
}

}  // namespace

bool StartWorker(TPictavoIO* Owner,
                 int32_t (TPictavoIO::*Method)(TPVFileFormatId, const std::u16string&),
                 TPVFileFormatId Id, const std::u16string& FileName) {
  auto load = [Method, Id](TPictavoIO& IO, const std::u16string& Name) {
    return (IO.*Method)(Id, Name);
  };
  return AnswersCount(Id) ? TPVIOThread::CreateFileFunc(Owner, FileName, load)
                          : TPVIOThread::CreateFileProc(Owner, FileName, load);
}

bool StartWorker(TPictavoIO* Owner, int32_t (TPictavoIO::*Method)(TPVFileFormatId, TStream*),
                 TPVFileFormatId Id, TStream* Stream) {
  auto load = [Method, Id](TPictavoIO& IO, TStream* Source) { return (IO.*Method)(Id, Source); };
  return AnswersCount(Id) ? TPVIOThread::CreateStreamFunc(Owner, Stream, load)
                          : TPVIOThread::CreateStreamProc(Owner, Stream, load);
}

bool StartWorker(TPictavoIO* Owner,
                 void (TPictavoIO::*Method)(TPVFileFormatId, const std::u16string&),
                 TPVFileFormatId Id, const std::u16string& FileName) {
  return TPVIOThread::CreateFileProc(
      Owner, FileName,
      [Method, Id](TPictavoIO& IO, const std::u16string& Name) { (IO.*Method)(Id, Name); });
}

bool StartWorker(TPictavoIO* Owner, void (TPictavoIO::*Method)(TPVFileFormatId, TStream*),
                 TPVFileFormatId Id, TStream* Stream) {
  return TPVIOThread::CreateStreamProc(
      Owner, Stream, [Method, Id](TPictavoIO& IO, TStream* Target) { (IO.*Method)(Id, Target); });
}

// ---- The component's side ----

TPVInPlaceScope::TPVInPlaceScope(TPictavoIO& IO)
    : io_(IO), savedMode_(IO.AsyncMode.exchange(false)) {}

TPVInPlaceScope::~TPVInPlaceScope() { io_.AsyncMode = savedMode_; }

bool TPictavoIO::HandsOverWork() { return AsyncMode && !OwnsWorkBitmap && !InWorkerThread(); }

bool TPictavoIO::HandedURLToWorker(void (TPictavoIO::*Method)(const std::u16string&),
                                   const std::u16string& URL) {
  return HandsOverWork() && TPVIOThread::CreateURLProc(this, URL, Method);
}

bool TPictavoIO::InWorkerThread() {
  const std::thread::id current = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(WorkersLock);
  return std::any_of(Workers.begin(), Workers.end(),
                     [current](const TPVIOThread* Worker) { return Worker->ThreadId == current; });
}

void TPictavoIO::ResumeThreads() {
  std::lock_guard<std::mutex> lock(WorkersLock);
  for (TPVIOThread* worker : Workers) worker->Resume();
}

void TPictavoIO::WaitThreads(bool SetAborting) {
  std::unique_lock<std::mutex> lock(WorkersLock);
  for (TPVIOThread* worker : Workers) worker->Resume();
  if (SetAborting) Aborting = true;
  // A worker whose method waits for the workers does not wait for itself.
  const std::thread::id current = std::this_thread::get_id();
  const auto isCaller = [current](const TPVIOThread* Worker) {
    return Worker->ThreadId == current;
  };
  WorkerLeft.wait(lock, [&] { return std::all_of(Workers.begin(), Workers.end(), isCaller); });
}

}  // namespace calmora
