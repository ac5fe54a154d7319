// The root class's destructor, kept out of line so that its type information has one home.
#include "platform/object.h"

namespace calmora::platform {

TObject::~TObject() = default;

}  // namespace calmora::platform
