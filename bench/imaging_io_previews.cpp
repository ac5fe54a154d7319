// The save-parameters dialog's JPEG preview of a 12-megapixel image against the same save and
// load called directly, with a codec that writes and reads the raw bitmap stream; and the time
// from a quality change to the repainted result at 1 megapixel with Lock Preview on.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/io/words/word_table.h"
#include "platform/application.h"

namespace calmora {
namespace {

void RawWrite(TStream* stream, TPVBitmap* bitmap, TIOParamsVals&, TPVProgressRecord& progress) {
  if (!bitmap->SaveRawToStream(stream)) *progress.Aborting = true;
  if (progress.OnProgress) progress.OnProgress(progress.Sender, 100);
}

void RawRead(TStream* stream, TPVBitmap* bitmap, TIOParamsVals&, bool, TPVProgressRecord& progress) {
  if (!bitmap->LoadRawFromStream(stream)) *progress.Aborting = true;
  if (progress.OnProgress) progress.OnProgress(progress.Sender, 100);
}

void Paint(TPVBitmap& bitmap) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel24(x, y, TPVRGB{static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                                     static_cast<uint8_t>(x ^ y)});
}

void InstallRawJPEG() {
  BuildFileFormatRegistry();
  TPVFileFormatInfo* entry = FindFileFormatInfo(kFormatJPEG);
  entry->WriteProc = &RawWrite;
  entry->ReadProc = &RawRead;
}

void BM_MakePreviewJPEG12MP(benchmark::State& state) {
  FillWordTable();
  InstallRawJPEG();
  TPVBitmap source(4000, 3000, pv24RGB);
  Paint(source);
  TIOParamsVals params(nullptr);
  params.FileType = kFormatJPEG;
  TfIOPreviews form(params);
  form.Source = &source;
  form.SelectPages(kParamsPageOfFileType);
  form.FormActivate();
  for (auto _ : state) form.MakePreview();
  if (form.Result->GetWidth() != 4000) state.SkipWithError("no preview made");
}
BENCHMARK(BM_MakePreviewJPEG12MP)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_DirectSaveLoad12MP(benchmark::State& state) {
  InstallRawJPEG();
  TPVBitmap source(4000, 3000, pv24RGB);
  Paint(source);
  const TPVFileFormatInfo* entry = FindFileFormatInfo(kFormatJPEG);
  for (auto _ : state) {
    TIOParamsVals saveParams(nullptr);
    TIOParamsVals loadParams(nullptr);
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    TMemoryStream stream;
    entry->WriteProc(&stream, &source, saveParams, progress);
    stream.Seek(0, soBeginning);
    TPVBitmap result;
    entry->ReadProc(&stream, &result, loadParams, false, progress);
    benchmark::DoNotOptimize(result.GetWidth());
  }
}
BENCHMARK(BM_DirectSaveLoad12MP)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QualityChangeToRepaint1MP(benchmark::State& state) {
  FillWordTable();
  InstallRawJPEG();
  TPVBitmap source(1000, 1000, pv24RGB);
  Paint(source);
  TIOParamsVals params(nullptr);
  params.FileType = kFormatJPEG;
  TfIOPreviews form(params);
  form.Source = &source;
  form.DefaultLockPreview = true;
  form.SelectPages(kParamsPageOfFileType);
  // Shown, so that the result view really paints; the form activates from the event loop.
  form.show();
  for (int turn = 0; turn < 1000 && !form.Ready; ++turn) QCoreApplication::processEvents();
  if (!form.Ready) state.SkipWithError("the dialog did not activate");
  int quality = 10;
  for (auto _ : state) {
    quality = quality == 10 ? 90 : 10;
    form.Control<QLineEdit>("Edit22")->setText(QString::number(quality));
    form.Pictavo2->repaint();
  }
}
BENCHMARK(BM_QualityChangeToRepaint1MP)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
}  // namespace calmora

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  calmora::platform::Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
