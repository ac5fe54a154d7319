// JPEG files the outside tools cannot make, written by the tests through libjpeg itself:
// component counts without a colour space, and images whose tables travel apart.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace calmora::test {

// The encoder's output in memory, with the tables written separately when asked.
struct LibjpegOutput {
  std::string Image;
  std::string Tables;  // the table-only datastream, when the image is abbreviated
};

// Width x Height pixels of Components samples each (a ramp per component), in the colour
// space libjpeg picks by default for that input; Abbreviated leaves the tables to a separate
// datastream.
inline LibjpegOutput EncodeWithLibjpeg(int width, int height, int components,
                                       J_COLOR_SPACE inSpace, bool abbreviated) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = inSpace;
  jpeg_set_defaults(&info);
  LibjpegOutput output;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (abbreviated) {
    jpeg_mem_dest(&info, &buffer, &size);
    jpeg_write_tables(&info);
    output.Tables.assign(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    buffer = nullptr;
    size = 0;
  }
  jpeg_mem_dest(&info, &buffer, &size);
  jpeg_start_compress(&info, abbreviated ? FALSE : TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < components; ++c)
        row[static_cast<size_t>(x) * components + c] =
            static_cast<JSAMPLE>((x * 7 + y * 3 + c * 50) & 0xFF);
    }
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  output.Image.assign(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  jpeg_destroy_compress(&info);
  return output;
}

}  // namespace calmora::test
