// Assembles PDF 1.4 files from PDF objects: the document's object list with its catalog,
// page tree and pages, and the file header, the numbered objects, the cross-reference table
// with its 20-byte entries and the trailer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/pdf/pdf_objects.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

// The document's indirect objects; object n is at index n - 1. The list owns what is listed
// and frees it with itself. An object listed here that an array or dictionary holds as well
// must be Shared before that one takes it.
using TPVPDFObjectList = std::vector<std::unique_ptr<TPVPDFObject>>;
// The page dictionaries of a document, in page order (owned by the object list).
using TPVPDFPageList = std::vector<TPVPDFDictionaryObject*>;

// Appends Obj, which the list takes over, and gives it the list's new length as its object
// number.
void AddPDFIndirectObject(TPVPDFObjectList& Objects, TPVPDFObject* Obj);
// The same for an object handed over as a unique_ptr; gives Obj back.
template <TPVPDFObjectType T>
T* AddPDFIndirectObject(TPVPDFObjectList& Objects, std::unique_ptr<T> Obj) {
  T* object = Obj.get();
  Objects.push_back(std::move(Obj));
  object->ObjectNumber = static_cast<int32_t>(Objects.size());
  return object;
}

// The catalog ("Type" /Catalog), listed at once; called first, it is object 1, which the
// trailer names as the root.
TPVPDFDictionaryObject* CreatePDFCatalog(TPVPDFObjectList& Objects);

// A page dictionary: "Type" /Page, "Resources" (a reference, only when Resources is given),
// "MediaBox" (the array, taken over unless Shared) and "Contents" (a reference to
// ContentsNumber). It is listed in Objects, which owns it, and appended to Pages.
TPVPDFDictionaryObject* CreatePDFPage(TPVPDFObjectList& Objects, TPVPDFPageList& Pages,
                                      TPVPDFObject* Resources, TPVPDFArrayObject* MediaBox,
                                      int32_t ContentsNumber);

// The page tree, listed at once (so its number follows every object listed before): "Type"
// /Pages, "Kids" and "Count". Every page gets "Parent", and the first listed object (the
// catalog) gets "Pages", both references to the tree.
TPVPDFDictionaryObject* CreatePDFPages(TPVPDFObjectList& Objects, const TPVPDFPageList& Pages);

// "%PDF-1.4", then a comment of four bytes above 127 that marks the file as binary: 15 bytes.
void WritePDFHeader(TStream* Stream);

// Each object as "n 0 obj", its text, "endobj"; each object's Offset becomes the position of
// its "n 0 obj" line.
void WritePDFObjects(TStream* Stream, const TPVPDFObjectList& Objects);

// The cross-reference table (the free head and one entry per object, 20 bytes each, from the
// offsets WritePDFObjects recorded on this stream), the trailer naming object 1 as the root
// and Info as the information dictionary (left out when Info is null), "startxref" and
// "%%EOF". Offsets count from the stream's start, so the stream must begin with the header.
void WritePDFXrefAndTrailer(TStream* Stream, const TPVPDFObjectList& Objects,
                            const TPVPDFDictionaryObject* Info);

// Ch put in front of Text until it is at least Length characters long.
std::string PadLeft(const std::string& Text, int32_t Length, char Ch);

}  // namespace calmora
