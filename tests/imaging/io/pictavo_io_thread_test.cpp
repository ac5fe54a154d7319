// The I/O component's asynchronous mode: when a load or save is handed to a worker and of which
// kind, what reaches the view on the GUI thread, failures inside a worker, waiting for workers
// (also by the destructor), and the work kinds whose methods other units provide.
#include <gtest/gtest.h>

#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/raw_bitmap_stream.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "platform/posted_messages.h"
#include "tests/imaging/io/formats/raw_bitmap_format.h"
#include "tests/imaging/support/fake_pictavo_view.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

constexpr TPVFileFormatId kRawId = 100;

// The kind of the worker the calling thread is, or -1 on any other thread.
int CurrentWorkKind(TPictavoIO& IO) {
  std::lock_guard<std::mutex> lock(IO.WorkersLock);
  for (const TPVIOThread* worker : IO.Workers)
    if (worker->ThreadId == std::this_thread::get_id()) return static_cast<int>(worker->Kind);
  return -1;
}

// What the fake readers and writers do and what they saw. A closed gate holds a reader until
// the test opens it.
struct FakeCodecs {
  std::mutex Lock;
  std::condition_variable Changed;
  bool GateOpen = true;
  bool ReaderEntered = false;
  bool ReaderLeft = false;
  bool Throws = false;
  TPictavoIO* Watched = nullptr;  // whose worker kind the codecs record
  std::vector<int> Kinds;
  std::vector<std::thread::id> Threads;

