#include "support/builders.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ts2::test {

std::vector<uint8_t> CompressBlock(std::span<const uint8_t> data) {
  std::vector<uint8_t> out = {3, static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8), 0,
                              0};
  constexpr size_t kMaxDistance = 4078;  // keeps a reference's source clear of the write position
  size_t i = 0;
  while (i < data.size()) {
    const size_t flagAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && i < data.size(); ++bit) {
      size_t bestLen = 0, bestFrom = 0;
      const size_t lo = i > kMaxDistance ? i - kMaxDistance : 0;
      for (size_t from = lo; from < i; ++from) {
        size_t len = 0;
        while (len < 18 && i + len < data.size() && data[from + len] == data[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestFrom = from;
        }
      }
      if (bestLen >= 3) {
        const uint16_t ringPos = static_cast<uint16_t>((0xFEE + bestFrom) & 0xFFF);
        out.push_back(static_cast<uint8_t>(ringPos & 0xFF));
        out.push_back(static_cast<uint8_t>(((ringPos >> 4) & 0xF0) | (bestLen - 3)));
        i += bestLen;
      } else {
        out[flagAt] |= static_cast<uint8_t>(1u << bit);
        out.push_back(data[i]);
        ++i;
      }
    }
  }
  return out;
}

Glyph SolidGlyph(uint8_t plane0, uint8_t plane1) {
  Glyph g{};
  for (int r = 0; r < 16; ++r) {
    g[2 * r] = plane0;
    g[2 * r + 1] = plane1;
  }
  return g;
}

RomBuilder::RomBuilder(size_t size) : rom_(size, 0) {
  title("TORMEL SARAGON2");
}

RomBuilder& RomBuilder::title(std::string_view title) {
  std::string t(title.substr(0, 15));
  t.resize(15, ' ');
  if (rom_.size() < 0xFFC0 + 15) rom_.resize(0xFFC0 + 15);
  std::copy(t.begin(), t.end(), rom_.begin() + 0xFFC0);
  return *this;
}

RomBuilder& RomBuilder::put(uint32_t offset, std::span<const uint8_t> bytes) {
  if (rom_.size() < offset + bytes.size()) rom_.resize(offset + bytes.size());
  std::copy(bytes.begin(), bytes.end(), rom_.begin() + offset);
  return *this;
}

RomBuilder& RomBuilder::put8(uint32_t offset, uint8_t value) {
  const uint8_t b[1] = {value};
  return put(offset, b);
}

RomBuilder& RomBuilder::put16(uint32_t offset, uint16_t value) {
  const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return put(offset, b);
}

RomBuilder& RomBuilder::fontTable(const std::vector<Glyph>& glyphs, uint32_t offset) {
  const uint32_t bank = offset & 0xFF0000;
  uint32_t at = offset + 2 * static_cast<uint32_t>(glyphs.size());
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const std::vector<uint8_t> block = CompressBlock(glyphs[i]);
    if (at + block.size() > bank + 0x10000) throw std::runtime_error("glyph table does not fit its bank");
    put16(offset + 2 * static_cast<uint32_t>(i), static_cast<uint16_t>(at - bank));
    put(at, block);
    at += static_cast<uint32_t>(block.size());
  }
  return *this;
}

std::vector<uint8_t> RomBuilder::file(bool header) const {
  std::vector<uint8_t> out;
  if (header) out.assign(512, 0xAA);
  out.insert(out.end(), rom_.begin(), rom_.end());
  return out;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ts2test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(std::string_view name, std::span<const uint8_t> bytes) const {
  const std::string p = file(name);
  std::filesystem::create_directories(std::filesystem::path(p).parent_path());
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return p;
}

std::string TempDir::write(std::string_view name, std::string_view text) const {
  return write(name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd() {
  std::error_code ec;
  std::filesystem::current_path(saved_, ec);
}

ScopedTmpDir::ScopedTmpDir(const std::string& dir) {
  if (const char* old = std::getenv("TMPDIR")) old_ = old;
  ::setenv("TMPDIR", dir.c_str(), 1);
}

ScopedTmpDir::~ScopedTmpDir() {
  old_ ? (void)::setenv("TMPDIR", old_->c_str(), 1) : (void)::unsetenv("TMPDIR");
}

}  // namespace ts2::test
