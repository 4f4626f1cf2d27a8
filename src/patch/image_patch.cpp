#include "patch/image_patch.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "core/fileutil.h"
#include "core/forms.h"  // FileLength
#include "core/romfile.h"
#include "patch/bps.h"
#include "patch/ips.h"
#include "patch/patch_name.h"

namespace ts2::patching {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Whether the records, applied in order, leave any byte of `image` other than it is: the last
// record to write a byte decides it. Bytes past the image's end are not looked at (the caller
// tells a change of size itself). Found without writing, records last to first, each on the bytes
// no later record writes (most patches tell at their last record).
bool ChangesImage(const ips::Study& study, std::span<const uint8_t> patch, std::span<const uint8_t> image) {
  std::map<uint64_t, uint64_t> written;  // start -> end of the ranges later records write
  for (auto r = study.records.rbegin(); r != study.records.rend(); ++r) {
    const uint64_t from = r->offset, to = from + r->length();
    auto differs = [&](uint64_t a, uint64_t b) {
      for (uint64_t at = a; at < std::min<uint64_t>(b, image.size()); ++at) {
        const uint8_t value = r->isRun() ? r->runByte : patch[r->dataAt + (at - from)];
        if (image[at] != value) return true;
      }
      return false;
    };
    auto it = written.upper_bound(from);
    if (it != written.begin() && std::prev(it)->second > from) --it;
    uint64_t start = from, end = to;
    for (uint64_t at = from; at < to;) {
      if (it == written.end() || it->first >= to) {
        if (differs(at, to)) return true;
        break;
      }
      if (it->first > at && differs(at, it->first)) return true;
      at = std::max(at, it->second);
      start = std::min(start, it->first);
      end = std::max(end, it->second);
      it = written.erase(it);
    }
    if (from < to) written[start] = end;
  }
  return false;
}

// Whether `r` writes a byte of `image` other than it is (bytes past the image's end not looked at).
bool RecordDiffers(const ips::Record& r, std::span<const uint8_t> patch, std::span<const uint8_t> image) {
  const uint64_t end = std::min<uint64_t>(uint64_t{r.offset} + r.length(), image.size());
  if (r.offset >= end) return false;
  const uint8_t* at = image.data() + r.offset;
  const size_t n = static_cast<size_t>(end - r.offset);
  if (!r.isRun()) return std::memcmp(at, patch.data() + r.dataAt, n) != 0;
  return std::any_of(at, at + n, [&](uint8_t b) { return b != r.runByte; });
}

// A new buffer of `size` bytes, or null (also when the test hook says so).
Buffer<uint8_t> NewImage(uint64_t size, const Options& options) {
  if (options.allocationFails && options.allocationFails()) return {};
  return ImageBuffer(static_cast<size_t>(size));
}

Applied ApplyBps(FileImage& image, const std::string& name, std::span<const uint8_t> patch,
                 const Options& options) {
  const bps::Study study = bps::StudyPatch(patch);
  if (!study.ok()) return {Failure::Refused, bps::ErrorText(study.error, name, study), false};
  const std::span<const uint8_t> source(image.bytes.get() + image.headerSize, image.size - image.headerSize);
  std::vector<uint8_t> target;
  bps::Check found;
  if (const bps::Error error = bps::Apply(study, patch, source, target, &found); error != bps::Error::None)
    return {Failure::Refused, bps::ErrorText(error, name, study, found), false};
  const uint64_t newSize = image.headerSize + target.size();
  Buffer<uint8_t> patched = NewImage(newSize, options);
  if (!patched) return {Failure::Refused, bps::ErrorText(bps::Error::NoMemory, name, study), false};
  std::memcpy(patched.get(), image.bytes.get(), image.headerSize);
  if (!target.empty()) std::memcpy(patched.get() + image.headerSize, target.data(), target.size());
  Applied done;
  done.changed = !std::equal(source.begin(), source.end(), target.begin(), target.end());
  image.bytes = std::move(patched);
  image.size = static_cast<uint32_t>(newSize);
  image.capacity = newSize;
  return done;
}

IpsWalk WalkIps(std::span<const uint8_t> patch) {
  IpsWalk walk;
  walk.study = ips::WalkPatch(patch, [&](const ips::Record& r) { walk.last = r; });
  return walk;
}

Applied ApplyIps(FileImage& image, const std::string& name, std::span<const uint8_t> patch,
                 const Options& options, const IpsWalk* walked) {
  // First pass: the patch checked whole, nothing kept but its last record (done already when
  // the caller walked it).
  const IpsWalk walk = walked ? IpsWalk{} : WalkIps(patch);
  const ips::Study& study = walked ? walked->study : walk.study;
  const std::optional<ips::Record>& last = walked ? walked->last : walk.last;
  if (!study.ok()) return {Failure::Refused, ips::ErrorText(study.error, name, study.errorAt), false};

  const uint64_t grownSize = study.ResultSize(image.size);  // at most 16 MiB past the old end
  uint64_t newSize = grownSize;
  if (const std::optional<uint32_t> cut = ips::TruncationSize(study, patch); options.truncate && cut)
    newSize = std::max<uint64_t>(std::min<uint64_t>(*cut, newSize), image.headerSize);

  // Whether it changes anything, told before anything is written. No later record writes over the
  // last one, so where it differs the answer is yes; otherwise (a patch applied twice, say) every
  // record has to be looked at.
  Applied done;
  done.changed = newSize != image.size || (last && RecordDiffers(*last, patch, image.view())) ||
                 ChangesImage(ips::StudyPatch(patch), patch, image.view());

  if (grownSize > image.capacity) {
    // A new buffer of large pages: copying the image costs less than faulting in the growth a
    // small page at a time.
    Buffer<uint8_t> grown = NewImage(grownSize, options);
    if (!grown) return {Failure::NoMemory, ips::ErrorText(ips::Error::NoMemory), false};
    std::memcpy(grown.get(), image.bytes.get(), image.size);
    image.bytes = std::move(grown);
    image.capacity = grownSize;
  }
  if (grownSize > image.size) std::memset(image.bytes.get() + image.size, 0, grownSize - image.size);

  // Second pass: each record written as it is read, in patch order (a later record wins where two
  // overlap). The first pass found every record inside `grownSize`. A mapped patch can still
  // change between the passes, when another program rewrites the file in place: a record outside
  // the buffer is not written, and it, a patch broken now, or one whose end or written end moved
  // refuses the patch.
  uint8_t* const bytes = image.bytes.get();
  bool outside = false;
  const ips::Study again = ips::WalkPatch(patch, [&](const ips::Record& r) {
    if (r.length() == 0) return;  // an empty run writes nothing, wherever it points
    if (uint64_t{r.offset} + r.length() > grownSize) {
      outside = true;
    } else if (r.isRun()) {
      std::memset(bytes + r.offset, r.runByte, r.runLength);
    } else {
      std::memcpy(bytes + r.offset, patch.data() + r.dataAt, r.size);
    }
  });
  if (outside || !again.ok() || again.sawEof != study.sawEof || again.eofAt != study.eofAt ||
      again.writtenEnd != study.writtenEnd)
    return {
        Failure::Refused,
        "Error: " + QuotedName(name) + " changed while it was being read. The patched image is not usable.",
        false};
  image.size = static_cast<uint32_t>(newSize);
  return done;
}

}  // namespace

