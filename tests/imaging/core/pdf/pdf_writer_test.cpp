// The PDF file writer: object numbering, catalog, pages and page tree, header, objects, the
// cross-reference table and the trailer; whole files are checked with qpdf, pdfinfo and pdftoppm.
#include "imaging/core/pdf/pdf_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

std::string Contents(TMemoryStream& stream) {
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

// The value of one "Name:   value" line of pdfinfo's report; empty when absent.
std::string Field(const std::string& report, const std::string& name) {
  const size_t line = report.find(name + ":");
  if (line == std::string::npos) return "";
  const size_t start = report.find_first_not_of(' ', line + name.size() + 1);
  const size_t end = report.find('\n', start);
  return report.substr(start, end - start);
}

// The objects of a document in the order in which the codec writer lists them: catalog,
// shared resources, then per page an image, its content stream and the page, then the page
// tree and the information dictionary. Each page shows a 2 x 2 grey image over the whole page.
class PdfDocument {
 public:
  explicit PdfDocument(int pageCount) {
    CreatePDFCatalog(objects);
    resources = new TPVPDFDictionaryObject;
    resources->Shared = true;
    auto* procSet = new TPVPDFArrayObject;
    procSet->Add(new TPVPDFNameObject("PDF"));
    procSet->Add(new TPVPDFNameObject("ImageB"));
    resources->Add("ProcSet", procSet);
    auto* xobjects = new TPVPDFDictionaryObject;
    resources->Add("XObject", xobjects);
    AddPDFIndirectObject(objects, resources);
    for (int i = 0; i < pageCount; ++i) {
      const unsigned char pixels[] = {0, 85, 170, static_cast<unsigned char>(255 - i)};
      auto* image = new TPVPDFStreamObject(pixels, 4);
      image->Dictionary->Add("ColorSpace", new TPVPDFNameObject("DeviceGray"));
      image->Dictionary->Add("BitsPerComponent", new TPVPDFNumericObject(8));
      image->Dictionary->Insert(0, "Type", new TPVPDFNameObject("XObject"));
      image->Dictionary->Insert(1, "Subtype", new TPVPDFNameObject("Image"));
      image->Dictionary->Add("Width", new TPVPDFNumericObject(2));
      image->Dictionary->Add("Height", new TPVPDFNumericObject(2));
      AddPDFIndirectObject(objects, image);
      const std::string name = "lm" + std::to_string(i + 1);
      const std::string ops = "q\n595 0 0 842 0 0 cm\n/" + name + " Do\nQ";
      auto* content = new TPVPDFStreamObject(ops.data(), static_cast<int64_t>(ops.size()));
      AddPDFIndirectObject(objects, content);
      auto* box = new TPVPDFArrayObject;
      for (double v : {0.0, 0.0, 595.0, 842.0}) box->Add(new TPVPDFNumericObject(v));
      CreatePDFPage(objects, pages, resources, box, content->ObjectNumber);
      xobjects->Add(name, new TPVPDFRefObject(image->ObjectNumber, 0));
    }
    CreatePDFPages(objects, pages);
    info = new TPVPDFDictionaryObject;
    info->Add("Title", new TPVPDFStringObject("Page (one) \\ test"));
    info->Add("Producer", new TPVPDFStringObject("Calmora"));
    info->Add("CreationDate", new TPVPDFStringObject("D:20240102030405"));
    AddPDFIndirectObject(objects, info);
  }

  void WriteTo(TStream* stream) {
    WritePDFHeader(stream);
    WritePDFObjects(stream, objects);
    WritePDFXrefAndTrailer(stream, objects, info);
  }

  TPVPDFObjectList objects;
  TPVPDFPageList pages;
  TPVPDFDictionaryObject* resources = nullptr;
  TPVPDFDictionaryObject* info = nullptr;
};

class PdfWriterFiles : public ::testing::Test {
 protected:
  std::string WriteFile(PdfDocument& document, const std::string& name) {
    const std::string path = folder.File(name);
    TFileStream file(path, fmCreate);
    document.WriteTo(&file);
    return path;
  }

  test::ScratchFolder folder{"calmora-pdf"};
};

TEST(PdfWriter, HeaderIsFifteenBytes) {
  TMemoryStream stream;
  WritePDFHeader(&stream);
  EXPECT_EQ(Contents(stream), "%PDF-1.4\n%\xC8\xD2\xF0\xFE\n");
  EXPECT_EQ(stream.GetSize(), 15);
}

TEST(PdfWriter, PadLeft) {
  EXPECT_EQ(PadLeft("15", 10, '0'), "0000000015");
  EXPECT_EQ(PadLeft("", 3, '*'), "***");
  EXPECT_EQ(PadLeft("12345678901", 10, '0'), "12345678901");  // longer: unchanged
  EXPECT_EQ(PadLeft("abc", 3, '0'), "abc");
  EXPECT_EQ(PadLeft("abc", -1, '0'), "abc");
}

TEST(PdfWriter, NumbersObjectsByListPosition) {
  TPVPDFObjectList objects;
  TPVPDFDictionaryObject* catalog = CreatePDFCatalog(objects);
  EXPECT_EQ(catalog->ObjectNumber, 1);
  auto* second = AddPDFIndirectObject(objects, std::make_unique<TPVPDFBooleanObject>(true));
  EXPECT_EQ(second->ObjectNumber, 2);
  auto* third = new TPVPDFBooleanObject(false);
  AddPDFIndirectObject(objects, third);
  EXPECT_EQ(third->ObjectNumber, 3);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[1].get(), second);
  EXPECT_EQ(objects[2].get(), third);
}

