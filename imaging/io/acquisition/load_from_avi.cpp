// Single frames of an AVI file's first video stream into the working bitmap: the file opened
// once, then any frame by index, each drawn through the DIB painter as the platform hands it.
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/io/acquisition/avi_frames.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/proc/dib/dib_interchange.h"
#include "platform/file_stream.h"

namespace calmora {

namespace {

int32_t SaturatedInt32(uint64_t value) {
  return static_cast<int32_t>(std::min<uint64_t>(value, std::numeric_limits<int32_t>::max()));
}

}  // namespace

int32_t TPictavoIO::OpenAVIFile(const std::u16string& FileName) {
  Aborting = false;
  CloseAVIFile();
  Params->AVI_FrameCount = 0;
  Params->FileName = FileName;
  Params->FileType = kFormatUnknown;
  if (!AVIFileInitialised) AVIFileInit();
  std::string reason;
  AVIReader = platform::AviFrameReader::Open(platform::Utf16ToUtf8(FileName), reason);
  if (AVIReader == nullptr) {
    Aborting = true;
    return 0;
  }
  Params->AVI_FrameCount = SaturatedInt32(AVIReader->FrameCount());
  Params->AVI_FrameDelayTime = 0;
  return Params->AVI_FrameCount;
}

void TPictavoIO::LoadFromAVI(uint32_t FrameIndex) {
  if (HandedToWorker(TPVIOWorkKind::kIntProc,
                     [FrameIndex](TPictavoIO& IO) { IO.RunAVIFrameLoad(FrameIndex); }))
    return;
  RunAVIFrameLoad(FrameIndex);
}

void TPictavoIO::RunAVIFrameLoad(uint32_t FrameIndex) {
  Aborting = false;
  // What the image loaded before reported (EXIF, XMP, a profile) must not follow a frame, nor
  // a failed load, into the next save.
  Params->ResetInfo();
  bool loaded = false;
  if (PrepareBitmap({}) && AVIReader != nullptr && FrameIndex < AVIReader->FrameCount()) {
    std::vector<uint8_t> dib;
    std::string reason;
    const bool read = AVIReader->ReadFrame(FrameIndex, dib, reason);
    Params->AVI_FrameCount = SaturatedInt32(AVIReader->FrameCount());
    Params->AVI_FrameDelayTime = SaturatedInt32(AVIReader->FrameDelay());
    TPVDibbitmap frame;
    if (read) {
      const int32_t bitCount =
          PaintDIBToDibbitmap(dib.data(), static_cast<int64_t>(dib.size()), frame);
      // The painter leaves the target empty for a DIB it cannot draw; the image stays.
      loaded = frame.Bits != nullptr && WorkBitmap->CopyFromDibbitmap(&frame);
      if (loaded) {
        if (const auto layout = AVIFrameSampleLayout(bitCount)) {
          Params->BitsPerSample = layout->BitsPerSample;
          Params->SamplesPerPixel = layout->SamplesPerPixel;
        }
        Params->SetDpiX(DefaultDpiX);
        Params->SetDpiY(DefaultDpiY);
        Params->Width = Params->OriginalWidth = frame.Width;
        Params->Height = Params->OriginalHeight = frame.Height;
        Params->ColorMap.reset();
        Params->ColorMapCount = 0;
        Update();
      }
    }
  }
  if (!loaded) Aborting = true;
  DoFinishWork();
}

}  // namespace calmora
