// The front end's pictures (button glyphs, splash), compiled into the program.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace calmora {

// A glyph by name: "add", "folder", "remove", "clear", "start".
QIcon Glyph(const char* name);

// The splash window's 350 by 180 picture.
QPixmap SplashPicture();

}  // namespace calmora
