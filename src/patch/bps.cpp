#include "patch/bps.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/fileutil.h"
#include "patch/crc32.h"
#include "patch/patch_name.h"

namespace ts2::bps {

namespace {

uint32_t Read32LE(std::span<const uint8_t> b, uint64_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// A bounded reader of the patch's numbers: never reads at or past `end`.
struct Reader {
  std::span<const uint8_t> patch;
  uint64_t pos = 0;
  uint64_t end = 0;
  Error error = Error::None;

  uint64_t number() {
    uint64_t value = 0, shift = 1;
    for (int i = 0; i < kMaxNumberBytes; ++i) {
      if (pos >= end) {
        error = Error::CutShort;
        return 0;
      }
      const uint8_t b = patch[pos++];
      value += (b & 0x7F) * shift;
      if (b & 0x80) return value;
      shift <<= 7;
      value += shift;
    }
    error = Error::LongNumber;
    return 0;
  }
};

void AddWrite(std::vector<Range>& writes, uint64_t begin, uint64_t end) {
  if (!writes.empty() && writes.back().end == begin) {
    writes.back().end = end;
  } else {
    writes.push_back({begin, end});
  }
}

// Runs every action of the patch. During the study `source` and `target` are null and only the
// bounds are checked; when applying, the same walk copies the bytes, so it is bounded by the same
// checks whatever study it is given.
void RunActions(std::span<const uint8_t> patch, Study& s, const uint8_t* source, uint8_t* target) {
  Reader r{patch, s.actionsAt, patch.size() - kFooterSize};
  uint64_t out = 0, sourceAt = 0, targetAt = 0;
  auto fail = [&](Error e, uint64_t at) {
    s.error = e;
    s.errorAt = at;
  };
  while (r.pos < r.end) {
    const uint64_t at = r.pos;
    const uint64_t n = r.number();
    if (r.error != Error::None) return fail(r.error, at);
    const auto action = static_cast<Action>(n & 3);
    const uint64_t length = (n >> 2) + 1;
    if (length > s.targetSize - out) return fail(Error::BadAction, at);
    bool same = false;  // the bytes come from the same source offset: nothing changes there
    switch (action) {
      case Action::SourceRead:
        if (out + length > s.sourceSize) return fail(Error::BadAction, at);
        if (target) std::memcpy(target + out, source + out, length);
        same = true;
        break;
      case Action::TargetRead:
        if (length > r.end - r.pos) return fail(Error::BadAction, at);
        if (target) std::memcpy(target + out, patch.data() + r.pos, length);
        r.pos += length;
        break;
      case Action::SourceCopy:
      case Action::TargetCopy: {
        const uint64_t d = r.number();
        if (r.error != Error::None) return fail(r.error, at);
        uint64_t& cursor = action == Action::SourceCopy ? sourceAt : targetAt;
        const uint64_t move = d >> 1;
        if (d & 1) {
          if (move > cursor) return fail(Error::BadAction, at);
          cursor -= move;
        } else {
          if (move > kMaxImageSize) return fail(Error::BadAction, at);
          cursor += move;
        }
        if (action == Action::SourceCopy) {
          if (cursor + length > s.sourceSize) return fail(Error::BadAction, at);
          if (target) std::memcpy(target + out, source + cursor, length);
          same = cursor == out;
        } else {
          if (cursor >= out) return fail(Error::BadAction, at);  // only bytes already written
          if (target) {
            if (cursor + length <= out) {
              std::memcpy(target + out, target + cursor, length);
            } else {  // overlapping: byte by byte, so a cursor just behind the output repeats bytes
              for (uint64_t i = 0; i < length; ++i) target[out + i] = target[cursor + i];
            }
          }
        }
        cursor += length;
        break;
      }
    }
    if (!target) {
      ++s.actionCount[static_cast<int>(action)];
      if (!same) AddWrite(s.writes, out, out + length);
    }
    out += length;
  }
  if (out != s.targetSize) fail(Error::WrongLength, r.pos);
}

std::string Hex32(uint32_t v) {
  return Format("0x%08X", v);
}

}  // namespace

std::string_view Study::metadata(std::span<const uint8_t> patch) const {
  if (metadataAt + metadataSize > patch.size()) return {};
  return {reinterpret_cast<const char*>(patch.data() + metadataAt), metadataSize};
}

Study StudyPatch(std::span<const uint8_t> patch) {
  Study s;
  if (patch.size() < kMagicSize || std::memcmp(patch.data(), kMagic, kMagicSize) != 0) {
    s.error = Error::NotAPatch;
    return s;
  }
  auto fail = [&](Error e, uint64_t at) {
    s.error = e;
    s.errorAt = at;
    s.writes.clear();
    return s;
  };
  if (patch.size() < kMagicSize + kFooterSize) return fail(Error::CutShort, kMagicSize);
  Reader r{patch, kMagicSize, patch.size() - kFooterSize};
  uint64_t at = r.pos;
  s.sourceSize = r.number();
  if (r.error == Error::None) s.targetSize = r.number();
  if (r.error == Error::None) {
    at = r.pos;
    s.metadataSize = r.number();
  }
  if (r.error != Error::None) return fail(r.error, at);
  if (s.sourceSize > kMaxImageSize || s.targetSize > kMaxImageSize) return fail(Error::TooLarge, kMagicSize);
  if (s.metadataSize > r.end - r.pos) return fail(Error::CutShort, at);
  s.metadataAt = r.pos;
  s.actionsAt = r.pos + s.metadataSize;

  const uint64_t footer = patch.size() - kFooterSize;
  s.sourceCrc = Read32LE(patch, footer);
  s.targetCrc = Read32LE(patch, footer + 4);
  s.patchCrc = Read32LE(patch, footer + 8);
  RunActions(patch, s, nullptr, nullptr);
  if (!s.ok()) return fail(s.error, s.errorAt);
  s.computedPatchCrc = Crc32(patch.first(patch.size() - 4));
  if (s.computedPatchCrc != s.patchCrc) return fail(Error::PatchCrc, footer + 8);
  return s;
}

Error Apply(const Study& study, std::span<const uint8_t> patch, std::span<const uint8_t> source,
            std::vector<uint8_t>& target, Check* found) {
  target.clear();
  if (!study.ok()) return study.error;
  Check scratch;
  Check& f = found ? *found : scratch;
  f.size = source.size();
  f.crc = Crc32(source);
  if (source.size() != study.sourceSize) return Error::SourceSize;
  if (f.crc != study.sourceCrc) return Error::SourceCrc;
  try {
    target.resize(study.targetSize);
  } catch (const std::bad_alloc&) {
    return Error::NoMemory;
  }
  Study walk = study;  // the walk checks every bound again: it is safe with any study
  walk.writes.clear();
  RunActions(patch, walk, source.data(), target.data());
  if (!walk.ok()) {
    target.clear();
    return walk.error;
  }
  f.size = target.size();
  f.crc = Crc32(target);
  if (f.crc != study.targetCrc) {
    target.clear();
    return Error::TargetCrc;
  }
  return Error::None;
}

std::string ErrorText(Error error, std::string_view patchName, const Study& s, const Check& found) {
  const std::string name = patching::QuotedName(patchName);  // "x.bps" in quotes
  const std::string at = Format("0x%llX", static_cast<unsigned long long>(s.errorAt));
  const std::string damaged = "Error: " + name + " is damaged: ";
  constexpr char kNone[] = " No patching performed with it.";
  switch (error) {
    case Error::None: return {};
    case Error::NotAPatch: return "Error: " + name + " is not a BPS patch." + kNone;
    case Error::CutShort:
      return "Error: " + name + " is cut short: the part at patch offset " + at +
             " runs past the end of the file." + kNone;
    case Error::LongNumber: return damaged + "the number at patch offset " + at + " never ends." + kNone;
    case Error::TooLarge:
      return damaged +
             Format("it claims a source of %llu and a target of %llu bytes, more than any ROM.",
                    static_cast<unsigned long long>(s.sourceSize),
                    static_cast<unsigned long long>(s.targetSize)) +
             kNone;
    case Error::BadAction:
      return damaged + "the action at patch offset " + at +
             " reaches outside the source, the patch or the bytes already made." + kNone;
    case Error::WrongLength:
      return damaged +
             Format("its actions do not make exactly the %llu bytes it promises.",
                    static_cast<unsigned long long>(s.targetSize)) +
             kNone;
    case Error::PatchCrc:
      return damaged + "its CRC-32 is " + Hex32(s.patchCrc) + " but its bytes give " +
             Hex32(s.computedPatchCrc) + "." + kNone;
    case Error::SourceSize:
    case Error::SourceCrc:
      return "Error: " + name + " was made for another ROM: it expects " +
             Format("%llu bytes with CRC-32 ", static_cast<unsigned long long>(s.sourceSize)) +
             Hex32(s.sourceCrc) + ", this ROM has " +
             Format("%llu bytes with CRC-32 ", static_cast<unsigned long long>(found.size)) +
             Hex32(found.crc) + " (without its copier header)." + kNone;
    case Error::TargetCrc:
      return damaged + "the result has CRC-32 " + Hex32(found.crc) + " where the patch promises " +
             Hex32(s.targetCrc) + "." + kNone;
    case Error::NoMemory:
      return Format("Error: not enough memory for the %llu bytes ",
                    static_cast<unsigned long long>(s.targetSize)) +
             name + " makes." + kNone;
  }
  return {};
}

void PutNumber(std::vector<uint8_t>& out, uint64_t n) {
  for (;;) {
    const uint8_t x = n & 0x7F;
    n >>= 7;
    if (n == 0) {
      out.push_back(0x80 | x);
      return;
    }
    out.push_back(x);
    --n;
  }
}

size_t NumberSize(uint64_t n) {
  size_t size = 1;
  for (n >>= 7; n != 0; n = (n - 1) >> 7) ++size;
  return size;
}

}  // namespace ts2::bps