std::optional<PatchBytes> ReadPatchFile(const std::string& path, Pipes pipes) {
  FilePtr f(std::fopen(path.c_str(), "rb"), &std::fclose);
  const int32_t length = f ? FileLength(f.get()) : -1;
  if (length < 0) {
    // Told apart only here, where a file's length could not be found: a file read as always
    // costs nothing more.
    struct stat st;
    if (f && pipes == Pipes::ReadWhole && ::fstat(fileno(f.get()), &st) == 0 && S_ISFIFO(st.st_mode))
      return ReadPatchStream(fileno(f.get()));
    return std::nullopt;
  }
  PatchBytes patch;
  patch.bytes = ImageBuffer(static_cast<size_t>(length));
  patch.length = static_cast<size_t>(length);
  if (!patch.bytes) return std::nullopt;
  if (std::fread(patch.bytes.get(), 1, patch.length, f.get()) != patch.length) return std::nullopt;
  return patch;
}

std::optional<PatchBytes> MapPatchFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  const bool known = fd >= 0 && ::fstat(fd, &st) == 0;
  if (known && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size < INT32_MAX) {
    const size_t length = static_cast<size_t>(st.st_size);
    void* p = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    if (p != MAP_FAILED) {
      PatchBytes patch;
      patch.mapped.reset(static_cast<const uint8_t*>(p),
                         [length](const uint8_t* at) { ::munmap(const_cast<uint8_t*>(at), length); });
      patch.length = length;
      return patch;
    }
  } else if (known && S_ISFIFO(st.st_mode)) {
    // Read from this opening: a FIFO opened again would wait for another writer.
    std::optional<PatchBytes> patch = ReadPatchStream(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    return patch;
  } else if (fd >= 0) {
    ::close(fd);
  }
  return ReadPatchFile(path);
}

