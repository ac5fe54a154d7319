// The PDF object classes: the exact syntax each writes, offsets, and who frees what.
#include "imaging/core/pdf/pdf_objects.h"

#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <string>

#include "imaging/base/streams/streams.h"
#include "tests/support/comma_locale.h"

namespace calmora {
namespace {

std::string Written(TPVPDFObject& object, const std::string& before = "") {
  TMemoryStream stream;
  stream.WriteBuffer(before.data(), static_cast<int32_t>(before.size()));
  object.Write(&stream);
  return std::string(static_cast<const char*>(stream.GetMemory()) + before.size(),
                     static_cast<size_t>(stream.GetSize()) - before.size());
}

TEST(PdfObjects, Numbers) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {595, "595"},     {0.5, "0.5"},   {2.54, "2.54"},           {0, "0"},
      {-12.25, "-12.25"}, {842, "842"}, {1e20, "100000000000000000000"},
      {0.000001, "0.000001"},
  };
  for (const Case& c : cases) {
    TPVPDFNumericObject number(c.value);
    EXPECT_EQ(Written(number), c.text);
  }
}

TEST(PdfObjects, NumbersIgnoreTheLocale) {
  std::string text;
  {
    const test::CommaLocale locale(LC_NUMERIC);
    CALMORA_REQUIRE_COMMA_LOCALE(locale);
    TPVPDFNumericObject number(2.54);
    text = Written(number);
  }
  EXPECT_EQ(text, "2.54");
}

TEST(PdfObjects, ReferencesAndBooleans) {
  TPVPDFRefObject ref(3, 0);
  EXPECT_EQ(Written(ref), "3 0 R");
  TPVPDFRefObject ref2(12, 65535);
  EXPECT_EQ(Written(ref2), "12 65535 R");
  TPVPDFBooleanObject yes(true), no(false);
  EXPECT_EQ(Written(yes), "true");
  EXPECT_EQ(Written(no), "false");
}

TEST(PdfObjects, StringEscapes) {
  struct Case {
    std::string value;
    std::string text;
  };
  const Case cases[] = {
      {"a(b)\\c", "(a\\(b\\)\\\\c)"},
      {"", "()"},
      {"\b\t\n\f\r", "(\\b\\t\\n\\f\\r)"},
      {std::string("x\0y", 3), std::string("(x\0y)", 5)},  // other control bytes unchanged
      {"caf\xE9 \xFF", "(caf\xE9 \xFF)"},                  // bytes above 127 unchanged
  };
  for (const Case& c : cases) {
    TPVPDFStringObject s(c.value);
    EXPECT_EQ(Written(s), c.text);
  }
}

TEST(PdfObjects, NameEscapes) {
  struct Case {
    std::string value;
    std::string text;
  };
  const Case cases[] = {
      {"A B", "/A#20B"},
      {"A#B", "/A#B"},
      {"Catalog", "/Catalog"},
      {"\x7F\xC8!~", "/#7F#C8!~"},
      {"", "/"},
  };
  for (const Case& c : cases) {
    TPVPDFNameObject n(c.value);
    EXPECT_EQ(Written(n), c.text);
  }
}

TEST(PdfObjects, ArraysAndDictionaries) {
  TPVPDFArrayObject empty;
  EXPECT_EQ(Written(empty), "[]");
  TPVPDFArrayObject box;
  for (double v : {0.0, 0.0, 595.0, 842.0}) box.Add(new TPVPDFNumericObject(v));
  EXPECT_EQ(Written(box), "[0 0 595 842 ]");

  TPVPDFDictionaryObject none;
  EXPECT_EQ(Written(none), "<< >>");
  TPVPDFDictionaryObject catalog;
  catalog.Add("Type", new TPVPDFNameObject("Catalog"));
  catalog.Add("Pages", new TPVPDFRefObject(5, 0));
  EXPECT_EQ(Written(catalog), "<< /Type /Catalog\n/Pages 5 0 R\n>>");

  // Keys are written unchanged, and a repeated key is written each time.
  TPVPDFDictionaryObject twice;
  twice.Add("A B", new TPVPDFBooleanObject(true));
  twice.Add("A B", new TPVPDFBooleanObject(false));
  EXPECT_EQ(Written(twice), "<< /A B true\n/A B false\n>>");
  EXPECT_EQ(twice.IndexOf("A B"), 0);
  EXPECT_EQ(twice.IndexOf("C"), -1);
  EXPECT_EQ(twice.Find("C"), nullptr);

  // Nesting.
  TPVPDFDictionaryObject resources;
  auto* procSet = new TPVPDFArrayObject;
  procSet->Add(new TPVPDFNameObject("PDF"));
  procSet->Add(new TPVPDFNameObject("ImageB"));
  resources.Add("ProcSet", procSet);
  resources.Add("XObject", new TPVPDFDictionaryObject);
  EXPECT_EQ(Written(resources), "<< /ProcSet [/PDF /ImageB ]\n/XObject << >>\n>>");
}

