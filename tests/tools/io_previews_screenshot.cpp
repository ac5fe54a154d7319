// Opens the save-parameters dialog through TPictavoIO::DoPreviews on a generated picture, with a
// stand-in JPEG codec that saves and reads the raw bitmap stream, and saves a PNG of the dialog
// once its first preview is shown. For looking at the dialog by eye under a real display:
//   io_previews_screenshot OUT.png [simplified]
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/words/word_table.h"
#include "platform/application.h"
#include "tests/imaging/support/raw_stream_codec.h"

namespace calmora {
namespace {

void PaintPicture(TPVBitmap& bitmap) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.SetPixel24(x, y, TPVRGB{static_cast<uint8_t>(x * 255 / bitmap.GetWidth()),
                                     static_cast<uint8_t>(y * 255 / bitmap.GetHeight()),
                                     static_cast<uint8_t>(((x / 40 + y / 40) % 2) * 200)});
}

}  // namespace
}  // namespace calmora

int main(int argc, char** argv) {
  using namespace calmora;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.png [simplified]\n", argv[0]);
    return 2;
  }
  const char* output = argv[1];
  const bool simplified = argc > 2 && std::strcmp(argv[2], "simplified") == 0;
  platform::Application application(argc, argv);
  FillWordTable();
  BuildFileFormatRegistry();
  TPVFileFormatInfo* jpeg = FindFileFormatInfo(kFormatJPEG);
  jpeg->WriteProc = &test::RawStreamWrite;
  jpeg->ReadProc = &test::RawStreamRead;

  TPictavoIO io(nullptr);
  TPVBitmap& picture = *io.GetWorkBitmap();
  if (!picture.Allocate(640, 480, pv24RGB)) return 1;
  PaintPicture(picture);
  io.Params->FileType = kFormatJPEG;
  io.SimplifiedParamsDialogs = simplified;
  io.PreviewsParams.Include(ioppApplyButton);
  io.MsgLanguage = msEnglish;
  bool saved = false;
  io.OnIOPreview = [&](TObject*, TObject* form) {
    auto& dialog = dynamic_cast<TfIOPreviews&>(*form);
    auto* timer = new QTimer(&dialog);
    timer->setInterval(200);
    QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, timer, output, &saved] {
      if (!dialog.Ready) return;
      timer->stop();
      saved = dialog.grab().save(QString::fromLocal8Bit(output), "PNG");
      dialog.Button2->click();
    });
    timer->start();
  };
  io.DoPreviews(kParamsPageAll);
  if (!saved) std::fprintf(stderr, "could not save %s\n", output);
  return saved ? 0 : 1;
}
