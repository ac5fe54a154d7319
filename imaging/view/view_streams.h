// Tests of the view's own stream kinds: vector objects (PVV), layers, and the combined layers
// and objects stream. Each leaves the stream's position as it found it. They live below the
// view, with format detection, which calls them too.
#pragma once

#include "imaging/io/formats/view_stream_signatures.h"
