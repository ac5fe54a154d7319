// The per-format rows of the I/O component's load and save methods.
#include "imaging/io/load_save/load_save_methods.h"

#include <array>

namespace calmora {

namespace {

TPVFormatMethod Row(TPVFileFormatId id, bool canLoad, bool canSave) {
  TPVFormatMethod row;
  row.Id = id;
  row.CanLoad = canLoad;
  row.CanSave = canSave;
  return row;
}

std::array<TPVFormatMethod, kFormatDICOM + 1> BuildRows() {
  std::array<TPVFormatMethod, kFormatDICOM + 1> rows{};
  for (int32_t id = 0; id <= kFormatDICOM; ++id) rows[static_cast<size_t>(id)].Id = id;
  auto set = [&rows](const TPVFormatMethod& row) { rows[static_cast<size_t>(row.Id)] = row; };

  TPVFormatMethod tiff = Row(kFormatTIFF, true, true);
  tiff.LoadsMask = true;
  tiff.HeaderMagic = "TIFF";
  set(tiff);
  TPVFormatMethod gif = Row(kFormatGIF, false, true);  // its load composes frames
  gif.CreatesFileFirst = true;
  set(gif);
  TPVFormatMethod jpeg = Row(kFormatJPEG, true, true);
  jpeg.ConvertOnSave = true;
  jpeg.HeaderMagic = "JFIF";
  jpeg.AlwaysLooksForHeader = true;
  jpeg.PreparesJPEGMarkers = true;
  set(jpeg);
  TPVFormatMethod pcx = Row(kFormatPCX, true, true);
  pcx.ConvertOnSave = true;
  pcx.HeaderMagic = "PCX2";
  set(pcx);
  TPVFormatMethod bmp = Row(kFormatBMP, true, true);
  bmp.LoadsMask = true;
  bmp.CreatesFileFirst = true;
  set(bmp);
  TPVFormatMethod ico = Row(kFormatICO, true, true);
  ico.LoadsMask = true;
  ico.UpdateViewDPIFromStream = false;
  ico.ConvertOnSave = true;
  set(ico);
  TPVFormatMethod cur = Row(kFormatCUR, true, false);
  cur.LoadsMask = true;
  cur.UpdateViewDPIFromStream = false;
  set(cur);
  TPVFormatMethod png = Row(kFormatPNG, true, true);
  png.SavesMask = true;
  set(png);
  TPVFormatMethod tga = Row(kFormatTGA, true, true);
  tga.LoadsMask = true;
  tga.UpdateViewDPIFromStream = false;
  tga.ConvertOnSave = true;
  tga.SavesMask = true;
  set(tga);
  TPVFormatMethod pxm = Row(kFormatPXM, true, true);
  pxm.UpdateViewDPIFromFile = pxm.UpdateViewDPIFromStream = false;
  pxm.ConvertOnSave = true;
  pxm.FileKeepsRGB48 = true;
  set(pxm);
  for (TPVFileFormatId id : {kFormatJP2, kFormatJ2K}) {
    TPVFormatMethod jpeg2000 = Row(id, true, true);
    jpeg2000.ConvertOnSave = true;
    jpeg2000.CreatesFileFirst = true;
    set(jpeg2000);
  }
  TPVFormatMethod wbmp = Row(kFormatWBMP, true, true);
  wbmp.AdjustDPI = false;
  wbmp.UpdateViewDPIFromFile = wbmp.UpdateViewDPIFromStream = false;
  wbmp.ConvertOnSave = true;
  set(wbmp);
  for (TPVFileFormatId id : {kFormatPS, kFormatPDF}) {
    TPVFormatMethod document = Row(id, false, true);
    document.ConvertOnSave = true;
    document.CreatesFileFirst = true;
    set(document);
  }
  TPVFormatMethod dcx = Row(kFormatDCX, true, true);
  dcx.CreatesFileFirst = true;
  dcx.TruncatesStream = true;
  set(dcx);
  TPVFormatMethod psd = Row(kFormatPSD, true, true);
  psd.CreatesFileFirst = true;
  set(psd);
  set(Row(kFormatCameraRaw, true, false));
  TPVFormatMethod rawPixels = Row(kFormatRawPixels, true, false);
  rawPixels.ApplyDefaultDPI = rawPixels.AdjustDPI = false;
  rawPixels.UpdateViewDPIFromFile = rawPixels.UpdateViewDPIFromStream = false;
  set(rawPixels);
  TPVFormatMethod dicom = Row(kFormatDICOM, true, false);
  dicom.ApplyDefaultDPI = dicom.AdjustDPI = false;
  dicom.UpdateViewDPIFromFile = dicom.UpdateViewDPIFromStream = false;
  set(dicom);
  return rows;
}

}  // namespace

const TPVFormatMethod& FormatMethodOf(TPVFileFormatId Id) {
  static const std::array<TPVFormatMethod, kFormatDICOM + 1> rows = BuildRows();
  static const TPVFormatMethod none;
  if (Id < 0 || Id > kFormatDICOM) return none;
  return rows[static_cast<size_t>(Id)];
}

}  // namespace calmora
