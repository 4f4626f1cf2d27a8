// Patches applied to a file image by itself, outside the program's state: what ts2tool patch runs
// (it makes no window, bitmap or program) and what the editor's PATCH command runs when it patches
// in memory (TmyForm::ApplyPatchFiles with PatchRoute::InMemory). An IPS patch is read twice: once
// to check it whole, once writing each record into the image as it is read; no list of records is
// kept. A BPS patch is checked whole and applied into a new buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/state.h"
#include "patch/ips.h"

namespace ts2::patching {

// A whole file image, copier header included, in a buffer with room for `capacity` bytes.
struct FileImage {
  Buffer<uint8_t> bytes;
  uint32_t size = 0;
  uint32_t headerSize = 0;  // as the file was read: a patch never moves the copier header
  uint64_t capacity = 0;
  std::span<const uint8_t> view() const { return {bytes.get(), size}; }
};

// An IPS patch read through once: checked whole, and its last record (none when it has none).
// Applying the patch needs no other pass to tell whether it is sound.
struct IpsWalk {
  ips::Study study;  // without its record list
  std::optional<ips::Record> last;
};

// A patch file's bytes, read whole, in a buffer of large pages when the patch is large (as a ROM
// image is read): a patch of a megabyte is then a fault or two instead of one per 4 KiB page.
// Or the file mapped into memory, where nothing is copied. A patch read from a pipe is in a
// buffer that grew as it came.
struct PatchBytes {
  Buffer<uint8_t> bytes;
  std::shared_ptr<const uint8_t> mapped;
  size_t length = 0;
  std::optional<IpsWalk> walked;  // set by RoomNeeded(PatchBytes&) for an IPS patch
  std::span<const uint8_t> span() const { return {mapped ? mapped.get() : bytes.get(), length}; }
};

// What ReadPatchFile does with a pipe or FIFO, whose length cannot be told before it ends.
enum class Pipes {
  Refuse,     // the editor: as with any file it cannot read
  ReadWhole,  // ts2tool (a patch out of an archive or a download): read to its end
};

// std::nullopt when the file cannot be opened or read.
std::optional<PatchBytes> ReadPatchFile(const std::string& path, Pipes pipes = Pipes::Refuse);

// The file mapped (its pages mapped at once), for a short-lived process that only reads it once:
// no copy and no new memory. A pipe or FIFO is read to its end instead; any other file that
// cannot be mapped is read by ReadPatchFile.
std::optional<PatchBytes> MapPatchFile(const std::string& path);

// A patch read from `fd` (standard input, a pipe) up to its end, its length told by the end
// alone. std::nullopt, with errno saying why, when a read fails, when there is no memory for it,
// or past 2 GiB, where a patch file's length is not read either.
std::optional<PatchBytes> ReadPatchStream(int fd);

bool IsBps(std::span<const uint8_t> patch);

// The bytes an image needs to hold while `patch` applies to it: one past the last byte an IPS
// record writes; 0 for a BPS patch (applied into a buffer of its own) or a broken one.
uint64_t RoomNeeded(std::span<const uint8_t> patch);
// The same, keeping the walk in `patch` so that applying it does not read it through again (the
// first read of a large patch is most of what reading it costs: its pages are not in the cache).
uint64_t RoomNeeded(PatchBytes& patch);

enum class Failure {
  None,
  Refused,   // the patch is broken, or made for another image: the image is as it was; or a
             // mapped IPS patch changed while it applied (another program rewrote the file): the
             // image is partly patched and not to be used
  NoMemory,  // the grown IPS image could not be allocated: the editor ends
};

struct Options {
  bool truncate = false;                  // cut the image to an IPS patch's truncation size
  std::function<bool()> allocationFails;  // test hook: the new image's allocation fails
};

struct Applied {
  Failure failure = Failure::None;
  std::string message;   // the editor's message, when it failed
  bool changed = false;  // the image's size or a byte of it differs from before
};

// Applies one patch, IPS or BPS as its first bytes tell; `name` is the file name messages give.
// On failure the image is as it was. `walked`, when given, is this IPS patch's walk.
Applied ApplyPatch(FileImage& image, const std::string& name, std::span<const uint8_t> patch,
                   const Options& options, const IpsWalk* walked = nullptr);

struct Outcome {
  bool ok = true;
  std::string message;  // why it stopped, when !ok
  // The patches that changed nothing, in order, named as their messages name them.
  std::vector<std::string> unchanged;
};

// How ApplyPatchFiles reads the patch a path names and what its messages call it. Left empty, a
// patch file is read as the editor reads one (ReadPatchFile) and named by its file name.
struct PatchSource {
  std::function<std::optional<PatchBytes>(const std::string& path)> read;
  std::function<std::string(const std::string& path)> name;
};

// Applies the patch files in order, stopping at the first that fails (the image then holds the
// patches before it). `firstRead` may hold the first file's bytes, already read.
Outcome ApplyPatchFiles(FileImage& image, const std::vector<std::string>& paths, const Options& options,
                        std::optional<PatchBytes> firstRead = std::nullopt, const PatchSource& source = {});

}  // namespace ts2::patching
