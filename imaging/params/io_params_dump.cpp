// DumpParams: every field of a parameter record as text, walked from the one field list.
#include "imaging/params/io_params_dump.h"

#include <charconv>
#include <cstdio>
#include <type_traits>

#include "imaging/params/io_params_fields.h"

namespace calmora {

namespace {

// FNV-1a: enough to tell two byte blocks apart in a dump.
uint32_t HashBytes(const void* data, int64_t length, uint32_t hash = 2166136261u) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (int64_t i = 0; i < length; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "#%08x", value);
  return text;
}

std::string Format(bool value) { return value ? "true" : "false"; }
std::string Format(uint8_t value) { return std::to_string(value); }
std::string Format(int32_t value) { return std::to_string(value); }

// The shortest text that reads back as the same double.
std::string Format(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string Quoted(const std::u16string& text) {
  std::string out = "\"";
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + "\"";
}

// Bytes, not characters: each byte of an 8-bit text on its own.
std::string Format(const std::string& value) {
  std::u16string units;
  for (const char c : value) units += static_cast<char16_t>(static_cast<unsigned char>(c));
  return Quoted(units);
}
std::string Format(const std::u16string& value) { return Quoted(value); }

std::string Format(const TPVRGB& value) {
  return "bgr(" + Format(value.b) + "," + Format(value.g) + "," + Format(value.r) + ")";
}
std::string Format(const TICOSize& value) {
  return std::to_string(value.Width) + "x" + std::to_string(value.Height);
}

template <typename List>
std::string FormatList(const List& items) {
  std::string out = "[";
  for (const auto& item : items) out += (out.size() > 1 ? ", " : "") + Format(item);
  return out + "]";
}

template <typename T, size_t N>
std::string Format(const std::array<T, N>& values) {
  return FormatList(values);
}
std::string Format(const TStringList& values) { return FormatList(values); }

std::string Format(const TPVMarkerList& markers) {
  std::string out = "[";
  for (int32_t i = 0; i < markers.GetCount(); ++i) {
    char type[8];
    std::snprintf(type, sizeof type, "%02X", markers.GetMarkerType(i));
    out += (i > 0 ? ", " : "") + std::string(type) + " " +
           std::to_string(markers.GetMarkerLength(i)) + " bytes " +
           Hex(HashBytes(markers.GetMarkerData(i), markers.GetMarkerLength(i)));
  }
  return out + "]";
}

std::string Format(const TPVIPTCInfoList& list) {
  std::string out = "[";
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    const TPVIPTCInfo& info = list.Info[static_cast<size_t>(i)];
    const auto& data = list.Buffers[static_cast<size_t>(i)];
    out += (i > 0 ? ", " : "") + std::to_string(info.RecordNumber) + ":" +
           std::to_string(info.DatasetNumber) + " " + std::to_string(info.Length) + " bytes " +
           Hex(HashBytes(data.data(), static_cast<int64_t>(data.size())));
  }
  return out + "]";
}

std::string Format(const TPVDICOMTags& tags) {
  std::string out = "[";
  for (const TPVDICOMTag& tag : tags.Tags) {
    char key[32];
    std::snprintf(key, sizeof key, "%04X,%04X %c%c ", tag.Group, tag.Element,
                  tag.VR[0] ? tag.VR[0] : '-', tag.VR[1] ? tag.VR[1] : '-');
    out += (out.size() > 1 ? ", " : "") + std::string(key) + std::to_string(tag.Length) +
           " bytes " + Hex(HashBytes(tag.Data.get(), tag.Data ? tag.Length : 0));
  }
  return out + "]";
}

std::string Format(const TPVTagsHandler& handler) {
  auto& data = const_cast<TMemoryStream&>(handler.Data);  // GetSize changes nothing
  return std::to_string(data.GetSize()) + " bytes " +
         Hex(HashBytes(data.GetMemory(), data.GetSize())) + ", " +
         std::to_string(handler.ReadContext.TagCount) + " tags";
}

std::string Format(const TPVBitmap& bitmap) {
  uint32_t hash = 2166136261u;
  const int64_t rowBytes = (int64_t{bitmap.GetWidth()} * bitmap.GetBitCount() + 7) / 8;
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
    hash = HashBytes(bitmap.GetScanline(y), rowBytes, hash);
  return "bitmap " + std::to_string(bitmap.GetWidth()) + "x" + std::to_string(bitmap.GetHeight()) +
         " format " + std::to_string(bitmap.GetPixelFormat()) + " " + Hex(hash);
}

std::string Format(const TPVICC& profile) {
  return "profile " + std::to_string(profile.RawSize) + " bytes " +
         Hex(HashBytes(profile.RawProfile.get(), profile.RawSize)) +
         (profile.IsOpen() ? " open" : " closed");
}

std::string Format(const TPVImagingAnnot& annot) {
  return std::to_string(annot.Objects.size()) + " marks";
}

template <typename T>
std::string Format(const std::unique_ptr<T>& object) {
  return object ? Format(*object) : "null";
}

// Procedure variables and the owner link.
template <typename T>
requires std::is_pointer_v<T> std::string Format(T pointer) { return pointer ? "set" : "null"; }

std::string FormatColorMap(const TIOParamsVals& params) {
  if (params.ColorMap == nullptr) return "null";
  std::string out = "[";
  for (int32_t i = 0; i < params.ColorMapCount; ++i)
    out += (i > 0 ? ", " : "") + Format(params.ColorMap[static_cast<size_t>(i)]);
  return out + "]";
}

}  // namespace

std::string DumpParams(const TIOParamsVals& Params) {
  std::string out;
  VisitParamsFields(
      [&](auto field, auto, const auto& value) {
        out.append(field.Name).append("=");
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::unique_ptr<TPVRGB[]>>)
          out += FormatColorMap(Params);
        else
          out += Format(value);
        out += "\n";
      },
      Params);
  return out;
}

}  // namespace calmora