  void Entered() {
    std::unique_lock<std::mutex> lock(Lock);
    ReaderEntered = true;
    Threads.push_back(std::this_thread::get_id());
    if (Watched != nullptr) Kinds.push_back(CurrentWorkKind(*Watched));
    Changed.notify_all();
    Changed.wait(lock, [this] { return GateOpen; });
    if (Throws) throw std::runtime_error("damaged data");
  }
  void Left() {
    std::lock_guard<std::mutex> lock(Lock);
    ReaderLeft = true;
  }
  void WaitUntilEntered() {
    std::unique_lock<std::mutex> lock(Lock);
    Changed.wait(lock, [this] { return ReaderEntered; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(Lock);
    GateOpen = true;
    Changed.notify_all();
  }
};
FakeCodecs* Codecs = nullptr;

void RegistryRead(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&, bool,
                  TPVProgressRecord& Progress) {
  Codecs->Entered();
  if (!Bitmap->LoadRawFromStream(Stream)) *Progress.Aborting = true;
  Codecs->Left();
}
void RegistryWrite(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&, TPVProgressRecord&) {
  Codecs->Entered();
  Bitmap->SaveRawToStream(Stream);
  Codecs->Left();
}
int32_t BuiltInRead(TStream&, TPVBitmap& Bitmap, TIOParamsVals&, bool, TPVProgressRecord&,
                    std::unique_ptr<TPVMask>&) {
  Codecs->Entered();
  Bitmap.Allocate(2, 2, pv24RGB);
  Codecs->Left();
  return 3;
}
void BuiltInWrite(TStream& Stream, TPVBitmap&, TIOParamsVals&, TPVProgressRecord&,
                  const TPVMask*) {
  Codecs->Entered();
  Stream.WriteBuffer("IMG", 3);
  Codecs->Left();
}

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

// The raw bitmap stream registered as an outside format, built-in fakes for every id, a small
// picture as raw bytes and as a file, and a caller's bitmap (so that the mode applies).
class AsyncMode : public ::testing::Test {
 protected:
  void SetUp() override {
    Codecs = &fakes_;
    BuildFileFormatRegistry();
    auto entry = std::make_unique<TPVFileFormatInfo>();
    entry->FileType = kRawId;
    entry->Extensions = "RWT";
    entry->ReadProc = RegistryRead;
    entry->WriteProc = RegistryWrite;
    entry->TestProc = test::RawBitmapTest;
    RegisterFileFormat(std::move(entry));
    TPVBitmap picture;
    ASSERT_TRUE(picture.Allocate(3, 2, pv24RGB));
    picture.Fill(0x405060);
    TMemoryStream raw;
    ASSERT_TRUE(picture.SaveRawToStream(&raw));
    rawBytes_.assign(static_cast<const char*>(raw.GetMemory()),
                     static_cast<size_t>(raw.GetSize()));
    std::ofstream(rawFile_, std::ios::binary) << rawBytes_;
    std::ofstream(builtInFile_, std::ios::binary) << "any bytes";
  }
  void TearDown() override {
    FreeFileFormatRegistry();
    Codecs = nullptr;
  }
  static std::array<TPVCodecEntry, kCodecTableSize> FakeTable() {
    std::array<TPVCodecEntry, kCodecTableSize> table{};
    for (TPVCodecEntry& entry : table) entry = {BuiltInRead, BuiltInWrite};
    return table;
  }
  // An asynchronous component working on the caller's bitmap.
  void MakeAsync(TPictavoIO& io) {
    io.SetAttachedBitmap(&callersBitmap_);
    io.SetAsyncModeForTests(true);
  }
  TPVMemStream RawStream() { return {rawBytes_.data(), static_cast<int64_t>(rawBytes_.size())}; }

  FakeCodecs fakes_;
  ScopedOverride<std::array<TPVCodecEntry, kCodecTableSize>> codecs_{CodecTable, FakeTable()};
  ScratchFolder folder_{"calmora-io-thread"};
  const std::string rawFile_ = folder_.File("picture.rwt");
  const std::string builtInFile_ = folder_.File("picture.bin");
  std::string rawBytes_;
  TPVBitmap callersBitmap_;
};

TEST_F(AsyncMode, OffByDefaultNothingIsHandedOver) {
  TPictavoIO io(nullptr);
  EXPECT_FALSE(io.GetAsyncMode());
  io.SetAttachedBitmap(&callersBitmap_);
  fakes_.Watched = &io;
  TPVMemStream stream = RawStream();
  io.LoadFromStream(&stream);
  EXPECT_EQ(io.LoadFromStreamTIFF(&stream), 3);
  EXPECT_FALSE(io.InWorkerThread());
  EXPECT_TRUE(io.Workers.empty());
  EXPECT_EQ(fakes_.Kinds, (std::vector<int>{-1, -1}));
  EXPECT_EQ(fakes_.Threads, (std::vector<std::thread::id>(2, std::this_thread::get_id())));
  EXPECT_EQ(callersBitmap_.GetWidth(), 2);  // the TIFF fake's picture
}

// Asynchronous mode with the component's own bitmap: every load runs on the caller's thread.
TEST_F(AsyncMode, TheComponentsOwnBitmapIsNeverHandedOver) {
  TPictavoIO io(nullptr);
  io.SetAsyncModeForTests(true);
  TPVMemStream stream = RawStream();
  io.LoadFromStream(&stream);
  EXPECT_EQ(fakes_.Threads, (std::vector<std::thread::id>{std::this_thread::get_id()}));
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 3);
  EXPECT_TRUE(io.Workers.empty());
}

// A load returns while its reader still waits; the worker is listed until it ends.
TEST_F(AsyncMode, ALoadReturnsAtOnceAndItsWorkerIsListedUntilItEnds) {
  TPictavoIO io(nullptr);
  MakeAsync(io);
  fakes_.GateOpen = false;
  TPVMemStream stream = RawStream();
  io.LoadFromStream(&stream);
  fakes_.WaitUntilEntered();
  {
    std::lock_guard<std::mutex> lock(io.WorkersLock);
    ASSERT_EQ(io.Workers.size(), 1u);
    EXPECT_EQ(io.Workers[0]->Kind, TPVIOWorkKind::kStreamProc);
    EXPECT_NE(io.Workers[0]->ThreadId, std::this_thread::get_id());
  }
  EXPECT_FALSE(io.InWorkerThread());
  fakes_.Open();
  io.WaitThreads(false);
  EXPECT_TRUE(io.Workers.empty());
  EXPECT_TRUE(fakes_.ReaderLeft);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(callersBitmap_.GetWidth(), 3);
}

// Which kind of worker each entry point makes, and that it runs on the worker.
TEST_F(AsyncMode, EachEntryPointHandsOverItsOwnKind) {
  struct Case {
    const char* name;
    std::function<void(TPictavoIO&, TStream&)> act;
    TPVIOWorkKind kind;
  };
  const std::u16string raw = Wide(rawFile_), builtIn = Wide(builtInFile_);
  const std::u16string out = Wide(folder_.File("out.rwt")), outJPEG = Wide(folder_.File("o.jpg"));
  const Case cases[] = {
      {"file load, registry", [&](TPictavoIO& io, TStream&) { io.LoadFromFile(raw); },
       TPVIOWorkKind::kFileProc},
      {"file load by id, registry",
       [&](TPictavoIO& io, TStream&) { io.LoadFromFileFormat(raw, kRawId); },
       TPVIOWorkKind::kFileIntProc},
      {"stream load, registry", [&](TPictavoIO& io, TStream& s) { io.LoadFromStream(&s); },
       TPVIOWorkKind::kStreamProc},
      {"stream load by id, registry",
       [&](TPictavoIO& io, TStream& s) { io.LoadFromStreamFormat(&s, kRawId); },
       TPVIOWorkKind::kStreamIntProc},
      {"file save, registry", [&](TPictavoIO& io, TStream&) { io.SaveToFile(out); },
       TPVIOWorkKind::kFileProc},
      {"stream save, registry", [&](TPictavoIO& io, TStream& s) { io.SaveToStream(&s, kRawId); },
       TPVIOWorkKind::kStreamIntProc},
      {"JPEG file load", [&](TPictavoIO& io, TStream&) { io.LoadFromFileJPEG(builtIn); },
       TPVIOWorkKind::kFileProc},
      {"JPEG stream load", [&](TPictavoIO& io, TStream& s) { io.LoadFromStreamJPEG(&s); },
       TPVIOWorkKind::kStreamProc},
      {"TIFF file load", [&](TPictavoIO& io, TStream&) { io.LoadFromFileTIFF(builtIn); },
       TPVIOWorkKind::kFileFunc},
      {"TIFF stream load", [&](TPictavoIO& io, TStream& s) { io.LoadFromStreamTIFF(&s); },
       TPVIOWorkKind::kStreamFunc},
      {"GIF file load", [&](TPictavoIO& io, TStream&) { io.LoadFromFileGIF(builtIn); },
       TPVIOWorkKind::kFileFunc},
      {"GIF stream load", [&](TPictavoIO& io, TStream& s) { io.LoadFromStreamGIF(&s); },
       TPVIOWorkKind::kStreamFunc},
      {"JPEG file save", [&](TPictavoIO& io, TStream&) { io.SaveToFile(outJPEG); },
       TPVIOWorkKind::kFileProc},
      {"JPEG stream save",
       [&](TPictavoIO& io, TStream& s) { io.SaveToStream(&s, kFormatJPEG); },
       TPVIOWorkKind::kStreamProc},
  };
  ASSERT_TRUE(callersBitmap_.Allocate(2, 2, pv24RGB));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fakes_.Kinds.clear();
    fakes_.Threads.clear();
    TPictavoIO io(nullptr);
    MakeAsync(io);
    fakes_.Watched = &io;
    TMemoryStream stream;
    stream.WriteBuffer(rawBytes_.data(), static_cast<int32_t>(rawBytes_.size()));
    stream.SetPosition(0);
    c.act(io, stream);
    io.WaitThreads(false);
    ASSERT_EQ(fakes_.Kinds.size(), 1u);
    EXPECT_EQ(fakes_.Kinds[0], static_cast<int>(c.kind));
    EXPECT_NE(fakes_.Threads[0], std::this_thread::get_id());
    EXPECT_FALSE(io.Aborting);
  }
}

