// The PDF object classes and the PDF syntax each one writes.
#include "imaging/core/pdf_objects.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "imaging/core/base/file_names.h"
#include "imaging/core/base/text_helpers.h"

namespace calmora {

namespace {

// Everything goes through the text writers; a short write (a full disk) must not leave a
// truncated file that looks complete.
void Put(TStream* Stream, const std::string& Text) {
  if (!WriteText(Stream, Text)) throw EWriteError("Stream write error");
}

void PutObject(TStream* Stream, TPVPDFObject* Object) {
  if (Object != nullptr) Object->Write(Stream);
  else Put(Stream, "null");
}

// The general decimal form; PDF has no exponent form, so the few values the general form
// would write with an exponent are written in full instead.
std::string NumberText(double Value) {
  if (!std::isfinite(Value)) return "0";
  std::string text = FloatToPointText(Value);
  if (text.find_first_of("Ee") == std::string::npos) return text;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

}  // namespace

void TPVPDFObject::Write(TStream* Stream) {
  Offset = Stream->GetPosition();
  WriteBody(Stream);
}

void TPVPDFRefObject::WriteBody(TStream* Stream) {
  Put(Stream, IntegerToText(RefNumber) + " " + IntegerToText(Generation) + " R");
}

void TPVPDFNumericObject::WriteBody(TStream* Stream) { Put(Stream, NumberText(Value)); }

void TPVPDFBooleanObject::WriteBody(TStream* Stream) { Put(Stream, Value ? "true" : "false"); }

void TPVPDFStringObject::WriteBody(TStream* Stream) {
  std::string text = "(";
  for (const char ch : Value) {
    switch (ch) {
      case '\b': text += "\\b"; break;
      case '\t': text += "\\t"; break;
      case '\n': text += "\\n"; break;
      case '\f': text += "\\f"; break;
      case '\r': text += "\\r"; break;
      case '(': text += "\\("; break;
      case ')': text += "\\)"; break;
      case '\\': text += "\\\\"; break;
      default: text += ch;  // bytes from 128 on too
    }
  }
  text += ')';
  Put(Stream, text);
}

void TPVPDFNameObject::WriteBody(TStream* Stream) {
  std::string text = "/";
  for (const char ch : Value) {
    const auto byte = static_cast<unsigned char>(ch);
    if (byte >= 0x21 && byte <= 0x7E) {
      text += ch;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "#%02X", byte);
      text += hex;
    }
  }
  Put(Stream, text);
}

TPVPDFArrayObject::~TPVPDFArrayObject() {
  while (!Items.empty()) Items.pop_back();  // the vector itself would go first to last
}

void TPVPDFArrayObject::Add(TPVPDFObject* Item) { Items.emplace_back(Item); }

void TPVPDFArrayObject::WriteBody(TStream* Stream) {
  Put(Stream, "[");
  for (const TPVPDFItem& item : Items) {
    PutObject(Stream, item.Get());
    Put(Stream, " ");
  }
  Put(Stream, "]");
}

TPVPDFDictionaryObject::~TPVPDFDictionaryObject() {
  while (!Items.empty()) Items.pop_back();  // last to first, as the array does
}

void TPVPDFDictionaryObject::Add(const std::string& Key, TPVPDFObject* Value) {
  Items.emplace_back(Key, TPVPDFItem(Value));
}

void TPVPDFDictionaryObject::CheckInsertIndex(int32_t Index) const {
  if (Index < 0 || Index > GetCount())
    throw Exception("List index out of bounds (" + IntegerToText(Index) + ")");
}

void TPVPDFDictionaryObject::Insert(int32_t Index, const std::string& Key, TPVPDFObject* Value) {
  CheckInsertIndex(Index);
  Items.emplace(Items.begin() + Index, Key, TPVPDFItem(Value));
}

void TPVPDFDictionaryObject::Insert(int32_t Index, const std::string& Key,
                                    std::unique_ptr<TPVPDFObject> Value) {
  CheckInsertIndex(Index);
  Items.emplace(Items.begin() + Index, Key, TPVPDFItem(std::move(Value)));
}

void TPVPDFDictionaryObject::Replace(int32_t Index, TPVPDFObject* Value) {
  TPVPDFItem& slot = Items.at(Index).second;
  // The value already in place keeps the ownership it came in with.
  if (slot.Get() != Value) slot = TPVPDFItem(Value);
}

void TPVPDFDictionaryObject::Replace(int32_t Index, std::unique_ptr<TPVPDFObject> Value) {
  TPVPDFItem& slot = Items.at(Index).second;
  slot = TPVPDFItem(std::move(Value));
}

int32_t TPVPDFDictionaryObject::IndexOf(const std::string& Key) const {
  const auto it = std::find_if(Items.begin(), Items.end(),
                               [&Key](const auto& item) { return item.first == Key; });
  return it == Items.end() ? -1 : static_cast<int32_t>(it - Items.begin());
}

TPVPDFObject* TPVPDFDictionaryObject::Find(const std::string& Key) const {
  const int32_t index = IndexOf(Key);
  return index < 0 ? nullptr : Items[index].second.Get();
}

void TPVPDFDictionaryObject::WriteBody(TStream* Stream) {
  Put(Stream, "<< ");
  for (const auto& [key, value] : Items) {
    Put(Stream, "/" + key + " ");
    PutObject(Stream, value.Get());
    Put(Stream, "\n");
  }
  Put(Stream, ">>");
}

TPVPDFStreamObject::TPVPDFStreamObject() : Dictionary(std::make_unique<TPVPDFDictionaryObject>()) {
  Dictionary->Add("Length", std::make_unique<TPVPDFNumericObject>(0));
}

TPVPDFStreamObject::TPVPDFStreamObject(const void* Source, int64_t Length)
    : TPVPDFStreamObject() {
  if (Source != nullptr && Length > 0) {
    const auto* bytes = static_cast<const uint8_t*>(Source);
    Data.assign(bytes, bytes + Length);
  }
}

void TPVPDFStreamObject::WriteBody(TStream* Stream) {
  auto length = std::make_unique<TPVPDFNumericObject>(static_cast<double>(GetDataLength()));
  const int32_t index = Dictionary->IndexOf("Length");
  if (index >= 0)
    Dictionary->Replace(index, std::move(length));
  else
    Dictionary->Insert(0, "Length", std::move(length));  // somebody took it out: the data needs it
  PutObject(Stream, Dictionary.get());
  Put(Stream, "\nstream\n");
  // One Write moves at most 2 GB.
  constexpr int64_t chunk = 1 << 30;
  for (int64_t done = 0; done < GetDataLength(); done += chunk) {
    const auto count = static_cast<int32_t>(std::min(chunk, GetDataLength() - done));
    if (Stream->Write(Data.data() + done, count) != count) throw EWriteError("Stream write error");
  }
  Put(Stream, "\nendstream");
}

}  // namespace calmora
