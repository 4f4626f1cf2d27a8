#include "patch/patch_info.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "core/fileutil.h"
#include "core/romfile.h"
#include "patch/crc32.h"

namespace ts2::patchinfo {

namespace {

// The game keeps its internal ROM header (title, checksum) in game data 0xFFC0-0xFFFF. A patch
// that writes there through the other copier-header layout's offsets was made for that layout.
constexpr Range kRomHeaderArea{0xFFC0, 0x10000};

std::vector<Range> Merge(std::vector<Range> ranges) {
  std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
  std::vector<Range> merged;
  for (const Range& r : ranges) {
    if (r.end <= r.begin) continue;
    if (!merged.empty() && r.begin <= merged.back().end) {
      merged.back().end = std::max(merged.back().end, r.end);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

bool Touches(const std::vector<Range>& writes, Range area) {
  for (const Range& r : writes)
    if (r.begin < area.end && area.begin < r.end) return true;
  return false;
}

Range Shifted(Range r, uint64_t by) {
  return {r.begin + by, r.end + by};
}

std::string Hex(uint64_t v) {
  return ts2::Format("0x%llX", static_cast<unsigned long long>(v));
}

}  // namespace

uint64_t Info::bytesWritten() const {
  uint64_t total = 0;
  for (const Range& r : writes) total += r.end - r.begin;
  return total;
}

Info Describe(std::span<const uint8_t> patch, std::string_view name) {
  Info info;
  if (patch.size() >= bps::kMagicSize && std::memcmp(patch.data(), bps::kMagic, bps::kMagicSize) == 0) {
    info.format = Format::Bps;
    info.bps = bps::StudyPatch(patch);
    if (!info.bps.ok()) {
      info.error = bps::ErrorText(info.bps.error, name, info.bps);
      return info;
    }
    info.metadata = std::string(info.bps.metadata(patch));
    for (const bps::Range& r : info.bps.writes) info.writes.push_back({r.begin, r.end});
    return info;
  }
  info.ips = ips::StudyPatch(patch);
  if (info.ips.error == ips::Error::NotAPatch) {
    info.error = "not an IPS or BPS patch (it starts with neither \"PATCH\" nor \"BPS1\")";
    return info;
  }
  info.format = Format::Ips;
  if (!info.ips.ok()) {
    info.error = ips::ErrorText(info.ips.error, name, info.ips.errorAt);
    return info;
  }
  info.truncation = ips::TruncationSize(info.ips, patch);
  std::vector<Range> writes;
  for (const ips::Record& r : info.ips.records) {
    if (r.isRun()) ++info.runRecords;
    writes.push_back({r.offset, uint64_t{r.offset} + r.length()});
  }
  info.writes = Merge(std::move(writes));
  return info;
}

Fit CheckFit(const Info& info, std::span<const uint8_t> romFile) {
  Fit fit;
  const uint64_t size = romFile.size();
  const uint32_t header = CopierHeaderSize(static_cast<uint32_t>(size));
  const std::span<const uint8_t> game = romFile.subspan(header);
  if (info.format == Format::Bps) {
    const uint32_t crc = Crc32(game);
    if (game.size() == info.bps.sourceSize && crc == info.bps.sourceCrc) {
      fit.verdict = "fits: the game data has the source's size and CRC-32";
      return fit;
    }
    fit.fits = false;
    fit.verdict = "made for another ROM: it expects " + std::to_string(info.bps.sourceSize) +
                  " bytes with CRC-32 " + ts2::Format("0x%08X", info.bps.sourceCrc) + ", this ROM has " +
                  std::to_string(game.size()) + " bytes with CRC-32 " + ts2::Format("0x%08X", crc) +
                  " (without its copier header)";
    if (header > 0 && size == info.bps.sourceSize && Crc32(romFile) == info.bps.sourceCrc)
      fit.warnings.push_back("it matches this file with its copier header: it was made with the header kept");
    return fit;
  }

  // IPS: offsets count from the file's first byte.
  const uint64_t end = info.ips.writtenEnd;
  uint64_t result = std::max(size, end);
  // A truncation never cuts into the copier header: ts2tool patch keeps the header whole.
  if (info.truncation && *info.truncation < result) result = std::max<uint64_t>(*info.truncation, header);
  // The size the image ends with, as ts2tool patch makes it (the truncation included).
  if (result != size)
    fit.verdict = std::string("fits: it ") + (result > size ? "grows" : "cuts") + " the image from " +
                  std::to_string(size) + " to " + std::to_string(result) + " bytes";
  else if (end <= size)
    fit.verdict = "fits: every write falls inside the image of " + std::to_string(size) + " bytes";
  else
    fit.verdict = "fits: what it writes past the end is cut off at " + std::to_string(size) + " bytes";
  const uint32_t other = header ? 0 : kCopierHeaderBit;  // where the game data starts in the other layout
  if (header > 0 && Touches(info.writes, {0, header}))
    fit.warnings.push_back(
        "it writes inside the copier header (0x0-0x1FF): it looks made for a headerless ROM, "
        "whose offsets are 0x200 lower");
  if (Touches(info.writes, Shifted(kRomHeaderArea, other)) &&
      !Touches(info.writes, Shifted(kRomHeaderArea, header)))
    fit.warnings.push_back("it writes at " + RangeText(Shifted(kRomHeaderArea, other)) +
                           ", where the ROM's title and checksum lie " +
                           (header ? "without a copier header" : "behind a copier header") +
                           ": it looks made for a " + (header ? "headerless" : "headered") + " ROM");
  if (result != size && CopierHeaderSize(static_cast<uint32_t>(result)) != header)
    fit.warnings.push_back("the " + std::to_string(result) + "-byte result " +
                           (header ? "has no copier header by its size" : "has a copier header by its size") +
                           ": it looks made for a " + (header ? "headerless" : "headered") + " ROM");
  return fit;
}

std::vector<Overlap> Overlaps(const std::vector<std::vector<Range>>& writes) {
  // Sweep over every range's start and end, keeping which patches cover the current byte.
  std::map<uint64_t, std::vector<std::pair<size_t, int>>> events;
  for (size_t p = 0; p < writes.size(); ++p) {
    for (const Range& r : writes[p]) {
      events[r.begin].emplace_back(p, +1);
      events[r.end].emplace_back(p, -1);
    }
  }
  std::vector<Overlap> out;
  std::vector<int> cover(writes.size(), 0);
  uint64_t from = 0;
  std::vector<size_t> active;
  for (const auto& [at, changes] : events) {
    if (active.size() > 1 && at > from) {
      if (!out.empty() && out.back().range.end == from && out.back().patches == active) {
        out.back().range.end = at;
      } else {
        out.push_back({{from, at}, active});
      }
    }
    for (const auto& [p, d] : changes) cover[p] += d;
    active.clear();
    for (size_t p = 0; p < cover.size(); ++p)
      if (cover[p] > 0) active.push_back(p);
    from = at;
  }
  return out;
}

std::string RangeText(const Range& r) {
  return r.end - r.begin == 1 ? Hex(r.begin) : Hex(r.begin) + "-" + Hex(r.end - 1);
}

}  // namespace ts2::patchinfo