// The count-answering loads answer -1 when handed over, their reader's count otherwise.
TEST_F(AsyncMode, CountingLoadsAnswerMinusOneWhenHandedOver) {
  struct Case {
    const char* name;
    std::function<int32_t(TPictavoIO&, TStream&)> load;
  };
  const std::u16string name = Wide(builtInFile_);
  const Case cases[] = {
      {"TIFF file", [&](TPictavoIO& io, TStream&) { return io.LoadFromFileTIFF(name); }},
      {"TIFF stream", [&](TPictavoIO& io, TStream& s) { return io.LoadFromStreamTIFF(&s); }},
      {"GIF file", [&](TPictavoIO& io, TStream&) { return io.LoadFromFileGIF(name); }},
      {"GIF stream", [&](TPictavoIO& io, TStream& s) { return io.LoadFromStreamGIF(&s); }},
  };
  for (const Case& c : cases) {
    for (bool async : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (async ? " handed over" : " in place"));
      TPictavoIO io(nullptr);
      io.SetAttachedBitmap(&callersBitmap_);
      io.SetAsyncModeForTests(async);
      TMemoryStream stream;
      stream.WriteBuffer("any bytes", 9);
      stream.SetPosition(0);
      const int32_t count = c.load(io, stream);
      io.WaitThreads(false);
      if (async)
        EXPECT_EQ(count, -1);
      else
        EXPECT_GE(count, 0);
    }
  }
}

