// SaveAsSourceCode: an encoded image as program text (a Pascal constant, a C-style byte list
// or base64 lines), or the picture itself drawn in characters.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>

#include "imaging/base/encoders.h"
#include "imaging/io/load_save/load_save_names.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

namespace {

// Lines of bytes are written once they grow past this many characters.
constexpr size_t kSourceLineLimit = 70;
// Dark to light.
constexpr char kTextShades[] = "W@#*+:., ";

std::string Hex2(uint8_t value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

// Every byte but the last as Prefix + hex + ",", in lines of Indent + up to about 70
// characters; the last line ends with the last byte and Ending.
void WriteByteLines(std::ostream& Text, const uint8_t* Bytes, size_t Count, const char* Indent,
                    const char* Prefix, const char* Ending) {
  std::string line;
  for (size_t i = 0; i + 1 < Count; ++i) {
    line += Prefix + Hex2(Bytes[i]) + ",";
    if (line.size() > kSourceLineLimit) {
      Text << Indent << line << '\n';
      line.clear();
    }
  }
  Text << Indent << line << Prefix << Hex2(Bytes[Count - 1]) << Ending << '\n';
}

}  // namespace

void TPictavoIO::SaveAsSourceCode(const std::u16string& FileName, TPVFileFormatId FileType,
                                  uint8_t Kind) {
  // The whole text is made first: a failed or empty encoding leaves no file behind.
  std::ostringstream text;
  if (Kind <= 2) {
    TMemoryStream encoded;
    {
      const TPVInPlaceScope inPlace(*this);
      SaveToStream(&encoded, FileType);
    }
    const int64_t size = encoded.GetSize();
    if (Aborting || size <= 0) {
      Aborting = true;
      return;
    }
    encoded.SetPosition(0);
    const auto* bytes = static_cast<const uint8_t*>(encoded.GetMemory());
    std::string name = Utf8Of(FileName);
    if (const size_t dot = name.find('.'); dot != std::string::npos) name[dot] = '_';
    const std::string nameSize = name + "_Size";
    if (Kind == 0) {
      text << "const\n";
      text << "  " << nameSize << " = " << size << ";\n";
      text << "  " << name << " : array [0.." << nameSize << "-1] of byte = (\n";
      WriteByteLines(text, bytes, static_cast<size_t>(size), "    ", "$", ");");
    } else if (Kind == 1) {
      text << "\\\\ Size=" << size << '\n';
      WriteByteLines(text, bytes, static_cast<size_t>(size), "", "0x", "");
    } else {
      WriteBase64Lines(&encoded, text, 76);
    }
  } else if (Kind == 3) {
    if (!PrepareBitmap({pv24RGB})) {
      Aborting = true;
      return;
    }
    Aborting = false;
    for (int32_t y = 0; y < WorkBitmap->GetHeight(); ++y) {
      const uint8_t* row = WorkBitmap->GetScanline(y);
      std::string line;
      for (int32_t x = 0; x < WorkBitmap->GetWidth(); ++x) {
        const uint8_t* pixel = row + 3 * x;  // blue, green, red
        const int32_t grey =
            (pixel[2] * GrayWeightRed + pixel[1] * GrayWeightGreen + pixel[0] * GrayWeightBlue) /
            100;
        const int32_t shade = std::min(8, static_cast<int32_t>(grey / 255.0 * 9));
        line.push_back(kTextShades[shade]);
      }
      text << line << '\n';
    }
  } else {
    Aborting = true;  // no such kind: nothing to write
    return;
  }
  const std::string content = text.str();
  TPVWideFileStream file(FileName, fmCreate);
  if (!content.empty()) file.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
  Params->FileName = FileName;
}

}  // namespace calmora
