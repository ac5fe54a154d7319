// The steps of single formats around their reader or writer, named by those formats'
// descriptions: the PNG background, the layers of a Photoshop document, the icon sizes.
#pragma once

#include <functional>
#include <memory>

namespace calmora {

class TPictavoIO;
class TPVBitmap;
class TIOParamsVals;

// A PNG file without a background chunk keeps the background in force: the file load offers
// it to the reader first. Every PNG load then makes the reader's background the component's.
void OfferPNGBackground(TPictavoIO& IO, bool FromFile);
void TakePNGBackground(TPictavoIO& IO, bool FromFile);

// A load that brings its layers in place of an image view's clears them first.
void ClearLayersForPSD(TPictavoIO& IO, bool FromFile);
// A layered view's document is written as the composite of all its layers.
bool PSDCompositeOfView(TPictavoIO& IO, std::unique_ptr<TPVBitmap>& Picture);

// The icon writer writes every size it is given: for the save's length it is given only the
// leading entries up to the first zero width, the rest (with their bit counts) cleared.
void WithLeadingIconSizes(TIOParamsVals& Params, const std::function<void()>& Write);

}  // namespace calmora