// A view inside a window that records the component's posted messages as they arrive.
class ListeningView : public FakePictavoView {
 public:
  struct Arrival {
    uint32_t Message;
    intptr_t WParam;
    bool OnThisThread;
  };
  std::vector<Arrival> Arrivals;
  int ImageChanges = 0;
  size_t ArrivalsAtImageChange = 0;
  std::thread::id ImageChangeThread;

  void ImageChange() override {
    ++ImageChanges;
    ArrivalsAtImageChange = Arrivals.size();
    ImageChangeThread = std::this_thread::get_id();
  }

 protected:
  bool event(QEvent* Event) override {
    if (auto* message = dynamic_cast<platform::TPostedMessage*>(Event)) {
      Arrivals.push_back({message->Message(), message->WParam,
                          std::this_thread::get_id() == guiThread_});
      return true;
    }
    return FakePictavoView::event(Event);
  }

 private:
  std::thread::id guiThread_ = std::this_thread::get_id();
};

TEST_F(AsyncMode, ProgressAndFinishReachTheViewOnTheGUIThread) {
  QWidget window;
  ListeningView view;
  view.setParent(&window);
  TPictavoIO io(nullptr);
  io.SetAttachedPictavo(&view);
  io.SetAsyncModeForTests(true);
  int directCalls = 0;
  io.OnProgress = [&](TObject*, int) { ++directCalls; };
  io.OnFinishWork = [&](TObject*) { ++directCalls; };
  TPVMemStream stream = RawStream();

  io.LoadFromStream(&stream);
  io.WaitThreads(false);
  EXPECT_TRUE(view.Arrivals.empty());  // nothing is delivered before the GUI thread's loop runs
  ASSERT_TRUE(ProcessEventsUntil([&] {
    return !view.Arrivals.empty() && view.Arrivals.back().Message == PVM_IOFINISHWORK;
  }));
  ProcessEventsUntil([] { return false; }, 50);  // anything more that was posted

  ASSERT_EQ(view.Arrivals.size(), 3u);
  EXPECT_EQ(view.Arrivals[0].Message, PVM_IOUPDATE);
  EXPECT_EQ(view.Arrivals[1].Message, PVM_IOPROGRESS);
  EXPECT_EQ(view.Arrivals[1].WParam, 100);
  EXPECT_EQ(view.Arrivals[2].Message, PVM_IOFINISHWORK);
  for (const ListeningView::Arrival& arrival : view.Arrivals) EXPECT_TRUE(arrival.OnThisThread);
  EXPECT_EQ(directCalls, 0);
  // The image change follows the refresh, on this thread too.
  EXPECT_EQ(view.ImageChanges, 1);
  EXPECT_EQ(view.ArrivalsAtImageChange, 1u);
  EXPECT_EQ(view.ImageChangeThread, std::this_thread::get_id());
  EXPECT_TRUE(view.HandleAllocated());
  EXPECT_EQ(view.GetPVBitmap()->GetWidth(), 3);
}

