// Fixture builders: the project ships no game data, so tests make their own ROM images,
// compressed glyph tables, data files and patches.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ts2::test {

using Glyph = std::array<uint8_t, 32>;  // 8 x 16 pixels, two bit planes per row

// A type-3 compressed block (5-byte header + stream) that decodes to `data`. References only
// reach back into the block's own output, so the result does not depend on the ring's contents.
std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data);

// A glyph whose every row is `row` in plane 0 and `row2` in plane 1.
Glyph SolidGlyph(uint8_t plane0, uint8_t plane1 = 0);

// A synthetic ROM image (game data, without copier header) with the game's title in place.
class RomBuilder {
 public:
  explicit RomBuilder(size_t size = 0x140000);
  RomBuilder& title(std::string_view title);  // 15 bytes at 0xFFC0, padded with blanks
  RomBuilder& put(uint32_t offset, std::span<const uint8_t> bytes);
  RomBuilder& put8(uint32_t offset, uint8_t value);
  RomBuilder& put16(uint32_t offset, uint16_t value);  // little-endian
  // A glyph table at `offset` (0x130000 for the font): pointers, then one compressed block per
  // glyph, all within the table's bank.
  RomBuilder& fontTable(const std::vector<Glyph>& glyphs, uint32_t offset = 0x130000);
  // The file's bytes: with `header`, a 512-byte copier header (filled with 0xAA) in front.
  std::vector<uint8_t> file(bool header = false) const;
  std::vector<uint8_t>& data() { return rom_; }

 private:
  std::vector<uint8_t> rom_;
};

// A temporary folder, removed with its contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }
  std::string write(std::string_view name, std::span<const uint8_t> bytes) const;
  std::string write(std::string_view name, std::string_view text) const;

 private:
  std::filesystem::path path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);

// Runs the test body with the process's working directory set to `dir`, restoring it after.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir);
  ~ScopedCwd();

 private:
  std::filesystem::path saved_;
};

// Points TMPDIR (where recovery copies go when a file's own folder takes none) at `dir` for the
// object's life.
// What the editor adds when a recovery copy could only be written in the temporary folder.
inline constexpr char kTemporaryFolder[] =
    " That is the system's temporary folder, which may be emptied when the computer starts again: move the "
    "copy somewhere safe.";

class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const std::string& dir);
  ~ScopedTmpDir();

 private:
  std::optional<std::string> old_;
};

}  // namespace ts2::test