// Counts its destructions, to see what the object list frees.
class CountedBoolean : public TPVPDFBooleanObject {
 public:
  explicit CountedBoolean(int& counter) : TPVPDFBooleanObject(true), destroyed(counter) {}
  ~CountedBoolean() override { ++destroyed; }
  int& destroyed;
};

TEST(PdfWriter, TheObjectListFreesEveryListedObjectOnce) {
  int destroyed = 0;
  {
    TPVPDFObjectList objects;
    CreatePDFCatalog(objects);
    auto* shared = new CountedBoolean(destroyed);
    shared->Shared = true;  // held by a dictionary too, which must leave it to the list
    AddPDFIndirectObject(objects, shared);
    AddPDFIndirectObject(objects, std::make_unique<CountedBoolean>(destroyed));
    TPVPDFPageList pages;
    auto* box = new TPVPDFArrayObject;
    box->Add(std::make_unique<CountedBoolean>(destroyed));
    TPVPDFDictionaryObject* page = CreatePDFPage(objects, pages, shared, box, 3);
    page->Add("Flag", shared);
    CreatePDFPages(objects, pages);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 3);  // the two listed ones and the one in the page's box
}

TEST(PdfWriter, PagesAndPageTree) {
  PdfDocument document(2);
  // 1 catalog, 2 resources, 3 image, 4 content, 5 page, 6 image, 7 content, 8 page, 9 tree,
  // 10 info.
  ASSERT_EQ(document.objects.size(), 10u);
  ASSERT_EQ(document.pages.size(), 2u);
  TMemoryStream page;
  document.pages[0]->Write(&page);
  EXPECT_EQ(Contents(page),
            "<< /Type /Page\n/Resources 2 0 R\n/MediaBox [0 0 595 842 ]\n/Contents 4 0 R\n"
            "/Parent 9 0 R\n>>");
  TMemoryStream tree;
  document.objects[8]->Write(&tree);
  EXPECT_EQ(Contents(tree), "<< /Type /Pages\n/Kids [5 0 R 8 0 R ]\n/Count 2\n>>");
  TMemoryStream catalog;
  document.objects[0]->Write(&catalog);
  EXPECT_EQ(Contents(catalog), "<< /Type /Catalog\n/Pages 9 0 R\n>>");
  TMemoryStream image;
  document.objects[2]->Write(&image);
  const std::string head =
      "<< /Type /XObject\n/Subtype /Image\n/Length 4\n/ColorSpace /DeviceGray\n"
      "/BitsPerComponent 8\n/Width 2\n/Height 2\n>>\nstream\n";
  EXPECT_EQ(Contents(image).substr(0, head.size()), head);
}

TEST(PdfWriter, PageWithoutResources) {
  TPVPDFObjectList objects;
  TPVPDFPageList pages;
  auto* box = new TPVPDFArrayObject;
  TPVPDFDictionaryObject* page = CreatePDFPage(objects, pages, nullptr, box, 9);
  TMemoryStream stream;
  page->Write(&stream);
  EXPECT_EQ(Contents(stream), "<< /Type /Page\n/MediaBox []\n/Contents 9 0 R\n>>");
  EXPECT_EQ(pages.front(), page);
  EXPECT_EQ(objects.front().get(), page);
}

TEST(PdfWriter, ObjectsAndCrossReferenceTable) {
  PdfDocument document(1);  // 7 objects, as a one-page file of the codec writer
  ASSERT_EQ(document.objects.size(), 7u);
  TMemoryStream stream;
  document.WriteTo(&stream);
  const std::string file = Contents(stream);

  // Each object starts at its recorded offset with its number line and ends with "endobj".
  for (const auto& object : document.objects) {
    const std::string opening = std::to_string(object->ObjectNumber) + " 0 obj\n";
    EXPECT_EQ(file.compare(static_cast<size_t>(object->Offset), opening.size(), opening), 0)
        << "object " << object->ObjectNumber;
  }
  EXPECT_EQ(document.objects[0]->Offset, 15);  // right after the header
  // Objects follow each other directly: each one's "endobj" line ends where the next begins.
  for (size_t i = 1; i < document.objects.size(); ++i)
    EXPECT_EQ(file.substr(static_cast<size_t>(document.objects[i]->Offset) - 8, 8), "\nendobj\n");

  ASSERT_NE(file.find("\nxref\n"), std::string::npos);
  const size_t xref = file.find("\nxref\n") + 1;
  std::string rest = file.substr(xref);
  EXPECT_EQ(rest.substr(0, 9), "xref\n0 8\n");
  const std::string entries = rest.substr(9, 8 * 20);
  EXPECT_EQ(entries.substr(0, 20), "0000000000 65535 f \n");
  for (size_t i = 1; i < 8; ++i) {
    const std::string entry = entries.substr(i * 20, 20);
    EXPECT_EQ(entry.size(), 20u);
    EXPECT_EQ(entry.substr(10), " 00000 n \n");
    EXPECT_EQ(std::stoll(entry.substr(0, 10)), document.objects[i - 1]->Offset);
  }
  EXPECT_EQ(rest.substr(9 + 160), "trailer\n<< /Size 8\n/Root 1 0 R\n/Info 7 0 R\n>>\nstartxref\n" +
                                      std::to_string(xref) + "\n%%EOF\n");
}

