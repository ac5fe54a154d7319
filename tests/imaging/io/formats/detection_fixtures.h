// Files of every format the registry knows, for the detection tests: the ones built here byte by
// byte (camera raw, metafiles, the view's streams, stream headers, DICOM, AVI), and the ones made
// at test time by the reference tools (ImageMagick, netpbm, ffmpeg, dcmtk).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/io/formats/file_formats.h"
#include "tests/imaging/codecs/raw/camera_raw_fixture.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

struct DetectionFixture {
  std::string Name;     // what it is and who made it
  std::string Bytes;
  TPVFileFormatId Format;  // what FindStreamFormat must answer
  int64_t Start = 0;       // where the data starts (bytes ahead of it are other data)
};

// A Windows metafile: the 18-byte standard header (type 1, 9 header words, no parameters) and
// the closing record, optionally behind the 22-byte placeable header.
inline std::string WindowsMetafile(bool placeable) {
  std::string bytes;
  if (placeable) {
    AppendLE(bytes, 0x9AC6CDD7, 4);
    AppendLE(bytes, 0, 2);                       // handle
    for (int v : {0, 0, 100, 100}) AppendLE(bytes, v, 2);  // bounds
    AppendLE(bytes, 1440, 2);                    // units per inch
    AppendLE(bytes, 0, 4);                       // reserved
    AppendLE(bytes, 0x9AC6CDD7 >> 16 ^ 0xCDD7 ^ 1440 ^ 100 ^ 100, 2);  // checksum
  }
  AppendLE(bytes, 1, 2);   // in memory
  AppendLE(bytes, 9, 2);   // header words
  AppendLE(bytes, 0x300, 2);
  AppendLE(bytes, 12, 4);  // file size in words
  AppendLE(bytes, 0, 2);   // objects
  AppendLE(bytes, 3, 4);   // largest record
  AppendLE(bytes, 0, 2);   // parameters
  AppendLE(bytes, 3, 4);   // end-of-file record
  AppendLE(bytes, 0, 2);
  return bytes;
}

// An enhanced metafile: the header record (type 1) with " EMF" at offset 40, then the end record.
inline std::string EnhancedMetafile() {
  std::string bytes;
  AppendLE(bytes, 1, 4);
  AppendLE(bytes, 108, 4);                                   // record size
  for (int v : {0, 0, 99, 99, 0, 0, 2540, 2540}) AppendLE(bytes, v, 4);  // bounds and frame
  AppendLE(bytes, 0x464D4520, 4);
  AppendLE(bytes, 0x10000, 4);                               // version
  AppendLE(bytes, 128, 4);                                   // file size
  AppendLE(bytes, 2, 4);                                     // records
  AppendLE(bytes, 1, 2);                                     // handles
  AppendLE(bytes, 0, 2);
  for (int v : {0, 0, 0, 1024, 768, 320, 240}) AppendLE(bytes, v, 4);
  bytes.resize(108, '\0');
  AppendLE(bytes, 14, 4);  // end-of-file record
  AppendLE(bytes, 20, 4);
  AppendLE(bytes, 0, 4);
  AppendLE(bytes, 16, 4);
  AppendLE(bytes, 20, 4);
  return bytes;
}

inline std::string LayersStream() {
  std::string bytes = "PICTAVOLAYERS";
  AppendLE(bytes, 6, 4);                       // version
  AppendLE(bytes, static_cast<uint32_t>(-1), 4);  // raw codec
  AppendLE(bytes, 0, 4);                       // no layers
  return bytes;
}

inline std::string PVVStream() {
  std::string bytes = "PVVQ";
  AppendLE(bytes, 24, 4);  // length
  AppendLE(bytes, 0, 8);   // measure scale
  AppendLE(bytes, 0, 4);   // no bitmaps
  AppendLE(bytes, 0, 4);   // (compressed objects would follow)
  return bytes;
}

inline std::string CombinedStream() {
  const std::string layers = LayersStream();
  std::string bytes;
  AppendLE(bytes, 4 + layers.size(), 4);
  return bytes + layers + PVVStream();
}

