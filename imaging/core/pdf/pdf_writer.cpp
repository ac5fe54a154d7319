// The document-level PDF operations: object numbering, catalog, pages and page tree, and the
// file layout around the objects (header, cross-reference table, trailer).
#include "imaging/core/pdf/pdf_writer.h"

#include "imaging/base/text_helpers.h"

namespace calmora {

namespace {

void PutLine(TStream* stream, const std::string& text) {
  if (!WriteTextLineLF(stream, text)) throw EWriteError("Stream write error");
}

std::unique_ptr<TPVPDFRefObject> RefTo(const TPVPDFObject* object) {
  return std::make_unique<TPVPDFRefObject>(object->ObjectNumber, 0);
}

}  // namespace

void AddPDFIndirectObject(TPVPDFObjectList& Objects, TPVPDFObject* Obj) {
  AddPDFIndirectObject(Objects, std::unique_ptr<TPVPDFObject>(Obj));
}

TPVPDFDictionaryObject* CreatePDFCatalog(TPVPDFObjectList& Objects) {
  auto catalog = std::make_unique<TPVPDFDictionaryObject>();
  catalog->Add("Type", std::make_unique<TPVPDFNameObject>("Catalog"));
  return AddPDFIndirectObject(Objects, std::move(catalog));
}

TPVPDFDictionaryObject* CreatePDFPage(TPVPDFObjectList& Objects, TPVPDFPageList& Pages,
                                      TPVPDFObject* Resources, TPVPDFArrayObject* MediaBox,
                                      int32_t ContentsNumber) {
  auto page = std::make_unique<TPVPDFDictionaryObject>();
  page->Add("Type", std::make_unique<TPVPDFNameObject>("Page"));
  if (Resources != nullptr) page->Add("Resources", RefTo(Resources));
  page->Add("MediaBox", MediaBox);
  page->Add("Contents", std::make_unique<TPVPDFRefObject>(ContentsNumber, 0));
  Pages.push_back(AddPDFIndirectObject(Objects, std::move(page)));
  return Pages.back();
}

TPVPDFDictionaryObject* CreatePDFPages(TPVPDFObjectList& Objects, const TPVPDFPageList& Pages) {
  auto* tree = AddPDFIndirectObject(Objects, std::make_unique<TPVPDFDictionaryObject>());
  tree->Add("Type", std::make_unique<TPVPDFNameObject>("Pages"));
  auto kids = std::make_unique<TPVPDFArrayObject>();
  for (TPVPDFDictionaryObject* page : Pages) {
    kids->Add(RefTo(page));
    page->Add("Parent", RefTo(tree));
  }
  tree->Add("Kids", std::move(kids));
  tree->Add("Count", std::make_unique<TPVPDFNumericObject>(static_cast<double>(Pages.size())));
  if (auto* catalog = dynamic_cast<TPVPDFDictionaryObject*>(Objects.front().get()))
    catalog->Add("Pages", RefTo(tree));
  return tree;
}

void WritePDFHeader(TStream* Stream) {
  PutLine(Stream, "%PDF-1.4");
  PutLine(Stream, "%\xC8\xD2\xF0\xFE");
}

void WritePDFObjects(TStream* Stream, const TPVPDFObjectList& Objects) {
  for (const auto& object : Objects) {
    const int64_t start = Stream->GetPosition();
    PutLine(Stream, IntegerToText(object->ObjectNumber) + " 0 obj");
    object->Write(Stream);
    PutLine(Stream, "");
    PutLine(Stream, "endobj");
    object->Offset = start;
  }
}

void WritePDFXrefAndTrailer(TStream* Stream, const TPVPDFObjectList& Objects,
                            const TPVPDFDictionaryObject* Info) {
  const int64_t table = Stream->GetPosition();
  const std::string size = IntegerToText(static_cast<int64_t>(Objects.size()) + 1);
  PutLine(Stream, "xref");
  PutLine(Stream, "0 " + size);
  PutLine(Stream, "0000000000 65535 f ");  // with the LF: 20 bytes, like every entry
  for (const auto& object : Objects)
    PutLine(Stream, PadLeft(IntegerToText(object->Offset), 10, '0') + " 00000 n ");
  PutLine(Stream, "trailer");
  PutLine(Stream, "<< /Size " + size);
  PutLine(Stream, "/Root 1 0 R");
  if (Info != nullptr) PutLine(Stream, "/Info " + IntegerToText(Info->ObjectNumber) + " 0 R");
  PutLine(Stream, ">>");
  PutLine(Stream, "startxref");
  PutLine(Stream, IntegerToText(table));
  PutLine(Stream, "%%EOF");
}

std::string PadLeft(const std::string& Text, int32_t Length, char Ch) {
  if (static_cast<int64_t>(Text.size()) >= Length) return Text;
  return std::string(static_cast<size_t>(Length) - Text.size(), Ch) + Text;
}

}  // namespace calmora
