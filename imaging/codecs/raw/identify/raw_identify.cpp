// calmora_raw_identify: the helper program that runs LibRaw's identification for the camera raw
// content test, question by question, over content it reads from its caller piece by piece.
// LibRaw's parsers can be driven out of bounds by damaged files; here that ends this program,
// which its caller replaces, never the caller. It links LibRaw and nothing of ours.
#include <libraw/libraw.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "imaging/codecs/raw/raw_text_scan.h"
#include "platform/isolated_helper_wire.h"

namespace {

namespace wire = calmora::platform::helper_wire;

// The caller's content as LibRaw's data stream: fetched in pages on first use and kept for the
// question, because the identification reads small pieces here and there, often twice.
class RemoteContent : public LibRaw_abstract_datastream {
 public:
  RemoteContent(int channel, INT64 size) : channel_(channel), size_(size) {}

  // The caller went away in the middle of the question: there is nobody to answer.
  bool Broken() const { return broken_; }

  int valid() override { return 1; }
  int read(void* buffer, size_t itemSize, size_t itemCount) override {
    if (itemSize == 0 || itemCount == 0 || itemCount > SIZE_MAX / itemSize) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t wanted = itemSize * itemCount;
    size_t done = 0;
    while (done < wanted && position_ < size_) {
      const std::vector<uint8_t>* page = PageAt(position_);
      const INT64 within = position_ % kPageBytes;
      if (page == nullptr || within >= static_cast<INT64>(page->size())) break;
      const size_t take =
          std::min(wanted - done, page->size() - static_cast<size_t>(within));
      std::memcpy(out + done, page->data() + within, take);
      done += take;
      position_ += static_cast<INT64>(take);
    }
    return static_cast<int>(done / itemSize);
  }
  int seek(INT64 offset, int whence) override {
    INT64 target = offset;
    if (whence == SEEK_CUR) target += position_;
    else if (whence == SEEK_END) target += size_;
    else if (whence != SEEK_SET) return -1;
    // LibRaw seeks past the end and then reads nothing; kept inside, reads stay defined.
    position_ = target < 0 ? 0 : (target > size_ ? size_ : target);
    return 0;
  }
  INT64 tell() override { return position_; }
  INT64 size() override { return size_; }
  int get_char() override {
    unsigned char c;
    return read(&c, 1, 1) == 1 ? c : -1;
  }
  char* gets(char* text, int capacity) override {
    return calmora::raw_text::ReadLine(*this, text, capacity);
  }
  int scanf_one(const char* format, void* value) override {
    return calmora::raw_text::ScanOne(*this, format, value);
  }
  int eof() override { return position_ >= size_ ? 1 : 0; }
  void* make_jas_stream() override { return nullptr; }

 private:
  static constexpr INT64 kPageBytes = 65536;
  // Pages kept at most (4 MB); past it the cache starts again, as identification rarely
  // returns to where it was long before.
  static constexpr size_t kMostPages = 64;

  const std::vector<uint8_t>* PageAt(INT64 position) {
    const INT64 index = position / kPageBytes;
    const auto found = pages_.find(index);
    if (found != pages_.end()) return &found->second;
    if (broken_) return nullptr;
    if (pages_.size() >= kMostPages) pages_.clear();
    const INT64 start = index * kPageBytes;
    const auto length = static_cast<uint32_t>(std::min(kPageBytes, size_ - start));
    uint8_t request[13];
    request[0] = wire::kRead;
    wire::PutLE(request + 1, static_cast<uint64_t>(start), 8);
    wire::PutLE(request + 9, length, 4);
    uint8_t header[5];
    if (!wire::SendAll(channel_, request, sizeof request) ||
        !wire::ReceiveAll(channel_, header, sizeof header) || header[0] != wire::kData) {
      broken_ = true;
      return nullptr;
    }
    const uint64_t count = wire::GetLE(header + 1, 4);
    if (count > length) {
      broken_ = true;
      return nullptr;
    }
    std::vector<uint8_t>& page = pages_[index];
    page.resize(count);
    if (count > 0 && !wire::ReceiveAll(channel_, page.data(), count)) {
      broken_ = true;
      return nullptr;
    }
    return &page;
  }

  int channel_;
  INT64 size_;
  INT64 position_ = 0;
  bool broken_ = false;
  std::map<INT64, std::vector<uint8_t>> pages_;
};

}  // namespace

int main() {
  // The caller's end of the socket pair is the standard input, read and written alike.
  const int channel = STDIN_FILENO;
  // One decoder for every question: making one costs more than identifying a small file.
  const auto decoder = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  for (;;) {
    uint8_t question[9];
    // The caller closed the channel (it ended, or gave up on this helper): end without the exit
    // handlers, which have nothing to do here.
    if (!wire::ReceiveAll(channel, question, sizeof question) || question[0] != wire::kQuestion)
      ::_exit(0);
    const auto size = static_cast<INT64>(wire::GetLE(question + 1, 8));
    bool identified = false;
    bool broken = false;
    if (size >= 0) {
      RemoteContent content(channel, size);
      try {
        identified = decoder->open_datastream(&content) == LIBRAW_SUCCESS;
      } catch (...) {
        identified = false;
      }
      decoder->recycle();
      broken = content.Broken();
    }
    if (broken) ::_exit(0);
    const uint8_t answer[2] = {wire::kAnswer, static_cast<uint8_t>(identified ? 1 : 0)};
    if (!wire::SendAll(channel, answer, sizeof answer)) ::_exit(0);
  }
}
