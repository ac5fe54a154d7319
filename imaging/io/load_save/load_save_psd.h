// What a Photoshop document load and save do with the layers of an attached image view,
// around the one load and save sequence of the I/O component.
#pragma once

#include <memory>

namespace calmora {

class TPVBitmap;
class TPVView;
class TIOParamsVals;
class TPictavoViewServices;

// A load that brings its layers in place of the view's (PSD_LoadLayers and PSD_ReplaceLayers)
// clears them first; nothing happens without an image view attached.
void ClearLayersBeforePSDLoad(TPVView* Attached, const TIOParamsVals& Params);

// The composite a save writes in place of the working bitmap when an image view is attached:
// all its layers drawn at full opacity into one bitmap in memory, in the pixel format of
// layer 0's bitmap. Null when the layers draw nothing or cannot take that format.
std::unique_ptr<TPVBitmap> PSDSaveComposite(TPictavoViewServices& View);

}  // namespace calmora
