// The IPS writer: the cheapest cover of the bytes that differ, by dynamic programming.
//
// Every byte is in one of three states: outside any record, inside a data record (costs one byte,
// five more where a record starts) or inside a run record (free while the value repeats, eight
// bytes where a run starts). The cheapest sequence of states that puts every byte to write inside a
// record is the patch; records longer than the format allows are split afterwards. A record that
// covers an unchanged byte writes the byte it already holds, so short gaps join records when that
// is cheaper than a new record header.
#include <algorithm>

#include "patch/ips.h"

namespace ts2::ips {

namespace {

enum State : uint8_t { Outside = 0, Data = 1, Run = 2 };
constexpr int64_t kInfinite = int64_t{1} << 60;
constexpr int64_t kRecordHeader = 5;  // offset and size
constexpr int64_t kRunRecord = 8;     // offset, size 0, length, byte

// How each state at a byte was reached. Outside: the previous byte's state. Data: Outside or Run
// (a record starts here) or Data (it goes on). Run: Outside or Data (starts), Run (goes on), or
// kRunAfterRun (a new run starts right after another).
constexpr uint8_t kRunAfterRun = 3;

struct Segment {
  uint64_t begin, end;
  bool run;
};

void Put(std::vector<uint8_t>& out, uint64_t v, int bytes) {
  while (bytes--) out.push_back(static_cast<uint8_t>(v >> (8 * bytes)));
}

}  // namespace

std::optional<std::vector<uint8_t>> CreatePatch(std::span<const uint8_t> original,
                                                std::span<const uint8_t> modified, uint64_t* unreachable) {
  const uint64_t n = original.size(), m = modified.size();
  const uint8_t* o = original.data();
  const uint8_t* t = modified.data();
  auto fail = [&](uint64_t at) -> std::optional<std::vector<uint8_t>> {
    if (unreachable) *unreachable = at;
    return std::nullopt;
  };

  // Forward pass: cheapest cost of each state at each byte, and how it was reached (2 bits a state).
  std::vector<uint8_t> how(m);
  int64_t cost[3] = {0, kInfinite, kInfinite};
  for (uint64_t i = 0; i < m; ++i) {
    // Past the old end the gap reads as zero, as long as a record reaches the new last byte.
    const bool write = i < n ? o[i] != t[i] : (t[i] != 0 || i + 1 == m);
    const bool canStart = i != kEofMarker && i <= kMaxOffset;
    const int cheapest = cost[Outside] <= cost[Data] ? (cost[Outside] <= cost[Run] ? Outside : Run)
                                                     : (cost[Data] <= cost[Run] ? Data : Run);
    int64_t next[3];
    uint8_t from[3];
    next[Outside] = write ? kInfinite : cost[cheapest];
    from[Outside] = static_cast<uint8_t>(cheapest);

    next[Data] = cost[Data] + 1;
    from[Data] = Data;
    if (canStart) {
      const int before = cost[Outside] <= cost[Run] ? Outside : Run;
      if (cost[before] + kRecordHeader + 1 < next[Data]) {
        next[Data] = cost[before] + kRecordHeader + 1;
        from[Data] = static_cast<uint8_t>(before);
      }
    }

    next[Run] = i > 0 && t[i] == t[i - 1] ? cost[Run] : kInfinite;
    from[Run] = Run;
    if (canStart && cost[cheapest] + kRunRecord < next[Run]) {
      next[Run] = cost[cheapest] + kRunRecord;
      from[Run] = cheapest == Run ? kRunAfterRun : static_cast<uint8_t>(cheapest);
    }
    for (int s = 0; s < 3; ++s) cost[s] = std::min(next[s], kInfinite);
    if (cost[Outside] >= kInfinite && cost[Data] >= kInfinite && cost[Run] >= kInfinite) return fail(i);
    how[i] = static_cast<uint8_t>(from[Outside] | from[Data] << 2 | from[Run] << 4);
  }

  // Backward pass: the records of the cheapest path.
  std::vector<Segment> segments;
  if (m > 0) {
    int state = cost[Outside] <= cost[Data] ? (cost[Outside] <= cost[Run] ? Outside : Run)
                                            : (cost[Data] <= cost[Run] ? Data : Run);
    uint64_t end = m;
    for (uint64_t i = m; i-- > 0;) {
      const int code = (how[i] >> (2 * state)) & 3;
      const int prev = code == kRunAfterRun ? Run : code;
      const bool starts = state != Outside && code != state;
      if (starts) segments.push_back({i, end, state == Run});
      if ((starts || state == Outside) && prev != Outside) end = i;
      state = prev;
    }
    std::reverse(segments.begin(), segments.end());
  }

  std::vector<uint8_t> out(kMagic, kMagic + kMagicSize);
  for (const Segment& seg : segments) {
    // Split from the end, so that only the first piece starts where the record did.
    std::vector<std::pair<uint64_t, uint64_t>> pieces;
    for (uint64_t end = seg.end; end > seg.begin;) {
      uint64_t begin = end - seg.begin > kMaxRecordSize ? end - kMaxRecordSize : seg.begin;
      if (begin == kEofMarker) ++begin;  // never a record at the marker: take one byte less
      pieces.emplace_back(begin, end);
      end = begin;
    }
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
      const auto [begin, end] = *it;
      if (begin > kMaxOffset) return fail(begin);
      Put(out, begin, 3);
      if (seg.run) {
        Put(out, 0, 2);
        Put(out, end - begin, 2);
        out.push_back(t[begin]);
      } else {
        Put(out, end - begin, 2);
        out.insert(out.end(), t + begin, t + end);
      }
    }
  }
  Put(out, kEofMarker, 3);
  if (m < n) {
    if (m > kMaxOffset) return fail(m);
    Put(out, m, 3);
  }
  return out;
}

}  // namespace ts2::ips
