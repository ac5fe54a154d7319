// TPictavoIO.LoadFromURL: the whole resource downloaded into memory, then loaded as any stream
// is, its format told by its content.
#include "imaging/io/pictavo_io.h"
#include "imaging/io/acquisition/url_loader.h"

namespace calmora {

void TPictavoIO::LoadFromURL(const std::u16string& URL) {
  if (HandedURLToWorker(&TPictavoIO::LoadFromURL, URL)) return;
  // A stop left from an earlier load would otherwise end this download before its first block.
  Aborting = false;
  TMemoryStream stream;
  // The server's word on the type is not trusted: the content decides.
  std::string contentSubtype;
  if (!DownloadURL(URL, &stream, ProxyAddress, ProxyUser, ProxyPassword, ProgressMethod, this,
                   &Aborting, contentSubtype))
    return FailLoad();
  stream.SetPosition(0);
  LoadFromStream(&stream);
}

}  // namespace calmora