std::optional<PatchBytes> ReadPatchStream(int fd) {
  constexpr size_t kMost = INT32_MAX;  // as FileLength reads a patch file's length
  size_t capacity = size_t{64} << 10, length = 0;
  Buffer<uint8_t> bytes(static_cast<uint8_t*>(std::malloc(capacity)), BufferDeleter(true));
  if (!bytes) return std::nullopt;
  for (;;) {
    if (length == capacity) {
      if (length > kMost) {
        errno = EFBIG;
        return std::nullopt;
      }
      const size_t grown = std::min(capacity * 2, kMost + 1);  // one byte past kMost tells a longer one
      void* p = std::realloc(bytes.get(), grown);
      if (!p) return std::nullopt;
      bytes.release();
      bytes.reset(static_cast<uint8_t*>(p));
      capacity = grown;
    }
    const ssize_t n = ::read(fd, bytes.get() + length, capacity - length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    length += static_cast<size_t>(n);
  }
  if (length > kMost) {
    errno = EFBIG;
    return std::nullopt;
  }
  PatchBytes patch;
  patch.bytes = std::move(bytes);
  patch.length = length;
  return patch;
}

bool IsBps(std::span<const uint8_t> patch) {
  return patch.size() >= bps::kMagicSize && std::memcmp(patch.data(), bps::kMagic, bps::kMagicSize) == 0;
}

uint64_t RoomNeeded(std::span<const uint8_t> patch) {
  if (IsBps(patch)) return 0;
  const ips::Study study = ips::WalkPatch(patch, [](const ips::Record&) {});
  return study.ok() ? study.writtenEnd : 0;
}

uint64_t RoomNeeded(PatchBytes& patch) {
  if (IsBps(patch.span())) return 0;
  patch.walked = WalkIps(patch.span());
  return patch.walked->study.ok() ? patch.walked->study.writtenEnd : 0;
}

Applied ApplyPatch(FileImage& image, const std::string& name, std::span<const uint8_t> patch,
                   const Options& options, const IpsWalk* walked) {
  return IsBps(patch) ? ApplyBps(image, name, patch, options) : ApplyIps(image, name, patch, options, walked);
}

Outcome ApplyPatchFiles(FileImage& image, const std::vector<std::string>& paths, const Options& options,
                        std::optional<PatchBytes> firstRead, const PatchSource& source) {
  Outcome outcome;
  for (size_t k = 0; k < paths.size(); ++k) {
    std::optional<PatchBytes> patch = k == 0 && firstRead ? std::move(firstRead)
                                      : source.read       ? source.read(paths[k])
                                                          : ReadPatchFile(paths[k]);
    if (!patch) {
      outcome.ok = false;
      outcome.message = ips::ErrorText(ips::Error::CannotOpen);
      return outcome;
    }
    const std::string name = source.name ? source.name(paths[k]) : ExtractFileName(paths[k]);
    const Applied applied =
        ApplyPatch(image, name, patch->span(), options, patch->walked ? &*patch->walked : nullptr);
    if (applied.failure != Failure::None) {
      outcome.ok = false;
      outcome.message = applied.message;
      return outcome;
    }
    if (!applied.changed) outcome.unchanged.push_back(name);
  }
  return outcome;
}

}  // namespace ts2::patching
