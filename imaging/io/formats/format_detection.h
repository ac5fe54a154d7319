// Content detection: naming a stream's format from its bytes by a fixed order of signature
// tests, and reconciling that answer with a file name's extension. Neither reads past the end
// of the data, hangs or raises: what cannot be read answers 0.
#pragma once

#include <string>

#include "imaging/io/formats/file_formats.h"

namespace calmora {

class TStream;

// "RIFF", 4 bytes of size, then "AVI ". The position is left where it was.
bool IsAVIStream(TStream* Stream);

// The format of the data at the stream's position, or 0. The position is left where it was.
TPVFileFormatId FindStreamFormat(TStream* Stream);

// The format of a file: its content, checked against its extension. Strict refuses a content
// that disagrees with the extension (except an icon or cursor, which take the extension's id).
// A name that is not a regular file (a folder, a pipe, a device) answers 0 without opening it.
TPVFileFormatId FindFileFormat(const std::u16string& FileName, bool Strict);

}  // namespace calmora
