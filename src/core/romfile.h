// Reading an SNES ROM file into one allocation, deciding its copier header and checking the game's
// title. Open ROM and ts2tool both go through these, so they see a file the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/state.h"

namespace ts2 {

inline constexpr uint32_t kCopierHeaderBit = 0x200;  // a 512-byte copier header, decided by this bit alone
inline constexpr size_t kTitleLength = 15;

// A whole ROM file as read, copier header included.
struct RomFile {
  Buffer<uint8_t> bytes;
  uint32_t size = 0;        // file size, header included
  uint32_t headerSize = 0;  // size AND 0x200: 0 or 512
  uint32_t bytesRead = 0;   // what the read delivered: `size` unless it came back short
  int error = 0;            // why the file could not be opened (an errno value), for the message
  FileIdentity seen;        // the file as it was opened, before its bytes were read
  std::span<const uint8_t> gameData() const {
    return bytes ? std::span<const uint8_t>(bytes.get() + headerSize, size - headerSize)
                 : std::span<const uint8_t>();
  }
};

// The copier header is decided by bit 0x200 of the file size alone, whatever the first bytes hold.
inline uint32_t CopierHeaderSize(uint32_t fileSize) {
  return fileSize & kCopierHeaderBit;
}

enum class RomReadStatus {
  Ok,
  CannotOpen,  // the file cannot be opened, or its length cannot be told (not a regular file, 2 GiB or more)
  NoMemory,    // the image could not be allocated
  ShortRead,   // the file delivered fewer bytes than its length (out.bytesRead says how many)
};

// `size` bytes (not set) for a whole file image, in the system's large pages where it has them: a
// file read into it is faulted in a few large steps instead of one per 4 KiB page.
Buffer<uint8_t> ImageBuffer(size_t size);

// Reads the whole file at `path` into `out`. `failAllocation` (may be empty) is the test hook that
// makes the image's allocation ("gROM") fail. Only a read of every byte is Ok: an image with a
// missing tail would be written back over the real file by a later save. The buffer has room for
// at least `capacity` bytes: room for the image to grow into (a patch that writes past its end)
// without being copied.
RomReadStatus ReadRomFile(const std::string& path,
                          const std::function<bool(const std::string&)>& failAllocation, RomFile& out,
                          uint64_t capacity = 0);

// One line saying why a ROM file was not read ("cannot open ...", ...), for the statuses but Ok.
std::string RomReadError(RomReadStatus status, const std::string& path, const RomFile& file);

// The 15 bytes at ROM offset 0xFFC0, or std::nullopt when the game data is too short to hold them.
std::optional<std::string> RomTitle(std::span<const uint8_t> gameData);

// True when the game data holds "TORMEL SARAGON2" at 0xFFC0 (byte for byte, case-sensitive).
bool HasGameTitle(std::span<const uint8_t> gameData);

// Makes `file` the program's ROM image (gROM, gROMSize, gROMHeaderSize), not modified, releasing
// the previous one.
void InstallRomImage(Ts2Main& state, RomFile file);

// Releases the ROM image: no ROM is loaded, and none is modified, afterwards.
void ReleaseRomImage(Ts2Main& state);

}  // namespace ts2
