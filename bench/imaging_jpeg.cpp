// The JPEG reader and writer beside plain libjpeg doing the same work on the same data (what
// djpeg and cjpeg do, without their file output): decoding at 1/1 and 1/8, encoding at quality
// 80 with 2 x 2 chroma, baseline and progressive with optimised tables. Only the glue differs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace calmora {
namespace {

constexpr int kWidth = 2048;
constexpr int kHeight = 1536;

// A picture with gradients and texture, as blue-green-red rows.
const TPVBitmap& Picture() {
  static const TPVBitmap* picture = [] {
    auto* bitmap = new TPVBitmap(kWidth, kHeight, pv24RGB);
    uint32_t noise = 1;
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = bitmap->GetScanline(y);
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1103515245u + 12345u;
        row[x * 3] = static_cast<uint8_t>(x / 8 + ((noise >> 16) & 15));
        row[x * 3 + 1] = static_cast<uint8_t>((x + y) / 16);
        row[x * 3 + 2] = static_cast<uint8_t>(y / 6);
      }
    }
    return bitmap;
  }();
  return *picture;
}

std::string Encoded(bool progressive) {
  TPVBitmap copy;
  copy.Assign(const_cast<TPVBitmap*>(&Picture()));
  TIOParamsVals params(nullptr);
  params.JPEG_Quality = 80;
  params.JPEG_ChromaSubsampling = 1;
  params.JPEG_Progressive = progressive;
  params.JPEG_OptimalHuffman = progressive;
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WriteJPEGStream(&stream, copy, params, progress);
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

const std::string& Baseline() {
  static const std::string file = Encoded(false);
  return file;
}

void BM_ReadJPEGStream(benchmark::State& state) {
  const std::string& file = Baseline();
  TIOParamsVals params(nullptr);
  params.JPEG_Scale = static_cast<uint8_t>(state.range(0));
  TPVBitmap bitmap;
  for (auto _ : state) {
    TPVMemStream stream(file.data(), static_cast<int64_t>(file.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    benchmark::DoNotOptimize(ReadJPEGStream(&stream, nullptr, bitmap, params, progress, false,
                                            false, true, false, true, true, -1, false));
  }
}
BENCHMARK(BM_ReadJPEGStream)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// libjpeg alone, decoding into one reused row as djpeg does.
void BM_LibjpegDecode(benchmark::State& state) {
  const std::string& file = Baseline();
  const unsigned denominator = state.range(0) == 1 ? 1 : 8;
  for (auto _ : state) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = denominator;
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    std::vector<JSAMPLE> row(static_cast<size_t>(info.output_width) * 3);
    JSAMPROW pointer = row.data();
    while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, &pointer, 1);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(row.data());
  }
}
BENCHMARK(BM_LibjpegDecode)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_WriteJPEGStream(benchmark::State& state) {
  TPVBitmap copy;
  copy.Assign(const_cast<TPVBitmap*>(&Picture()));
  TIOParamsVals params(nullptr);
  params.JPEG_Quality = 80;
  params.JPEG_ChromaSubsampling = 1;
  params.JPEG_Progressive = state.range(0) != 0;
  params.JPEG_OptimalHuffman = state.range(0) != 0;
  for (auto _ : state) {
    TMemoryStream stream;
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    WriteJPEGStream(&stream, copy, params, progress);
    benchmark::DoNotOptimize(stream.GetSize());
  }
}
BENCHMARK(BM_WriteJPEGStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// libjpeg alone with the same settings, rows straight from the same bitmap.
void BM_LibjpegEncode(benchmark::State& state) {
  const TPVBitmap& picture = Picture();
  const bool progressive = state.range(0) != 0;
  for (auto _ : state) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    info.comp_info[0].h_samp_factor = 2;
    info.comp_info[0].v_samp_factor = 2;
    info.optimize_coding = progressive ? TRUE : FALSE;
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = const_cast<JSAMPROW>(picture.GetScanline(static_cast<int>(info.next_scanline)));
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    benchmark::DoNotOptimize(size);
    std::free(buffer);
  }
}
BENCHMARK(BM_LibjpegEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
