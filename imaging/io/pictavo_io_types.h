// The small types the I/O component's fields and events are made of: the dialog options and
// unit, its event signatures, the window messages it posts from a worker, and the settings
// objects it owns for scanners and print previews (each in its own header).
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/base/defs.h"
#include "imaging/io/previews/print_preview_params.h"
#include "imaging/io/acquisition/scanner_params.h"

namespace calmora {

class TPVBitmap;
class TIOParamsVals;

// Options of the save-parameters dialog.
enum TIOPreviewsParam : uint8_t { ioppDefaultLockPreview, ioppApplyButton };

// A set of TIOPreviewsParam: bit n stands for the option of ordinal n.
struct TIOPreviewsParams {
  uint8_t Bits = 0;
  bool Contains(TIOPreviewsParam option) const { return (Bits >> option) & 1u; }
  void Include(TIOPreviewsParam option) { Bits = static_cast<uint8_t>(Bits | (1u << option)); }
  friend bool operator==(const TIOPreviewsParams&, const TIOPreviewsParams&) = default;
};

// The unit the dialogs show sizes in.
enum TPVDialogsMeasureUnit : uint8_t { pvduInches, pvduCm, pvduPixels };

// (Sender, Handled): may take over the parameters dialog by setting Handled.
using TPVDoPreviewsEvent = std::function<void(TObject* Sender, bool& Handled)>;
// (Sender, Form): the dialog form, just before it is shown.
using TPVIOPreviewEvent = std::function<void(TObject* Sender, TObject* Form)>;
// (Sender, Bitmap, Handled): an image from an acquisition source; Handled keeps it from the
// component.
using TPVAcquireBitmapEvent =
    std::function<void(TObject* Sender, TPVBitmap* Bitmap, bool& Handled)>;

// What a component on a worker posts to its view, which turns them into its refresh and
// events on the main thread.
inline constexpr uint32_t PVM_IOUPDATE = 8024;      // WM_USER + 7000
inline constexpr uint32_t PVM_DSNEWFRAME = 8025;    // WM_USER + 7001
inline constexpr uint32_t PVM_DSEVENT = 8026;       // WM_USER + 7002
inline constexpr uint32_t PVM_IOPROGRESS = 8027;    // WM_USER + 7003
inline constexpr uint32_t PVM_IOFINISHWORK = 8028;  // WM_USER + 7004

}  // namespace calmora
