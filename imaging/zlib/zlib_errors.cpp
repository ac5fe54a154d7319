// zlib result checks: negative results become exceptions with zlib's message text.
#include "imaging/zlib/zlib_errors.h"

#include <zlib.h>

namespace calmora {

int CheckCompressionResult(int Code) {
  if (Code < 0) throw EZCompressionError(zError(Code));
  return Code;
}

int CheckDecompressionResult(int Code) {
  if (Code < 0) throw EZDecompressionError(zError(Code));
  return Code;
}

}  // namespace calmora