// The 12-byte header a stream save writes ahead of JPEG, TIFF and PCX data.
inline std::string StreamHeader(const std::string& magic, const std::string& data) {
  std::string bytes = magic;
  bytes.resize(8, '\0');
  AppendLE(bytes, data.size(), 4);
  return bytes + data;
}

inline std::string DICOMFile() {
  std::string bytes(128, '\0');
  bytes += "DICM";
  AppendLE(bytes, 0x00000002, 4);  // (0002,0000) group length, explicit UL
  bytes += "UL";
  AppendLE(bytes, 4, 2);
  AppendLE(bytes, 0, 4);
  return bytes;
}

inline std::string AVIFile() {
  std::string bytes = "RIFF";
  AppendLE(bytes, 16, 4);
  bytes += "AVI LIST";
  AppendLE(bytes, 4, 4);
  bytes += "hdrl";
  return bytes;
}

// The fixtures made here. The stream headers also stand after other data, where a stream save
// into a stream that already held something leaves them.
inline std::vector<DetectionFixture> BuiltFixtures() {
  const std::string earlier(37, 'x');
  const std::string someData(40, '\x5A');
  std::vector<DetectionFixture> fixtures = {
      {"camera raw TIFF", CameraRawTIFF(64), kFormatCameraRaw},
      {"WMF", WindowsMetafile(false), kFormatWMF},
      {"placeable WMF", WindowsMetafile(true), kFormatWMF},
      {"EMF", EnhancedMetafile(), kFormatEMF},
      {"layers", LayersStream(), kFormatLayers},
      {"PVV", PVVStream(), kFormatPVV},
      {"layers and objects", CombinedStream(), kFormatLayersAndObjects},
      {"DICOM", DICOMFile(), kFormatDICOM},
      {"AVI", AVIFile(), kFormatAVI},
  };
  for (const auto& [magic, format] : {std::pair<std::string, TPVFileFormatId>{"JFIF", kFormatJPEG},
                                      {"TIFF", kFormatTIFF}, {"PCX2", kFormatPCX}}) {
    fixtures.push_back({magic + " stream header", StreamHeader(magic, someData), format});
    fixtures.push_back({magic + " stream header after other data",
                        earlier + StreamHeader(magic, someData), format,
                        static_cast<int64_t>(earlier.size())});
  }
  fixtures.push_back({"old PCX stream header", std::string("PCX\0", 4) + someData, kFormatPCX});
  return fixtures;
}

struct ToolFixture {
  std::string Tool;     // the program that must be there
  std::string File;     // its name in the scratch folder
  std::string Command;  // run in the scratch folder
  TPVFileFormatId Format;
};

// The picture the tools convert: a small gradient in PPM (made by ImageMagick).
inline const char* kToolSource = "convert -size 24x16 gradient:red-blue source.ppm";