TEST(PdfObjects, InsertKeyAtPosition) {
  TPVPDFDictionaryObject image;
  image.Add("Width", new TPVPDFNumericObject(10));
  image.Insert(0, "Type", new TPVPDFNameObject("XObject"));
  image.Insert(1, "Subtype", new TPVPDFNameObject("Image"));
  image.Insert(image.GetCount(), "Height", new TPVPDFNumericObject(20));
  EXPECT_EQ(Written(image), "<< /Type /XObject\n/Subtype /Image\n/Width 10\n/Height 20\n>>");
  EXPECT_EQ(image.GetKey(2), "Width");

  auto outside = std::make_unique<TPVPDFNumericObject>(1);
  EXPECT_THROW(image.Insert(5, "Bad", outside.get()), Exception);
  EXPECT_THROW(image.Insert(-1, "Bad", outside.get()), Exception);
  EXPECT_EQ(image.GetCount(), 4);
  // Still the caller's: freeing it here would be a second free had the dictionary taken it.
}

TEST(PdfObjects, StreamWritesItsLength) {
  TPVPDFStreamObject stream("abc", 3);
  EXPECT_EQ(Written(stream), "<< /Length 3\n>>\nstream\nabc\nendstream");

  TPVPDFStreamObject empty;
  EXPECT_EQ(Written(empty), "<< /Length 0\n>>\nstream\n\nendstream");

  // The length follows the data at every write; the other entries stay in place.
  TPVPDFStreamObject content;
  content.Dictionary->Add("Filter", new TPVPDFNameObject("ASCII85Decode"));
  const std::string ops = "q\n1 0 0 1 0 0 cm\nQ";
  content.Data.assign(ops.begin(), ops.end());
  EXPECT_EQ(Written(content),
            "<< /Length 18\n/Filter /ASCII85Decode\n>>\nstream\n" + ops + "\nendstream");
  content.Data.resize(2);
  EXPECT_EQ(Written(content), "<< /Length 2\n/Filter /ASCII85Decode\n>>\nstream\nq\n\nendstream");

  // Binary data is written unchanged.
  const unsigned char bytes[] = {0, 255, 10, 13};
  TPVPDFStreamObject binary(bytes, 4);
  EXPECT_EQ(Written(binary), "<< /Length 4\n>>\nstream\n" +
                                std::string(reinterpret_cast<const char*>(bytes), 4) +
                                "\nendstream");
}

TEST(PdfObjects, WriteRecordsItsOffset) {
  TPVPDFBooleanObject flag(true);
  EXPECT_EQ(Written(flag, "0123456789"), "true");
  EXPECT_EQ(flag.Offset, 10);
  EXPECT_EQ(flag.ObjectNumber, 0);
  EXPECT_FALSE(flag.Shared);
}

// Counts its destructions, to see what the containers free.
class CountedNumber : public TPVPDFNumericObject {
 public:
  explicit CountedNumber(int& destroyed) : TPVPDFNumericObject(1), destroyed_(destroyed) {}
  ~CountedNumber() override { ++destroyed_; }
  int& destroyed_;
};