// Without a parent nothing is posted; without the component's events neither progress nor
// finish is.
TEST_F(AsyncMode, NoMessageWithoutParentOrEvents) {
  for (bool parented : {false, true}) {
    SCOPED_TRACE(parented ? "parent, no events" : "no parent, events");
    QWidget window;
    ListeningView view;
    if (parented) view.setParent(&window);
    TPictavoIO io(nullptr);
    io.SetAttachedPictavo(&view);
    io.SetAsyncModeForTests(true);
    std::atomic<int> progressOnWorker{0};
    if (!parented) io.OnProgress = [&](TObject*, int) { ++progressOnWorker; };
    TPVMemStream stream = RawStream();
    io.LoadFromStream(&stream);
    io.WaitThreads(false);
    ASSERT_TRUE(ProcessEventsUntil([&] { return view.ImageChanges == 1; }));
    ProcessEventsUntil([] { return false; }, 50);
    if (parented) {
      ASSERT_EQ(view.Arrivals.size(), 1u);
      EXPECT_EQ(view.Arrivals[0].Message, PVM_IOUPDATE);
    } else {
      EXPECT_TRUE(view.Arrivals.empty());
      EXPECT_EQ(progressOnWorker, 1);  // the component's own event, called in place
    }
  }
}

// The buffer's wrapper and the encoding read back live only for the call: a worker would
// read them after they are gone, so these calls run in place.
TEST_F(AsyncMode, CallsThatReadTheirOwnStreamBackRunInPlace) {
  TPictavoIO io(nullptr);
  MakeAsync(io);
  fakes_.Watched = &io;
  io.LoadFromBuffer(rawBytes_.data(), static_cast<int64_t>(rawBytes_.size()), 0);
  EXPECT_EQ(callersBitmap_.GetWidth(), 3);
  const std::string text = folder_.File("source.txt");
  io.SaveAsSourceCode(Wide(text), kFormatJPEG, 1);
  EXPECT_TRUE(std::filesystem::exists(text));
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(fakes_.Kinds, (std::vector<int>{-1, -1}));
  EXPECT_EQ(fakes_.Threads, (std::vector<std::thread::id>(2, std::this_thread::get_id())));
  EXPECT_TRUE(io.GetAsyncMode());  // the mode is back for what follows
}

TEST_F(AsyncMode, AnExceptionInAWorkerSetsAbortingAndTheWorkerStillLeaves) {
  TPictavoIO io(nullptr);
  MakeAsync(io);
  // Straight to a worker, so that only the worker can set the flag.
  ASSERT_TRUE(TPVIOThread::Start(&io, {TPVIOWorkKind::kIntProc, [](TPictavoIO&) {
                                         throw std::runtime_error("failed");
                                       }}));
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting);
  EXPECT_TRUE(io.Workers.empty());

  // Through a load whose reader throws.
  io.Aborting = false;
  fakes_.Throws = true;
  TPVMemStream stream = RawStream();
  io.LoadFromStream(&stream);
  io.WaitThreads(false);
  EXPECT_TRUE(io.Aborting);
  EXPECT_TRUE(io.Workers.empty());
  EXPECT_FALSE(fakes_.ReaderLeft);
}

