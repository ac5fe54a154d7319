// The flat decompression API of the camera-raw decoder: each routine passes its arguments to
// libjpeg inside a guarded call and turns a codec error into EPVJpegException.
#include <cstdlib>
#include <new>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/jpeg/jpeg_glue.h"

namespace calmora {

namespace {

JPEGErrorManager& ManagerOf(jpeg_decompress_struct* info) {
  return *reinterpret_cast<JPEGErrorManager*>(info->err);
}

template <class F>
void Guarded(jpeg_decompress_struct* info, F&& body) {
  JPEGErrorManager& manager = ManagerOf(info);
  if (!JPEGGuarded(manager, body)) {
    throw EPVJpegException(JPEGMessageText(manager.Base.msg_code));
  }
}

}  // namespace

jpeg_decompress_struct* JPEGAllocDecompress() {
  auto* info = static_cast<jpeg_decompress_struct*>(std::calloc(1, sizeof(jpeg_decompress_struct)));
  if (!info) throw std::bad_alloc();
  return info;
}

JPEGErrorManager* JPEGCreateErrorManager(jpeg_decompress_struct* Info) {
  auto* manager = static_cast<JPEGErrorManager*>(std::malloc(sizeof(JPEGErrorManager)));
  if (!manager) throw std::bad_alloc();
  *manager = MakeJPEGErrorManager(nullptr);
  Info->err = &manager->Base;
  return manager;
}

void JPEGCreateDecompress(jpeg_decompress_struct* Info) {
  Guarded(Info, [&] { jpeg_CreateDecompress(Info, JPEG_LIB_VERSION, sizeof(*Info)); });
}

void JPEGSetStreamSource(jpeg_decompress_struct* Info, TStream* Stream) {
  Guarded(Info, [&] { SetJPEGStreamSource(Info, Stream, nullptr); });
}

void JPEGSetFillInputBuffer(jpeg_decompress_struct* Info, JPEGFillInputBufferProc Fill) {
  if (Info->src) Info->src->fill_input_buffer = Fill;
}

void JPEGSetSourceBuffer(jpeg_decompress_struct* Info, const uint8_t* Data, int64_t Count) {
  if (!Info->src) return;
  Info->src->next_input_byte = Data;
  Info->src->bytes_in_buffer = Count > 0 ? static_cast<size_t>(Count) : 0;
}

int32_t JPEGReadHeader(jpeg_decompress_struct* Info, bool RequireImage) {
  int result = 0;
  Guarded(Info, [&] { result = jpeg_read_header(Info, RequireImage ? TRUE : FALSE); });
  return result;
}

bool JPEGStartDecompress(jpeg_decompress_struct* Info) {
  boolean result = FALSE;
  Guarded(Info, [&] { result = jpeg_start_decompress(Info); });
  return result != 0;
}

int32_t JPEGGetOutputWidth(jpeg_decompress_struct* Info) {
  return static_cast<int32_t>(Info->output_width);
}
int32_t JPEGGetOutputHeight(jpeg_decompress_struct* Info) {
  return static_cast<int32_t>(Info->output_height);
}
int32_t JPEGGetOutputComponents(jpeg_decompress_struct* Info) { return Info->output_components; }
int32_t JPEGGetOutputScanline(jpeg_decompress_struct* Info) {
  return static_cast<int32_t>(Info->output_scanline);
}

uint8_t** JPEGAllocSampleArray(jpeg_decompress_struct* Info, int32_t Pool, int32_t SamplesPerRow,
                               int32_t Rows) {
  JSAMPARRAY result = nullptr;
  Guarded(Info, [&] {
    result = (*Info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(Info), Pool,
                                        static_cast<JDIMENSION>(SamplesPerRow),
                                        static_cast<JDIMENSION>(Rows));
  });
  return result;
}

int32_t JPEGReadScanlines(jpeg_decompress_struct* Info, uint8_t** Rows, int32_t MaxLines) {
  JDIMENSION result = 0;
  Guarded(Info, [&] {
    result = jpeg_read_scanlines(Info, Rows, static_cast<JDIMENSION>(MaxLines));
  });
  return static_cast<int32_t>(result);
}

bool JPEGFinishDecompress(jpeg_decompress_struct* Info) {
  boolean result = FALSE;
  Guarded(Info, [&] { result = jpeg_finish_decompress(Info); });
  return result != 0;
}

void JPEGDestroyDecompress(jpeg_decompress_struct* Info) {
  Guarded(Info, [&] { jpeg_destroy_decompress(Info); });
  FreeJPEGStreamSource(Info);
}

void JPEGFreeDecompress(jpeg_decompress_struct* Info) { std::free(Info); }

void JPEGFreeErrorManager(JPEGErrorManager* Manager) { std::free(Manager); }

}  // namespace calmora
