// The I/O component's parameter-only reads: what a file or stream holds (size, resolution,
// metadata) without its pixels, by content or by format id. They catch every failure.
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace calmora {

namespace {

constexpr uint16_t kOpenForLoad = fmOpenRead | fmShareDenyWrite;

// Described ids whose parameters their own codec reads.
bool HasParamsCodec(TPVFileFormatId Id) {
  const TPVFormatDescription* format = FormatDescriptionOf(Id);
  return format != nullptr && format->ReadsParams;
}

}  // namespace

void TPictavoIO::ReadParamsOnly(TStream& Stream, TPVFileFormatId FileType) {
  TPVProgressRecord progress;  // no callback: only the flag
  progress.Aborting = &Aborting;
  // The working bitmap is not touched: readers that want a bitmap get a scratch one.
  TPVBitmap scratch;
  bool read = false;
  if (HasParamsCodec(FileType)) {
    if (const TPVCodecReader reader = CodecOf(FileType).Read) {
      std::unique_ptr<TPVMask> mask;
      reader(Stream, scratch, *Params, true, progress, mask);
      read = true;
    }
  } else if (const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
             entry != nullptr && !entry->Internal && entry->ReadProc != nullptr) {
    entry->ReadProc(&Stream, &scratch, *Params, true, progress);
    read = true;
  }
  // Nothing that could read them: no parameters were read.
  if (!read) Aborting = true;
}

void TPictavoIO::ParamsFromFileFormat(const std::u16string& FileName, TPVFileFormatId FileType) {
  Params->FileType = FileType;
  Params->ResetInfo();
  try {
    Aborting = true;
    TPVWideFileStream file(FileName, kOpenForLoad);
    Aborting = false;
    ReadParamsOnly(file, FileType);
  } catch (...) {
    Aborting = true;
  }
  if (Aborting) Params->FileType = kFormatUnknown;
  Params->FileName = FileName;
  DoFinishWork();
}

void TPictavoIO::ParamsFromFile(const std::u16string& FileName) {
  TPVFileFormatId id = kFormatUnknown;
  try {
    id = FindFileFormat(FileName, true);
  } catch (...) {
    Params->FileType = kFormatUnknown;
  }
  ParamsFromFileFormat(FileName, id);
}

void TPictavoIO::ParamsFromStreamFormat(TStream* Stream, TPVFileFormatId FileType) {
  Params->FileType = FileType;
  Params->ResetInfo();
  Aborting = false;
  try {
    if (Stream == nullptr)
      Aborting = true;
    else
      ReadParamsOnly(*Stream, FileType);
  } catch (...) {
    Aborting = true;
  }
  if (Aborting) Params->FileType = kFormatUnknown;
  DoFinishWork();
}

void TPictavoIO::ParamsFromStream(TStream* Stream) {
  TPVFileFormatId id = kFormatUnknown;
  if (Stream != nullptr) {
    const int64_t start = Stream->GetPosition();
    try {
      id = FindStreamFormat(Stream);
    } catch (...) {
      id = kFormatUnknown;
    }
    Stream->SetPosition(start);
  }
  ParamsFromStreamFormat(Stream, id);
}

}  // namespace calmora
