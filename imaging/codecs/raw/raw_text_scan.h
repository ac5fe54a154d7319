// The text reads LibRaw asks of a data stream (a line, one number), written once over anything
// with get_char and seek: the adapter over our streams and the identification helper's stream
// over the caller's pieces both use them. Header only: the helper program links none of ours.
#pragma once

#include <cstdio>
#include <string>

namespace calmora::raw_text {

// Numbers in the text headers LibRaw scans are short; a longer token is no number.
inline constexpr int kLongestNumberText = 63;

// Up to capacity - 1 characters, through the first line end; null when nothing was read.
template <typename Source>
char* ReadLine(Source& source, char* text, int capacity) {
  if (capacity <= 0) return nullptr;
  int length = 0;
  while (length + 1 < capacity) {
    const int c = source.get_char();
    if (c < 0) break;
    text[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  text[length] = '\0';
  return length > 0 ? text : nullptr;
}

// One number after optional blanks, as fscanf with a single conversion reads it; the blank
// after it stays for the next read.
template <typename Source>
int ScanOne(Source& source, const char* format, void* value) {
  int c = source.get_char();
  while (c == ' ' || c == '\t' || c == '\n' || c == '\r') c = source.get_char();
  std::string token;
  while (c >= 0 && c != ' ' && c != '\t' && c != '\n' && c != '\r' &&
         static_cast<int>(token.size()) < kLongestNumberText) {
    token.push_back(static_cast<char>(c));
    c = source.get_char();
  }
  if (c >= 0) source.seek(-1, SEEK_CUR);
  if (token.empty()) return -1;
  return std::sscanf(token.c_str(), format, value);
}

}  // namespace calmora::raw_text