TEST(PdfObjects, ContainersFreeWhatIsNotShared) {
  int destroyed = 0;
  auto shared = std::make_unique<CountedNumber>(destroyed);
  shared->Shared = true;
  {
    TPVPDFArrayObject array;
    array.Add(new CountedNumber(destroyed));
    array.Add(shared.get());
    auto* dictionary = new TPVPDFDictionaryObject;
    dictionary->Add("a", new CountedNumber(destroyed));
    dictionary->Add("s", shared.get());
    array.Add(dictionary);
    TPVPDFStreamObject stream;
    stream.Dictionary->Add("s", shared.get());
    stream.Dictionary->Add("b", new CountedNumber(destroyed));
  }
  EXPECT_EQ(destroyed, 3);  // the three owned ones; the shared one lives on
  EXPECT_EQ(shared->Value, 1);
  shared.reset();
  EXPECT_EQ(destroyed, 4);
}

TEST(PdfObjects, OwnershipIsSettledWhenTheContainerTakesTheObject) {
  int destroyed = 0;
  auto sharedFirst = std::make_unique<CountedNumber>(destroyed);
  sharedFirst->Shared = true;
  {
    TPVPDFArrayObject array;
    auto* sharedLater = new CountedNumber(destroyed);
    array.Add(sharedLater);
    sharedLater->Shared = true;  // too late: the array owns it
    array.Add(sharedFirst.get());
    sharedFirst->Shared = false;  // still the caller's
    // Handed over as a unique_ptr, even a Shared object belongs to the container.
    auto handedOver = std::make_unique<CountedNumber>(destroyed);
    handedOver->Shared = true;
    EXPECT_EQ(array.Add(std::move(handedOver))->Value, 1);
    EXPECT_EQ(array.GetCount(), 3);
  }
  EXPECT_EQ(destroyed, 2);
  sharedFirst.reset();
  EXPECT_EQ(destroyed, 3);
}

TEST(PdfObjects, ReplaceFreesTheOldValueUnlessShared) {
  int destroyed = 0;
  TPVPDFDictionaryObject dictionary;
  dictionary.Add("k", new CountedNumber(destroyed));
  dictionary.Replace(0, new TPVPDFNumericObject(7));
  EXPECT_EQ(destroyed, 1);
  auto shared = std::make_unique<CountedNumber>(destroyed);
  shared->Shared = true;
  dictionary.Replace(0, shared.get());
  dictionary.Replace(0, new TPVPDFNumericObject(8));
  EXPECT_EQ(destroyed, 1);
  shared.reset();
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(Written(dictionary), "<< /k 8\n>>");

  // Put back in its own place, a value stays, and stays owned.
  auto* owned = new CountedNumber(destroyed);
  dictionary.Replace(0, owned);
  dictionary.Replace(0, owned);
  EXPECT_EQ(destroyed, 2);
  dictionary.Replace(0, std::make_unique<TPVPDFNumericObject>(9));
  EXPECT_EQ(destroyed, 3);
  EXPECT_EQ(Written(dictionary), "<< /k 9\n>>");
}

TEST(PdfObjects, StreamWithoutLengthEntryGetsOneBack) {
  TPVPDFStreamObject stream("xy", 2);
  stream.Dictionary = std::make_unique<TPVPDFDictionaryObject>();
  stream.Dictionary->Add("Filter", new TPVPDFNameObject("FlateDecode"));
  EXPECT_EQ(Written(stream), "<< /Length 2\n/Filter /FlateDecode\n>>\nstream\nxy\nendstream");
}

TEST(PdfObjects, MissingItemsAreWrittenAsNull) {
  TPVPDFArrayObject array;
  array.Add(nullptr);
  EXPECT_EQ(Written(array), "[null ]");
  TPVPDFDictionaryObject dictionary;
  dictionary.Add("K", nullptr);
  EXPECT_EQ(Written(dictionary), "<< /K null\n>>");
}

TEST(PdfObjects, ShortWritesRaise) {
  char block[4] = {};
  TPVMemStream readOnly(block, sizeof block);  // writes nothing
  TPVPDFNameObject name("Catalog");
  EXPECT_THROW(name.Write(&readOnly), EWriteError);
  TPVPDFStreamObject stream("abc", 3);
  EXPECT_THROW(stream.Write(&readOnly), EWriteError);
}

}  // namespace
}  // namespace calmora
