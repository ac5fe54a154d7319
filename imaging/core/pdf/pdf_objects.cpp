// The PDF object classes and the PDF syntax each one writes.
#include "imaging/core/pdf/pdf_objects.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "imaging/base/file_names.h"
#include "imaging/base/text_helpers.h"

namespace calmora {

namespace {

// Everything goes through the text writers; a short write (a full disk) must not leave a
// truncated file that looks complete.
void Put(TStream* stream, const std::string& text) {
  if (!WriteText(stream, text)) throw EWriteError("Stream write error");
}

void PutObject(TStream* stream, TPVPDFObject* object) {
  if (object != nullptr)
    object->Write(stream);
  else
    Put(stream, "null");
}

// The general decimal form; PDF has no exponent form, so the few values the general form
// would write with an exponent are written in full instead.
std::string NumberText(double value) {
  if (!std::isfinite(value)) return "0";
  std::string text = FloatToPointText(value);
  if (text.find_first_of("Ee") == std::string::npos) return text;
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
}

}  // namespace

void TPVPDFObject::Write(TStream* Stream) {
  Offset = Stream->GetPosition();
  WriteBody(Stream);
}

void TPVPDFRefObject::WriteBody(TStream* stream) {
  Put(stream, IntegerToText(RefNumber) + " " + IntegerToText(Generation) + " R");
}

void TPVPDFNumericObject::WriteBody(TStream* stream) { Put(stream, NumberText(Value)); }

void TPVPDFBooleanObject::WriteBody(TStream* stream) { Put(stream, Value ? "true" : "false"); }

void TPVPDFStringObject::WriteBody(TStream* stream) {
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
  Put(stream, text);
}

void TPVPDFNameObject::WriteBody(TStream* stream) {
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
  Put(stream, text);
}

TPVPDFArrayObject::~TPVPDFArrayObject() {
  while (!Items.empty()) Items.pop_back();  // the vector itself would go first to last
}

void TPVPDFArrayObject::Add(TPVPDFObject* Item) { Items.emplace_back(Item); }

void TPVPDFArrayObject::WriteBody(TStream* stream) {
  Put(stream, "[");
  for (const TPVPDFItem& item : Items) {
    PutObject(stream, item.Get());
    Put(stream, " ");
  }
  Put(stream, "]");
}

TPVPDFDictionaryObject::~TPVPDFDictionaryObject() {
  while (!Items.empty()) Items.pop_back();  // last to first, as the array does
}

void TPVPDFDictionaryObject::Add(const std::string& Key, TPVPDFObject* Value) {
  Items.emplace_back(Key, TPVPDFItem(Value));
}

void TPVPDFDictionaryObject::CheckInsertIndex(int32_t index) const {
  if (index < 0 || index > GetCount())
    throw Exception("List index out of bounds (" + IntegerToText(index) + ")");
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

void TPVPDFDictionaryObject::Replace(int32_t index, TPVPDFObject* value) {
  TPVPDFItem& slot = Items.at(index).second;
  // The value already in place keeps the ownership it came in with.
  if (slot.Get() != value) slot = TPVPDFItem(value);
}

void TPVPDFDictionaryObject::Replace(int32_t index, std::unique_ptr<TPVPDFObject> value) {
  TPVPDFItem& slot = Items.at(index).second;
  slot = TPVPDFItem(std::move(value));
}

int32_t TPVPDFDictionaryObject::IndexOf(const std::string& Key) const {
  const auto it = std::find_if(Items.begin(), Items.end(),
                               [&Key](const auto& item) { return item.first == Key; });
  return it == Items.end() ? -1 : static_cast<int32_t>(it - Items.begin());
}

TPVPDFObject* TPVPDFDictionaryObject::Find(const std::string& key) const {
  const int32_t index = IndexOf(key);
  return index < 0 ? nullptr : Items[index].second.Get();
}

void TPVPDFDictionaryObject::WriteBody(TStream* stream) {
  Put(stream, "<< ");
  for (const auto& [key, value] : Items) {
    Put(stream, "/" + key + " ");
    PutObject(stream, value.Get());
    Put(stream, "\n");
  }
  Put(stream, ">>");
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

void TPVPDFStreamObject::WriteBody(TStream* stream) {
  auto length = std::make_unique<TPVPDFNumericObject>(static_cast<double>(GetDataLength()));
  const int32_t index = Dictionary->IndexOf("Length");
  if (index >= 0)
    Dictionary->Replace(index, std::move(length));
  else
    Dictionary->Insert(0, "Length", std::move(length));  // somebody took it out: the data needs it
  PutObject(stream, Dictionary.get());
  Put(stream, "\nstream\n");
  // One Write moves at most 2 GB.
  constexpr int64_t kChunk = 1 << 30;
  for (int64_t done = 0; done < GetDataLength(); done += kChunk) {
    const auto count = static_cast<int32_t>(std::min(kChunk, GetDataLength() - done));
    if (stream->Write(Data.data() + done, count) != count) throw EWriteError("Stream write error");
  }
  Put(stream, "\nendstream");
}

}  // namespace calmora
