// Windows metafiles (plain and enhanced): loading one for its size and kind, and playing it onto
// our canvas, through a backend. This system has no renderer for them (see the backend in
// metafile.cpp), so loads fail cleanly; tests install a backend of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace calmora::platform {

class TCanvas;

enum class MetafileKind : uint8_t {
  kEnhanced,  // EMF
  kPlain,     // WMF
};

// A loaded metafile. Its size starts as the picture's own, in pixels; setting another makes
// Play stretch the picture to it.
class Metafile {
 public:
  Metafile(int32_t width, int32_t height, MetafileKind kind)
      : width_(width), height_(height), kind_(kind) {}
  virtual ~Metafile() = default;
  Metafile(const Metafile&) = delete;
  Metafile& operator=(const Metafile&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetWidth(int32_t width) { width_ = width; }
  void SetHeight(int32_t height) { height_ = height; }
  MetafileKind Kind() const { return kind_; }

  // Draws the picture at (0, 0) over Width x Height pixels of the canvas; what it does not
  // paint keeps the canvas's pixels.
  virtual void Play(TCanvas& canvas) const = 0;

 private:
  int32_t width_;
  int32_t height_;
  MetafileKind kind_;
};

class MetafileBackend {
 public:
  virtual ~MetafileBackend() = default;
  // The file's metafile; null, with reason, when it cannot be loaded.
  virtual std::unique_ptr<Metafile> Load(const std::string& fileName, std::string& reason) = 0;
};

// The backend loads go through: the system's, unless a test installed another.
MetafileBackend& CurrentMetafileBackend();
// Installs a backend the caller keeps alive while it is installed; null restores the system's.
void SetMetafileBackend(MetafileBackend* backend);

// Loads through the current backend.
std::unique_ptr<Metafile> LoadMetafile(const std::string& fileName, std::string& reason);

}  // namespace calmora::platform
