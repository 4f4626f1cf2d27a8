// What a patch file does, told without applying it: its format and size, the ranges it writes,
// whether it fits a given ROM image, and which bytes several patches write. ts2tool patchinfo
// prints these; the rules live here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "patch/bps.h"
#include "patch/ips.h"

namespace ts2::patchinfo {

enum class Format { Ips, Bps, Unknown };

// Offsets [begin, end).
struct Range {
  uint64_t begin = 0, end = 0;
  bool operator==(const Range&) const = default;
};

struct Info {
  Format format = Format::Unknown;
  std::string error;  // the reader's message; empty when the patch reads clean
  // IPS: records as studied, the written end, and the truncation size when the patch has one.
  ips::Study ips;
  std::optional<uint32_t> truncation;
  uint64_t runRecords = 0;
  // BPS: the whole study (sizes, CRC-32s, action counts).
  bps::Study bps;
  std::string metadata;
  // Merged, in order: file offsets (copier header included) for IPS, game-data offsets for BPS.
  std::vector<Range> writes;

  bool ok() const { return format != Format::Unknown && error.empty(); }
  uint64_t bytesWritten() const;
};

// Reads a patch whole. `name` is used in the error message.
Info Describe(std::span<const uint8_t> patch, std::string_view name);

// How a patch fits a ROM file image (copier header included).
struct Fit {
  bool fits = true;  // false: a BPS patch made for another ROM
  std::string verdict;
  std::vector<std::string> warnings;  // the patch looks made for the other copier-header layout
};
Fit CheckFit(const Info& info, std::span<const uint8_t> romFile);

// Bytes that more than one patch writes, with the indexes of those patches. `writes` holds each
// patch's ranges in one coordinate system.
struct Overlap {
  Range range;
  std::vector<size_t> patches;
};
std::vector<Overlap> Overlaps(const std::vector<std::vector<Range>>& writes);

// "0x1F0-0x1FF" (inclusive end), or "0x1F0" for one byte.
std::string RangeText(const Range& r);

}  // namespace ts2::patchinfo
