// The temporary-file pixel store of file-stored bitmaps: a file in TempFolder that is unlinked
// the moment it is created (so it never outlives the process, even a killed one), heap blocks
// that mirror byte ranges of it, and file-to-file copies between bitmaps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

// How a row window of a file-stored bitmap is used: with pvdRead it is filled from the file when
// mapped, with pvdWrite it is written back when released. A set in one byte; default both.
using TPVDataAccess = uint8_t;
inline constexpr TPVDataAccess pvdRead = 1;
inline constexpr TPVDataAccess pvdWrite = 2;

// The file could not be created, sized, read or written (a full disk, for one).
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// The file under the store. The name is gone from the folder as soon as the stream exists; the
// data lives until the handle closes.
class TPVTemporaryFileStream : public THandleStream {
 public:
  // Creates (or truncates) the file for reading and writing, then unlinks it. Raises
  // EInOutError "Unable to create " + fileName when it cannot be opened.
  explicit TPVTemporaryFileStream(const std::string& fileName);
};

// One heap block handed out by Map.
struct TPVMappedBlock {
  int64_t Position = 0;  // byte offset in the file
  int64_t Size = 0;
  uint8_t* Block = nullptr;
  TPVDataAccess Access = 0;
};

class TPVFileBuffer : public TObject {
 public:
  // Free space that CreateFile leaves to the rest of the system, in bytes.
  static constexpr int64_t kReservedDiskSpace = 128000000;
  // File-to-file copies go through one buffer of this many bytes.
  static constexpr int64_t kCopyChunkSize = 1048576;

  TPVFileBuffer() = default;
  ~TPVFileBuffer() override;
  TPVFileBuffer(const TPVFileBuffer&) = delete;
  TPVFileBuffer& operator=(const TPVFileBuffer&) = delete;

  bool IsOpen() const { return TempStream != nullptr; }

  // Creates a file of size bytes named prefix-XXXXXXXX.tmp in TempFolder (or the system
  // temporary folder). False, with nothing created, when the file system of that folder would
  // keep less than kReservedDiskSpace free, or when the file cannot be created or sized.
  bool CreateFile(const std::string& prefix, int64_t size);

  // A new heap block of size bytes, filled from position when the store is open and access
  // has pvdRead (else its contents are undefined). Raises EInOutError on a failed read.
  uint8_t* Map(TPVDataAccess access, int64_t position, int64_t size);
  // Writes the block back when it was mapped with pvdWrite, then frees it. Blocks that Map did
  // not hand out are ignored. Raises EInOutError on a failed write (the block is freed anyway).
  void Unmap(uint8_t* block);
  // Index of the block's record in MappedBlocks, -1 when absent.
  int32_t FindMapped(const uint8_t* block) const;
  // When open, unmaps every block, the last mapped first.
  void UnmapAll();
  // Frees every block without writing it back (the data goes with the file) and closes the
  // file. Never raises.
  void Close();
  // Copies size bytes at position from this store's file to the target's, in chunks of
  // kCopyChunkSize, after unmapping every block of both. Only when both are open.
  void CopyTo(TPVFileBuffer& target, int64_t position, int64_t size);

  // Checked transfers between the file and a buffer; anything short raises EInOutError.
  void ReadAt(int64_t position, void* buffer, int64_t size);
  void WriteAt(int64_t position, const void* buffer, int64_t size);

  std::unique_ptr<TPVTemporaryFileStream> TempStream;  // null until the file is created
  std::string TempFileName;                            // full path the file was created under
  std::vector<TPVMappedBlock> MappedBlocks;
};

// Free bytes of the file system holding a folder, -1 when unknown. Tests replace it to simulate
// a nearly full disk; null means the platform's own query.
using TPVFreeSpaceQuery = int64_t (*)(const std::string& folder);
extern TPVFreeSpaceQuery FileBufferFreeSpaceQuery;

// The folder CreateFile puts its files in: TempFolder, or the system temporary folder.
std::string FileBufferFolder();

}  // namespace calmora
