// The registry's built-in rows, one per registered format description, in the list's order.
// Their read and write callbacks only mark what the I/O component can do with the format (it
// serves described formats with its own methods).
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/format_description.h"

namespace calmora {

namespace {

void BuiltInRead(TStream*, TPVBitmap*, TIOParamsVals&, bool, TPVProgressRecord&) {}
void BuiltInWrite(TStream*, TPVBitmap*, TIOParamsVals&, TPVProgressRecord&) {}

}  // namespace

void BuildFileFormatRegistry() {
  FreeFileFormatRegistry();
  for (const TPVFormatDescription* format : FormatDescriptions()) {
    if (!format->Registered) continue;
    auto entry = std::make_unique<TPVFileFormatInfo>();
    entry->FileType = format->Id;
    entry->Description = format->Text;
    entry->Extensions = format->Extensions;
    entry->Internal = true;
    entry->DialogPages = format->DialogPages;
    entry->ReadProc = format->Readable ? BuiltInRead : nullptr;
    entry->WriteProc = format->Writable ? BuiltInWrite : nullptr;
    entry->TestProc = FileFormatTestStub;
    RegisterFileFormat(std::move(entry));
  }
}

}  // namespace calmora
