// The temporary-file pixel store: creating the unlinked file with a free-space check on its own
// file system, mapping byte ranges into heap blocks, checked transfers and file-to-file copies.
#include "imaging/core/bitmap/temp_file_store.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>

#include "imaging/base/file_names.h"
#include "platform/file_stream.h"
#include "platform/system_info.h"
#include "platform/temp_files.h"

namespace calmora {

TPVFreeSpaceQuery FileBufferFreeSpaceQuery = nullptr;

namespace {

// The largest transfer one stream call makes.
constexpr int64_t kMaxTransfer = 1 << 30;

// An existing file (the empty one that reserved the name) is opened as it is and emptied only
// when it holds something: on ext4 a truncation, even of an empty file, makes the close write
// the whole file to disk (its guard for files replaced by truncation), which cost a pixel
// store about 50 ms per 70 MB.
platform::FileHandle OpenTemporaryFile(const std::string& fileName) {
  platform::FileHandle handle =
      platform::OpenExistingFile(fileName, platform::FileAccess::kReadWrite);
  if (handle == platform::kInvalidFileHandle) handle = platform::CreateTruncatedFile(fileName);
  if (handle == platform::kInvalidFileHandle) throw EInOutError("Unable to create " + fileName);
  return handle;
}

}  // namespace

std::string FileBufferFolder() {
  return TempFolder.empty() ? platform::SystemTempFolder() : TempFolder;
}

TPVTemporaryFileStream::TPVTemporaryFileStream(const std::string& fileName)
    : THandleStream(OpenTemporaryFile(fileName), true) {
  if (GetSize() != 0) SetSize(0);
  // Unlinked at once: the open handle keeps the data, and nothing is left behind however the
  // process ends.
  std::error_code error;
  if (!std::filesystem::remove(fileName, error) || error)
    throw EInOutError("Unable to create " + fileName);
}

TPVFileBuffer::~TPVFileBuffer() { Close(); }

bool TPVFileBuffer::CreateFile(const std::string& prefix, int64_t size) {
  if (size < 0) return false;
  Close();
  const std::string folder = FileBufferFolder();
  const int64_t free =
      FileBufferFreeSpaceQuery ? FileBufferFreeSpaceQuery(folder) : platform::FreeDiskSpace(folder);
  if (free < 0 || free - kReservedDiskSpace < size) return false;
  std::string name;
  if (!MakeTempFileName(prefix, folder, name)) return false;
  try {
    auto stream = std::make_unique<TPVTemporaryFileStream>(name);
    stream->SetSize(size);
    if (stream->GetSize() != size) return false;
    TempStream = std::move(stream);
    TempFileName = name;
  } catch (const std::exception&) {
    std::error_code error;
    std::filesystem::remove(name, error);
    return false;
  }
  return true;
}

namespace {

// Moves size bytes between the stream at position and a buffer, in calls of at most
// kMaxTransfer bytes; anything short raises EInOutError "<what> <file name>".
template <typename Byte, typename Call>
void Transfer(TPVTemporaryFileStream* stream, int64_t position, Byte* bytes, int64_t size,
              const char* what, const std::string& fileName, Call call) {
  if (!stream || position < 0 || size < 0 || stream->Seek(position, soBeginning) != position)
    throw EInOutError(what + fileName);
  while (size > 0) {
    const auto chunk = static_cast<int32_t>(std::min(size, kMaxTransfer));
    const int32_t done = call(*stream, bytes, chunk);
    if (done <= 0) throw EInOutError(what + fileName);
    bytes += done;
    size -= done;
  }
}

}  // namespace

void TPVFileBuffer::ReadAt(int64_t position, void* buffer, int64_t size) {
  Transfer(TempStream.get(), position, static_cast<uint8_t*>(buffer), size,
           "Unable to read ", TempFileName,
           [](TStream& stream, uint8_t* bytes, int32_t count) { return stream.Read(bytes, count); });
}

void TPVFileBuffer::WriteAt(int64_t position, const void* buffer, int64_t size) {
  Transfer(TempStream.get(), position, static_cast<const uint8_t*>(buffer), size,
           "Unable to write ", TempFileName,
           [](TStream& stream, const uint8_t* bytes, int32_t count) {
             return stream.Write(bytes, count);
           });
}

uint8_t* TPVFileBuffer::Map(TPVDataAccess access, int64_t position, int64_t size) {
  if (size < 0 || position < 0) return nullptr;
  std::unique_ptr<uint8_t[]> block(new uint8_t[static_cast<size_t>(std::max<int64_t>(size, 1))]);
  if (IsOpen() && (access & pvdRead)) ReadAt(position, block.get(), size);
  MappedBlocks.push_back(TPVMappedBlock{position, size, block.get(), access});
  return block.release();
}

int32_t TPVFileBuffer::FindMapped(const uint8_t* block) const {
  for (size_t i = 0; i < MappedBlocks.size(); ++i)
    if (MappedBlocks[i].Block == block) return static_cast<int32_t>(i);
  return -1;
}

void TPVFileBuffer::Unmap(uint8_t* block) {
  const int32_t index = FindMapped(block);
  if (index < 0) return;
  const TPVMappedBlock record = MappedBlocks[index];
  MappedBlocks.erase(MappedBlocks.begin() + index);
  std::unique_ptr<uint8_t[]> owned(record.Block);
  if (IsOpen() && (record.Access & pvdWrite)) WriteAt(record.Position, owned.get(), record.Size);
}

void TPVFileBuffer::UnmapAll() {
  if (!IsOpen()) return;
  while (!MappedBlocks.empty()) Unmap(MappedBlocks.back().Block);
}

void TPVFileBuffer::Close() {
  for (const TPVMappedBlock& record : MappedBlocks) delete[] record.Block;
  MappedBlocks.clear();
  TempStream.reset();
}

void TPVFileBuffer::CopyTo(TPVFileBuffer& target, int64_t position, int64_t size) {
  if (!IsOpen() || !target.IsOpen() || size <= 0) return;
  UnmapAll();
  target.UnmapAll();
  std::unique_ptr<uint8_t[]> buffer(
      new uint8_t[static_cast<size_t>(std::min(size, kCopyChunkSize))]);
  for (int64_t done = 0; done < size;) {
    const int64_t chunk = std::min(size - done, kCopyChunkSize);
    ReadAt(position + done, buffer.get(), chunk);
    target.WriteAt(position + done, buffer.get(), chunk);
    done += chunk;
  }
}

}  // namespace calmora