TEST(PdfWriter, TrailerWithoutInfo) {
  TPVPDFObjectList objects;
  CreatePDFCatalog(objects);
  TMemoryStream stream;
  WritePDFHeader(&stream);
  WritePDFObjects(&stream, objects);
  WritePDFXrefAndTrailer(&stream, objects, nullptr);
  const std::string file = Contents(stream);
  EXPECT_NE(file.find("<< /Size 2\n/Root 1 0 R\n>>\n"), std::string::npos);
  EXPECT_EQ(file.find("/Info"), std::string::npos);
}

TEST_F(PdfWriterFiles, OnePageA4PassesQpdfAndPdfinfo) {
  CALMORA_REQUIRE_TOOL("qpdf");
  CALMORA_REQUIRE_TOOL("pdfinfo");
  CALMORA_REQUIRE_TOOL("pdftoppm");
  PdfDocument document(1);
  const std::string path = WriteFile(document, "page.pdf");

  const test::ToolResult check = test::RunTool("qpdf --check " + test::ShellQuoted(path));
  EXPECT_EQ(check.Status, 0) << check.Output;
  EXPECT_NE(check.Output.find("No syntax or stream encoding errors"), std::string::npos)
      << check.Output;
  EXPECT_EQ(check.Output.find("WARNING"), std::string::npos) << check.Output;

  const test::ToolResult info = test::RunTool("pdfinfo " + test::ShellQuoted(path));
  EXPECT_EQ(info.Status, 0) << info.Output;
  EXPECT_EQ(Field(info.Output, "Page size"), "595 x 842 pts (A4)") << info.Output;
  EXPECT_EQ(Field(info.Output, "Pages"), "1") << info.Output;
  EXPECT_EQ(Field(info.Output, "Title"), "Page (one) \\ test") << info.Output;
  EXPECT_EQ(Field(info.Output, "Producer"), "Calmora") << info.Output;
  EXPECT_EQ(Field(info.Output, "PDF version"), "1.4") << info.Output;

  // The image really is on the page: the page rendered to grey shows its four levels.
  const std::string pgm = folder.File("page");
  const test::ToolResult render = test::RunTool(
      "pdftoppm -gray -r 4 -singlefile " + test::ShellQuoted(path) + " " + test::ShellQuoted(pgm));
  ASSERT_EQ(render.Status, 0) << render.Output;
  TPVBitmap page;
  std::string error;
  ASSERT_TRUE(test::LoadPNM(pgm + ".pgm", page, &error)) << error;
  ASSERT_EQ(page.GetPixelFormat(), pv8g);
  const int32_t width = page.Width, height = page.Height;
  ASSERT_GT(width, 4);
  ASSERT_GT(height, 4);
  // Image row 0 (0, 85) at the top of the page, row 1 (170, 255) at the bottom.
  EXPECT_LT(page.GetScanline(0)[0], 20);
  EXPECT_NEAR(page.GetScanline(0)[width - 1], 85, 20);
  EXPECT_NEAR(page.GetScanline(height - 1)[0], 170, 20);
  EXPECT_GT(page.GetScanline(height - 1)[width - 1], 235);
}

TEST_F(PdfWriterFiles, ThreePagesPassQpdf) {
  CALMORA_REQUIRE_TOOL("qpdf");
  CALMORA_REQUIRE_TOOL("pdfinfo");
  PdfDocument document(3);
  const std::string path = WriteFile(document, "pages.pdf");
  const test::ToolResult check = test::RunTool("qpdf --check " + test::ShellQuoted(path));
  EXPECT_EQ(check.Status, 0) << check.Output;
  EXPECT_EQ(check.Output.find("WARNING"), std::string::npos) << check.Output;
  const test::ToolResult info = test::RunTool("pdfinfo " + test::ShellQuoted(path));
  EXPECT_EQ(Field(info.Output, "Pages"), "3") << info.Output;
}

}  // namespace
}  // namespace calmora
