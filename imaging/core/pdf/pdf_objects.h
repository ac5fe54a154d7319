// The PDF object model: one small class per PDF object type, each writing its own PDF 1.4
// syntax. Arrays, dictionaries and streams own what they hold unless it came in Shared.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

class TPVPDFObject : public TObject {
 public:
  TPVPDFObject() = default;
  TPVPDFObject(const TPVPDFObject&) = delete;
  TPVPDFObject& operator=(const TPVPDFObject&) = delete;

  // Writes the object's PDF text at the stream's position and sets Offset to that position.
  // A short write raises EWriteError.
  void Write(TStream* Stream);

  int32_t ObjectNumber = 0;  // 1-based place in the document's object list; 0 for direct objects
  int64_t Offset = 0;        // byte position in the output; the cross-reference table reads it
  bool Shared = false;       // set before an array or dictionary takes it: that one will not
                             // free it

 protected:
  virtual void WriteBody(TStream* stream) = 0;
};

// A reference to an indirect object: "3 0 R".
class TPVPDFRefObject : public TPVPDFObject {
 public:
  TPVPDFRefObject(int32_t refNumber, int32_t generation)
      : RefNumber(refNumber), Generation(generation) {}
  int32_t RefNumber;
  int32_t Generation;

 protected:
  void WriteBody(TStream* stream) override;
};

// A number, in the general decimal form with "." whatever the locale.
class TPVPDFNumericObject : public TPVPDFObject {
 public:
  explicit TPVPDFNumericObject(double value) : Value(value) {}
  double Value;

 protected:
  void WriteBody(TStream* stream) override;
};

class TPVPDFBooleanObject : public TPVPDFObject {
 public:
  explicit TPVPDFBooleanObject(bool value) : Value(value) {}
  bool Value;

 protected:
  void WriteBody(TStream* stream) override;
};

// A literal string of 8-bit characters, written in parentheses with the PDF escapes.
class TPVPDFStringObject : public TPVPDFObject {
 public:
  explicit TPVPDFStringObject(std::string value) : Value(std::move(value)) {}
  std::string Value;

 protected:
  void WriteBody(TStream* stream) override;
};

// A name, held without its leading "/".
class TPVPDFNameObject : public TPVPDFObject {
 public:
  explicit TPVPDFNameObject(std::string value) : Value(std::move(value)) {}
  std::string Value;

 protected:
  void WriteBody(TStream* stream) override;
};

// One entry of an array or dictionary. Whether the container owns the object is settled once,
// when the object comes in: an object that is Shared at that moment stays with whoever made
// it; any other, and any object handed over as a unique_ptr, is freed with the container.
class TPVPDFItem {
 public:
  explicit TPVPDFItem(TPVPDFObject* object)
      : owned_(object != nullptr && !object->Shared ? object : nullptr), object_(object) {}
  explicit TPVPDFItem(std::unique_ptr<TPVPDFObject> object)
      : owned_(std::move(object)), object_(owned_.get()) {}

  TPVPDFObject* Get() const { return object_; }

 private:
  std::unique_ptr<TPVPDFObject> owned_;
  TPVPDFObject* object_;
};

template <class T>
concept TPVPDFObjectType = std::derived_from<T, TPVPDFObject>;

class TPVPDFArrayObject : public TPVPDFObject {
 public:
  TPVPDFArrayObject() = default;
  // Frees the items it owns, from the last to the first.
  ~TPVPDFArrayObject() override;

  // Appends Item and takes it over unless it is Shared.
  void Add(TPVPDFObject* Item);
  // Appends Item, which the array owns; gives it back for filling in.
  template <TPVPDFObjectType T>
  T* Add(std::unique_ptr<T> Item) {
    T* item = Item.get();
    Items.emplace_back(std::unique_ptr<TPVPDFObject>(std::move(Item)));
    return item;
  }
  int32_t GetCount() const { return static_cast<int32_t>(Items.size()); }
  TPVPDFObject* GetItem(int32_t Index) const { return Items.at(Index).Get(); }

 protected:
  void WriteBody(TStream* stream) override;

 private:
  std::vector<TPVPDFItem> Items;
};

// Keys in insertion order; the same key may appear twice and is then written twice. Values
// are owned as TPVPDFItem says; the unique_ptr forms always hand the value over.
class TPVPDFDictionaryObject : public TPVPDFObject {
 public:
  TPVPDFDictionaryObject() = default;
  // Frees the values it owns, from the last to the first.
  ~TPVPDFDictionaryObject() override;

  // Adds the key at the end and takes Value over unless it is Shared.
  void Add(const std::string& Key, TPVPDFObject* Value);
  // Adds the key at the end with Value, which the dictionary owns; gives Value back.
  template <TPVPDFObjectType T>
  T* Add(const std::string& Key, std::unique_ptr<T> Value) {
    T* value = Value.get();
    Items.emplace_back(Key, TPVPDFItem(std::move(Value)));
    return value;
  }
  // Inserts the key before the entry at Index (0 puts it first, GetCount() at the end). An
  // index outside 0..GetCount() raises Exception; a raw Value then stays with the caller.
  void Insert(int32_t Index, const std::string& Key, TPVPDFObject* Value);
  void Insert(int32_t Index, const std::string& Key, std::unique_ptr<TPVPDFObject> Value);
  // Puts Value in place of the value at Index, freeing the old one when it owned it.
  void Replace(int32_t index, TPVPDFObject* value);
  void Replace(int32_t index, std::unique_ptr<TPVPDFObject> value);

  int32_t GetCount() const { return static_cast<int32_t>(Items.size()); }
  // Index of the first entry with the key, -1 when there is none.
  int32_t IndexOf(const std::string& Key) const;
  // Value of the first entry with the key, null when there is none.
  TPVPDFObject* Find(const std::string& key) const;
  const std::string& GetKey(int32_t index) const { return Items.at(index).first; }
  TPVPDFObject* GetValue(int32_t index) const { return Items.at(index).second.Get(); }

 protected:
  void WriteBody(TStream* stream) override;

 private:
  void CheckInsertIndex(int32_t index) const;

  std::vector<std::pair<std::string, TPVPDFItem>> Items;
};

// A stream: its own dictionary, which starts with "Length" 0, and a copy of its data. Writing
// sets "Length" to the data's length first.
class TPVPDFStreamObject : public TPVPDFObject {
 public:
  TPVPDFStreamObject();
  // Copies Length bytes of Source (none for a null Source or a length below 1).
  TPVPDFStreamObject(const void* Source, int64_t Length);

  int64_t GetDataLength() const { return static_cast<int64_t>(Data.size()); }

  std::vector<uint8_t> Data;
  std::unique_ptr<TPVPDFDictionaryObject> Dictionary;

 protected:
  void WriteBody(TStream* stream) override;
};

}  // namespace calmora