TEST_F(AsyncMode, TheDestructorWaitsForARunningLoad) {
  auto io = std::make_unique<TPictavoIO>(nullptr);
  MakeAsync(*io);
  fakes_.GateOpen = false;
  TPVMemStream stream = RawStream();
  io->LoadFromStream(&stream);
  fakes_.WaitUntilEntered();
  std::thread opener([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fakes_.Open();
  });
  io.reset();
  // The reader can only have finished after the gate opened, and the destructor only returns
  // after it.
  EXPECT_TRUE(fakes_.ReaderLeft);
  opener.join();
}

TEST_F(AsyncMode, WaitThreadsWithNoWorker) {
  TPictavoIO io(nullptr);
  io.WaitThreads(false);
  EXPECT_FALSE(io.Aborting);
  io.WaitThreads(true);
  EXPECT_TRUE(io.Aborting);
  io.ResumeThreads();
  EXPECT_TRUE(io.Workers.empty());
}

// Stand-ins for the methods of the kinds other units provide (AVI frames, metafiles, URLs),
// each starting with the seam as theirs do.
class StandInIO : public TPictavoIO {
 public:
  StandInIO() : TPictavoIO(nullptr) {}
  // Its own methods run on the workers: they end before this part of the object goes.
  ~StandInIO() override { WaitThreads(false); }

  void LoadFrame(uint32_t Index) {
    if (HandedToWorker(TPVIOWorkKind::kIntProc,
                       [this, Index](TPictavoIO&) { Record("frame " + std::to_string(Index)); }))
      return;
    Record("frame " + std::to_string(Index));
  }
  void ImportPicture(const std::u16string& FileName, int32_t Width, int32_t Height, bool Alpha) {
    if (HandedToWorker(TPVIOWorkKind::kMetafileProc,
                       [this, FileName, Width, Height, Alpha](TPictavoIO&) {
                         ImportPicture(FileName, Width, Height, Alpha);
                       }))
      return;
    Record("picture " + std::string(FileName.begin(), FileName.end()) + " " +
           std::to_string(Width) + "x" + std::to_string(Height) + (Alpha ? " alpha" : ""));
  }
  void LoadAddress(const std::u16string& URL) {
    if (HandedURLToWorker(AsBase(&StandInIO::LoadAddress), URL)) return;
    Record("address " + std::string(URL.begin(), URL.end()));
  }

  struct Call {
    std::string What;
    int Kind;
  };
  std::vector<Call> Calls;

 private:
  template <typename Method>
  static Method TPictavoIO::*AsBase(Method StandInIO::*Member) {
    return static_cast<Method TPictavoIO::*>(Member);
  }
  void Record(const std::string& What) {
    const int kind = CurrentWorkKind(*this);
    std::lock_guard<std::mutex> lock(callsLock_);
    Calls.push_back({What, kind});
  }
  std::mutex callsLock_;
};

TEST_F(AsyncMode, TheKindsOfTheOtherUnitsMethodsRunTheirMethods) {
  struct Case {
    std::function<void(StandInIO&)> act;
    std::string what;
    TPVIOWorkKind kind;
  };
  const Case cases[] = {
      {[](StandInIO& io) { io.LoadFrame(7); }, "frame 7", TPVIOWorkKind::kIntProc},
      {[](StandInIO& io) { io.ImportPicture(u"a.wmf", -1, 40, true); }, "picture a.wmf -1x40 alpha",
       TPVIOWorkKind::kMetafileProc},
      {[](StandInIO& io) { io.LoadAddress(u"http://host/a.png"); }, "address http://host/a.png",
       TPVIOWorkKind::kURLProc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool async : {false, true}) {
      StandInIO io;
      io.SetAttachedBitmap(&callersBitmap_);
      io.SetAsyncModeForTests(async);
      c.act(io);
      io.WaitThreads(false);
      ASSERT_EQ(io.Calls.size(), 1u);
      EXPECT_EQ(io.Calls[0].What, c.what);
      EXPECT_EQ(io.Calls[0].Kind, async ? static_cast<int>(c.kind) : -1);
    }
  }
}

}  // namespace
}  // namespace calmora::test
