// The image control: copies its picture into the client area at each paint and asks for a
// paint when the picture changes.
#include "platform/image_control.h"

#include "platform/canvas.h"

namespace calmora::platform {

TImage::TImage(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle.Include(csOpaque);
  picture_.OnChange = [this] { Invalidate(); };
}

void TImage::Paint() {
  ++paintCount_;
  TBitmap& client = GetClientBitmap();
  TCanvas* canvas = client.GetCanvas();
  canvas->Brush.Color = 0xFFFFFF;
  canvas->FillRect(0, 0, client.GetWidth(), client.GetHeight());
  TBitmap* picture = picture_.GetBitmap();
  if (picture->GetWidth() == 0 || picture->GetHeight() == 0) return;
  canvas->CopyRect(0, 0, picture->GetWidth(), picture->GetHeight(), *picture->GetCanvas(), 0, 0,
                   picture->GetWidth(), picture->GetHeight());
}

}  // namespace calmora::platform