inline std::vector<ToolFixture> ToolFixtures() {
  std::vector<ToolFixture> fixtures;
  const std::pair<const char*, TPVFileFormatId> magickFormats[] = {
      {"tif", kFormatTIFF}, {"gif", kFormatGIF},  {"jpg", kFormatJPEG}, {"pcx", kFormatPCX},
      // ImageMagick writes its cursors as icons (type 1); the real cursor is made from its icon.
      {"bmp", kFormatBMP},  {"ico", kFormatICO},  {"cur", kFormatICO},  {"png", kFormatPNG},
      {"tga", kFormatTGA},  {"psd", kFormatPSD},  {"dcx", kFormatDCX},  {"jp2", kFormatJP2},
      {"j2k", kFormatJ2K},  {"wbmp", kFormatUnknown}, {"ppm", kFormatPXM},
  };
  for (const auto& [extension, format] : magickFormats) {
    const std::string file = std::string("magick.") + extension;
    fixtures.push_back({"convert", file, "convert source.ppm " + file, format});
  }
  const std::pair<const char*, TPVFileFormatId> netpbmFormats[] = {
      {"pbmmake -g 24 16 > netpbm.pbm", kFormatPXM},
      {"pbmmake -g 24 16 | pnmtoplainpnm > netpbm-plain.pbm", kFormatPXM},
      {"pgmramp -lr 24 16 > netpbm.pgm", kFormatPXM},
      {"pnmtoplainpnm source.ppm > netpbm-plain.ppm", kFormatPXM},
      {"ppmtobmp source.ppm > netpbm.bmp", kFormatBMP},
      {"ppmtopcx source.ppm > netpbm.pcx", kFormatPCX},
      {"pamtotga source.ppm > netpbm.tga", kFormatTGA},
      {"pamtotiff source.ppm > netpbm.tif", kFormatTIFF},
      {"ppmtogif source.ppm > netpbm.gif", kFormatGIF},
      // PostScript and PDF are written only: detection does not know them. ImageMagick's
      // security policy refuses to write them, so netpbm and Ghostscript make them.
      {"pnmtops -nocenter source.ppm > netpbm.ps", kFormatUnknown},
  };
  for (const auto& [command, format] : netpbmFormats) {
    const std::string text = command;
    fixtures.push_back({text.substr(0, text.find(' ')), text.substr(text.rfind(' ') + 1), text,
                        format});
  }
  const std::pair<const char*, TPVFileFormatId> ffmpegFormats[] = {
      {"bmp", kFormatBMP}, {"png", kFormatPNG}, {"tiff", kFormatTIFF},
      {"tga", kFormatTGA}, {"pcx", kFormatPCX}, {"avi", kFormatAVI},
  };
  for (const auto& [extension, format] : ffmpegFormats) {
    const std::string file = std::string("ffmpeg.") + extension;
    fixtures.push_back({"ffmpeg", file,
                        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=24x16:rate=1 "
                        "-frames:v 1 " + file,
                        format});
  }
  fixtures.push_back({"gs", "ghostscript.pdf",
                      "pnmtops source.ppm > pdf-source.ps && gs -q -dSAFER -dBATCH -dNOPAUSE "
                      "-sDEVICE=pdfwrite -sOutputFile=ghostscript.pdf pdf-source.ps",
                      kFormatUnknown});
  fixtures.push_back({"img2dcm", "dcmtk.dcm",
                      "convert source.ppm dcmtk-source.jpg && img2dcm dcmtk-source.jpg dcmtk.dcm",
                      kFormatDICOM});
  return fixtures;
}

// An icon's bytes with the directory's type changed to 2: the same file as a cursor.
inline DetectionFixture CursorOfIcon(std::string icon) {
  icon[2] = 2;
  return {"cursor made from ImageMagick's icon", icon, kFormatCUR};
}

// Makes the tool fixtures whose tool is there (a command that fails is a test failure); the
// names of missing tools go to `missing`.
inline std::vector<DetectionFixture> MakeToolFixtures(const ScratchFolder& folder,
                                                      std::vector<std::string>& missing) {
  std::vector<DetectionFixture> made;
  const std::string inFolder = "cd " + ShellQuoted(folder.Path()) + " && ";
  if (!ToolAvailable("convert") || RunTool(inFolder + kToolSource).Status != 0) {
    missing.push_back("convert");
    return made;
  }
  for (const ToolFixture& fixture : ToolFixtures()) {
    if (!ToolAvailable(fixture.Tool)) {
      missing.push_back(fixture.Tool);
      continue;
    }
    // Grouped, so that the tool's messages do not end up in a file the command redirects into.
    const ToolResult result = RunTool(inFolder + "(" + fixture.Command + ")");
    EXPECT_EQ(result.Status, 0) << fixture.Command << ": " << result.Output;
    if (result.Status != 0) continue;
    made.push_back({fixture.Command, ReadFileBytes(folder.File(fixture.File)), fixture.Format});
    if (fixture.File == "magick.ico") made.push_back(CursorOfIcon(made.back().Bytes));
  }
  return made;
}

}  // namespace calmora::test
