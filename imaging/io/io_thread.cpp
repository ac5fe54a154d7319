// The I/O component's workers: the thread's life from the owner's list back out of it, and the
// component's side of the asynchronous mode (the hand-over, InWorkerThread, ResumeThreads,
// WaitThreads).
#include "imaging/io/io_thread.h"

#include <algorithm>
#include <system_error>

#include "imaging/io/formats/format_description.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

// ---- The worker ----

bool TPVIOThread::Start(TPictavoIO* Owner, TPVIOWorkItem Item) {
  auto* worker = new TPVIOThread(Owner, std::move(Item));
  TPictavoIO& owner = *Owner;
  std::lock_guard<std::mutex> lock(owner.WorkersLock);
  owner.Workers.push_back(worker);
  try {
    worker->Resume();
  } catch (const std::system_error&) {
    // No thread to be had: the worker leaves before anyone waited for it.
    owner.Workers.pop_back();
    delete worker;
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
    call_(owner);
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

// ---- The component's side ----

TPVInPlaceScope::TPVInPlaceScope(TPictavoIO& IO)
    : io_(IO), savedMode_(IO.AsyncMode.exchange(false)) {}

TPVInPlaceScope::~TPVInPlaceScope() { io_.AsyncMode = savedMode_; }

bool TPictavoIO::HandsOverWork() { return AsyncMode && !OwnsWorkBitmap && !InWorkerThread(); }

bool TPictavoIO::HandedToWorker(TPVIOWorkKind Kind, std::function<void(TPictavoIO&)> Call) {
  return HandsOverWork() && TPVIOThread::Start(this, {Kind, std::move(Call)});
}

bool TPictavoIO::HandedURLToWorker(void (TPictavoIO::*Method)(const std::u16string&),
                                   const std::u16string& URL) {
  return HandedToWorker(TPVIOWorkKind::kURLProc,
                        [Method, URL](TPictavoIO& IO) { (IO.*Method)(URL); });
}

TPVIOWorkKind TPictavoIO::FormatLoadKind(TPVFileFormatId Id, bool FromFile) {
  const TPVFormatDescription* format = FormatDescriptionOf(Id);
  const bool answersCount = format != nullptr && format->LoadAnswersCount;
  if (FromFile) return answersCount ? TPVIOWorkKind::kFileFunc : TPVIOWorkKind::kFileProc;
  return answersCount ? TPVIOWorkKind::kStreamFunc : TPVIOWorkKind::kStreamProc;
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
