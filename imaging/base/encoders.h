// Text and run-length encoders of the PostScript and PDF writers and of the source-code
// export: ASCII85 (with CR LF line breaks), PackBits run-length coding and base64 lines.
#pragma once

#include <cstdint>
#include <ostream>

#include "imaging/base/streams/streams.h"

namespace calmora {

// Packs count (0..4) bytes big-endian into a word (missing bytes 0). Count 4 and word 0
// writes "z"; otherwise the first count + 1 of the word's five base-85 digits, most
// significant first, each as character 33 + digit. Advances both pointers; returns the
// characters written.
int32_t EncodeAscii85Group(const uint8_t*& source, int32_t count, char*& destination);

// ASCII85 of length bytes: groups of four, CR LF after a group once the line holds more than
// 74 characters, then "~>" and CR LF. counter grows by the group characters only. Returns every
// character written. Empty input writes only the marker and its CR LF. The destination needs
// at most Ascii85BufferSize(length) characters; when that passes the int32 range nothing is
// written, the pointers stay and the result is 0.
int32_t EncodeAscii85(const uint8_t*& source, int32_t length, char*& destination,
                      int32_t& counter);
int64_t Ascii85BufferSize(int64_t length);

// PackBits as the PDF and PostScript run-length filters read it: runs of 2..128 equal bytes
// as (1 - n, byte), literal groups of up to 128 bytes as (n - 1, bytes), then the end marker
// 128. Returns the bytes written, marker included. The destination needs at most
// PackBitsBufferSize(length) bytes; when that passes the int32 range nothing is written and the
// result is 0.
int32_t EncodePackBits(const uint8_t* source, int32_t length, uint8_t* destination);
int64_t PackBitsBufferSize(int64_t length);

// Four base64 characters of count (1..3) bytes of source, "=" for the missing ones.
void EncodeBase64Group(const uint8_t* source, char* destination, int32_t count);

// Base64 of the stream from its position to its end, lineLength / 4 groups per line, each
// line ended by '\n'. Writes nothing for an exhausted stream.
void WriteBase64Lines(TStream* stream, std::ostream& textFile, int32_t lineLength);

}  // namespace calmora
