// One image format as the I/O layer knows it, in one place: its registry row, its content
// tests, its codec's adapters and how the load and save dispatch serve it. The layer's tables
// (the registry's built-in rows, the detection order, the codec table, the load routes, the
// save chain, the per-format method rows) are all read off the list of these descriptions.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "imaging/io/formats/file_formats.h"
#include "imaging/io/load_save/load_save_methods.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace calmora {

class TStream;

// The first bytes of a stream, read once for every quick signature test, and the stream's size.
struct TPVStreamHead {
  static constexpr int32_t kBytes = 16;
  std::array<uint8_t, kBytes> Bytes{};
  int32_t Count = 0;  // how many of them the stream really had
  int64_t Size = 0;   // the stream's total size, as the stream saves that write headers measure it

  // The bytes up to the first zero byte among the first Window bytes form exactly Magic. The
  // zero must be among the bytes read: a stream that ends on the magic has none.
  bool MagicWithin(std::string_view Magic, int32_t Window) const;
  bool StartsWith(std::string_view Text) const;
};

// How a format's loads are served.
enum class TPVLoadRoute : uint8_t {
  kMethod,     // its per-format method
  kGIFFrames,  // the GIF load, which composes frames
  kViewFile,   // vector objects and layers, loaded by a view
  kMetafile,   // rendered from a metafile
  kByName,     // written only: a file load goes by the name's extension
  kFormatOnly  // headerless pixels: only when asked for by id
};

struct TPVFormatDescription {
  TPVFileFormatId Id = kFormatUnknown;
  // ---- The registry's row ----
  // False for an id that has methods or a content test but no row (AVI, headerless pixels).
  bool Registered = true;
  const char* Text = "";
  const char* Extensions = "";  // upper case, without dots, separated by ";"
  bool Readable = false;
  bool Writable = false;
  TPVParamsPages DialogPages = 0;
  // ---- Content detection ----
  // A test of a few header bytes, run before every content test. The quick tests of all
  // formats must exclude each other: their order is not defined.
  bool (*HeadTest)(const TPVStreamHead& Head) = nullptr;
  // A test of the content at the stream's position, which it leaves there.
  bool (*ContentTest)(TStream* Stream) = nullptr;
  // The order among the content tests, lowest first: where two tests could both pass (TGA and
  // PNM have no real magic, a JPEG start may sit behind other bytes), the earlier one names
  // the format.
  int32_t ContentRank = 0;
  // Tested only after the outside formats' own tests: a slow test.
  bool TestedLast = false;
  // ---- Reconciling content with a file's extension (FindFileFormat) ----
  // Content of this id inside a file of this format's extension is this format (camera raw
  // files are TIFF inside; their extension says which reader they need).
  TPVFileFormatId ContentInside = kFormatUnknown;
  // Content of this format takes the id its file's extension names (icons and cursors share
  // one layout; the extension tells which of the two is meant).
  bool ExtensionNamesId = false;
  // ---- The codec (its family's adapters; null: not built, loads and saves fail cleanly) ----
  TPVCodecReader Read = nullptr;
  TPVCodecWriter Write = nullptr;
  // ---- Dispatch ----
  TPVLoadRoute LoadRoute = TPVLoadRoute::kMethod;
  // SaveToFile writes its registry extensions as this format itself, before the registry's
  // writers are asked, and also these further extensions (upper case, ";"-separated).
  bool SavedByName = false;
  const char* MoreSaveExtensions = "";
  // SaveToStream serves its id with the per-format method.
  bool StreamSave = false;
  // Its codec reads the parameters alone.
  bool ReadsParams = false;
  // Its published per-format load answers a count (of pages), not nothing.
  bool LoadAnswersCount = false;
  // The per-format load and save row, with the special steps around reader and writer.
  TPVFormatMethod Method = {};
};

// The descriptions of the built-in formats (format_descriptions.cpp): the registered ones in
// the registry's published order, then the rest.
std::vector<const TPVFormatDescription*> BuiltInFormatDescriptions();

// The descriptions in force: the built-in ones, then any added for a scope. Built at first use
// and changed only by TPVScopedFormatDescription, which runs while no load or save does.
const std::vector<const TPVFormatDescription*>& FormatDescriptions();
// Null for an id without a description.
const TPVFormatDescription* FormatDescriptionOf(TPVFileFormatId Id);
// The descriptions with a content test, in the order detection runs them.
std::vector<const TPVFormatDescription*> ContentTestOrder();
// The description whose file saves the extension names ("tif", ".TIF"); null when none.
const TPVFormatDescription* SaveByNameOf(std::string_view Extension);

// A format described for a scope (a test's fake format, say): it takes part in everything the
// list feeds, and its codec adapters fill the codec table's entry of its id for the scope. The
// registry takes its row when it is next built. Ids must be below kCodecTableSize and not
// described already.
class TPVScopedFormatDescription {
 public:
  explicit TPVScopedFormatDescription(const TPVFormatDescription& Description);
  ~TPVScopedFormatDescription();
  TPVScopedFormatDescription(const TPVScopedFormatDescription&) = delete;
  TPVScopedFormatDescription& operator=(const TPVScopedFormatDescription&) = delete;

 private:
  // What this scope added (the list owns it); null when it added nothing.
  const TPVFormatDescription* added_ = nullptr;
  TPVCodecEntry savedCodec_;
};

}  // namespace calmora
