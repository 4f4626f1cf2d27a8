#include "core/romfile.h"

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

void BufferDeleter::Unmap(const void* p, size_t length) {
  ::munmap(const_cast<void*>(p), length);
}

// Under AddressSanitizer every buffer comes from its allocator, which guards its ends: reading
// or writing past an image's last byte is then reported, as it is for every other buffer.
#if defined(__SANITIZE_ADDRESS__)
#define TS2_GUARDED_BUFFERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TS2_GUARDED_BUFFERS 1
#endif
#endif

Buffer<uint8_t> ImageBuffer(size_t size) {
#if defined(MADV_HUGEPAGE) && !defined(TS2_GUARDED_BUFFERS)
  // From a quarter of a large page on, one large page costs less than the small ones it replaces;
  // so does a tail past the last whole large page, or it stays in small pages: a ROM with a
  // 512-byte copier header does not hold a whole large page (2 MiB of memory) for its last bytes.
  // Such a buffer is mapped from the system for itself, never taken from the heap: the hint stays
  // on the memory it was given to, and the heap would hand that memory to the next buffers.
  constexpr size_t kLargePage = size_t{2} << 20;
  if (size >= kLargePage / 4) {
    const size_t rounded = (size + kLargePage - 1) / kLargePage * kLargePage;
    const size_t tail = size % kLargePage;
    const size_t large = tail == 0 || tail >= kLargePage / 4 ? rounded : size - tail;
    // One large page more than needed, so that a boundary of one falls inside; the rest goes back.
    const size_t span = rounded + kLargePage;
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw != MAP_FAILED) {
      auto* base = static_cast<uint8_t*>(raw);
      const size_t head = (kLargePage - reinterpret_cast<uintptr_t>(base) % kLargePage) % kLargePage;
      uint8_t* p = base + head;
      if (head != 0) ::munmap(base, head);
      if (span - head > rounded) ::munmap(p + rounded, span - head - rounded);
      ::madvise(p, large, MADV_HUGEPAGE);  // a hint: without large pages the buffer works alike
      return Buffer<uint8_t>(p, BufferDeleter::Mapped(rounded));
    }
  }
#endif
  return Buffer<uint8_t>(static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1)), BufferDeleter(true));
}

RomReadStatus ReadRomFile(const std::string& path,
                          const std::function<bool(const std::string&)>& failAllocation, RomFile& out,
                          uint64_t capacity) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    out.error = EISDIR;
    return RomReadStatus::CannotOpen;
  }
  // A named pipe's length cannot be told either, and opening one nobody writes to waits for ever.
  if (std::filesystem::is_fifo(path, ec)) {
    out.error = ESPIPE;
    return RomReadStatus::CannotOpen;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    out.error = errno;
    return RomReadStatus::CannotOpen;
  }
  // A length that cannot be told (a pipe, 2 GiB or more) is a file we cannot read: reported like
  // one that cannot be opened, so the image loaded before is kept.
  errno = 0;
  const int32_t length = FileLength(file);
  if (length < 0) {
    out.error = errno != 0 ? errno : EFBIG;  // no errno: 2 GiB or more
    std::fclose(file);
    return RomReadStatus::CannotOpen;
  }
  const uint32_t size = static_cast<uint32_t>(length);
  IdentityOf(fileno(file), out.seen);
  Buffer<uint8_t> image;
  if (!(failAllocation && failAllocation("gROM")))
    image = ImageBuffer(static_cast<size_t>(std::max<uint64_t>(size, capacity)));
  if (!image) {
    std::fclose(file);
    return RomReadStatus::NoMemory;
  }
  const size_t got = std::fread(image.get(), 1, size, file);
  std::fclose(file);
  out.size = size;
  out.headerSize = CopierHeaderSize(size);
  out.bytesRead = static_cast<uint32_t>(got);
  if (got < size) return RomReadStatus::ShortRead;  // a file that shrank or failed while read
  out.bytes = std::move(image);
  return RomReadStatus::Ok;
}

std::string RomReadError(RomReadStatus status, const std::string& path, const RomFile& file) {
  switch (status) {
    case RomReadStatus::Ok: return {};
    case RomReadStatus::CannotOpen:
      if (file.error == ESPIPE) return "cannot read " + path + ": its length cannot be told (a pipe?)";
      return "cannot read " + path + (file.error != 0 ? std::string(": ") + std::strerror(file.error) : "");
    case RomReadStatus::NoMemory: return "not enough memory to read " + path;
    case RomReadStatus::ShortRead:
      return Format("cannot read all of %s: only %u of its %u bytes could be read", path.c_str(),
                    file.bytesRead, file.size);
  }
  return {};
}

std::optional<std::string> RomTitle(std::span<const uint8_t> gameData) {
  if (gameData.size() < kTitleOffset + kTitleLength) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(gameData.data() + kTitleOffset), kTitleLength);
}

bool HasGameTitle(std::span<const uint8_t> gameData) {
  const std::optional<std::string> title = RomTitle(gameData);
  return title && *title == std::string_view(kGameTitle, kTitleLength);
}

void InstallRomImage(Ts2Main& state, RomFile file) {
  state.romAlloc = std::move(file.bytes);
  state.gROMSize = file.size;
  state.gROMHeaderSize = file.headerSize;
  state.gROM = state.romAlloc ? state.romAlloc.get() + state.gROMHeaderSize : nullptr;
  state.gROMModified = 0;  // the image is the file as it is on disk
  ++state.scriptGeneration;
}

void ReleaseRomImage(Ts2Main& state) {
  state.romAlloc.reset();
  state.gROM = nullptr;
  state.gROMModified = 0;  // a modified flag never stands without an image
  ++state.scriptGeneration;
}

}  // namespace ts2
