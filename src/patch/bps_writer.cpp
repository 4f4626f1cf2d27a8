// The BPS writer: a greedy match finder over the source and the target already written.
//
// At every target offset it weighs reading the source at the same offset (the cheapest action:
// one number), copying from anywhere in the source or from the target already written (found
// through chains of 4-byte hashes, both cursors coded relative to where they were) and carrying the
// byte as new. A match is taken when it makes the patch smaller than carrying its bytes would.
#include <algorithm>
#include <cstring>

#include "patch/bps.h"
#include "patch/crc32.h"

namespace ts2::bps {

namespace {

constexpr int kMaxHashBits = 22;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint64_t kNoLiteral = ~uint64_t{0};
constexpr int kSourceDepth = 8;        // chain links followed per lookup: bounds the time on repetitive data
constexpr uint32_t kSourceStride = 4;  // every 4th source offset is indexed: a quarter of the work
constexpr int kTargetDepth = 32;
constexpr uint64_t kLongEnough = 64;  // a match this long is taken without looking further
constexpr uint64_t kIndexCopiesUpTo = 64;
constexpr uint64_t kSameOffsetRun = 16;  // bytes equal at the same offset that end a copy  // target offsets
                                         // of copies up to this length join the index

uint32_t Hash4(const uint8_t* p, int bits) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - bits);
}

// About one chain head per offset, up to 4 Mi heads.
int HashBits(size_t size) {
  int bits = 10;
  while (bits < kMaxHashBits && (size_t{1} << bits) < size) ++bits;
  return bits;
}

uint64_t MatchLength(const uint8_t* a, const uint8_t* b, uint64_t limit) {
  uint64_t n = 0;
  while (n + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);  // little-endian: the first differing byte
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// Offsets of 4-byte sequences that are multiples of `stride`, newest first, one chain per hash.
class Chains {
 public:
  Chains(size_t size, uint32_t stride)
      : stride_(stride),
        bits_(HashBits(size / stride)),
        head_(size_t{1} << bits_, kNone),
        prev_(size / stride + 1, kNone) {}
  void insert(const uint8_t* data, uint32_t at) {
    uint32_t& h = head_[Hash4(data + at, bits_)];
    prev_[at / stride_] = h;
    h = at;
  }
  // Every `stride`-th offset of `data` whose four bytes fit. The chain heads are spread over a
  // table far larger than the caches: each is fetched some offsets ahead so that the misses overlap.
  void insertAll(const uint8_t* data, size_t size) {
    const size_t ahead = 16 * stride_;
    for (size_t i = 0; i + 4 <= size; i += stride_) {
      if (i + ahead + 4 <= size) __builtin_prefetch(&head_[Hash4(data + i + ahead, bits_)], 1);
      insert(data, static_cast<uint32_t>(i));
    }
  }
  uint32_t first(const uint8_t* p) const { return head_[Hash4(p, bits_)]; }
  uint32_t next(uint32_t at) const { return prev_[at / stride_]; }

 private:
  uint32_t stride_;
  int bits_;
  std::vector<uint32_t> head_, prev_;
};

uint64_t RelativeCode(uint64_t cursor, uint64_t to) {
  return to >= cursor ? (to - cursor) << 1 : ((cursor - to) << 1) | 1;
}

struct Choice {
  Action action = Action::TargetRead;
  uint64_t length = 0;
  uint64_t from = 0;  // source or target offset of a copy
  int64_t gain = 0;   // bytes saved against carrying the bytes as new
};

class Writer {
 public:
  Writer(std::span<const uint8_t> source, std::span<const uint8_t> target)
      : s_(source), t_(target), sourceIndex_(source.size(), kSourceStride), targetIndex_(target.size(), 1) {
    sourceIndex_.insertAll(s_.data(), s_.size());
  }

  void run(std::vector<uint8_t>& out) {
    out_ = &out;
    const uint64_t m = t_.size();
    uint64_t o = 0;
    while (o < m) {
      Choice c = cutAtSameOffset(choose(o), o);
      if (c.gain <= 0) {
        if (literal_ == kNoLiteral) literal_ = o;
        index(o);
        ++o;
        continue;
      }
      o = extendBack(c, o);
      flushLiteral(o);
      emit(c, o);
      if (c.action != Action::SourceRead && c.length <= kIndexCopiesUpTo)
        for (uint64_t i = 0; i < c.length; ++i) index(o + i);
      o += c.length;
    }
    flushLiteral(m);
  }

 private:
  void index(uint64_t at) {
    if (at + 4 <= t_.size()) targetIndex_.insert(t_.data(), static_cast<uint32_t>(at));
  }

  Choice choose(uint64_t o) const {
    const uint64_t m = t_.size(), n = s_.size();
    // A match that ends a run of new bytes makes the next run pay its own header.
    const int64_t restart = literal_ != kNoLiteral ? 1 : 0;
    Choice best;
    auto consider = [&](Action a, uint64_t length, uint64_t from, uint64_t cost) {
      const int64_t gain = static_cast<int64_t>(length) - static_cast<int64_t>(cost) - restart;
      if (gain > best.gain) best = {a, length, from, gain};
    };
    if (o < n) {
      const uint64_t len = MatchLength(s_.data() + o, t_.data() + o, std::min(n, m) - o);
      if (len > 0) consider(Action::SourceRead, len, o, NumberSize((len - 1) << 2));
      if (len >= kLongEnough) return best;
    }
    if (o + 4 > m) return best;
    const uint8_t* here = t_.data() + o;
    // Only every kSourceStride-th source offset is indexed: a match that starts elsewhere is found
    // a few bytes later, where its indexed offset lines up, and grows back over the new bytes
    // before it (extendBack).
    int depth = 0;
    for (uint32_t p = sourceIndex_.first(here); p != kNone && depth < kSourceDepth;
         p = sourceIndex_.next(p), ++depth) {
      const uint64_t len = MatchLength(s_.data() + p, here, std::min(n - p, m - o));
      if (len < 4 || static_cast<int64_t>(len) <= best.gain) continue;
      consider(Action::SourceCopy, len, p,
               NumberSize((len - 1) << 2 | 2) + NumberSize(RelativeCode(sourceAt_, p)));
      if (len >= kLongEnough) return best;
    }
    depth = 0;
    for (uint32_t q = targetIndex_.first(here); q != kNone && depth < kTargetDepth;
         q = targetIndex_.next(q), ++depth) {
      if (q >= o) continue;
      const uint64_t len = MatchLength(t_.data() + q, here, m - o);  // may overlap: copied byte by byte
      if (len < 4 || static_cast<int64_t>(len) <= best.gain) continue;
      consider(Action::TargetCopy, len, q,
               NumberSize((len - 1) << 2 | 3) + NumberSize(RelativeCode(targetAt_, q)));
      if (len >= kLongEnough) return best;
    }
    return best;
  }

  // A copy grows back over the new bytes pending before it while they match; returns where it
  // now starts.
  uint64_t extendBack(Choice& c, uint64_t o) const {
    if (literal_ == kNoLiteral || c.action == Action::SourceRead) return o;
    const uint8_t* from = c.action == Action::SourceCopy ? s_.data() : t_.data();
    while (o > literal_ && c.from > 0 && from[c.from - 1] == t_[o - 1]) {
      --o;
      --c.from;
      ++c.length;
    }
    return o;
  }

  // A copy from elsewhere ends where the source at the same offset starts to match for a while:
  // reading it there is cheaper from then on, and it keeps the unchanged bytes unchanged.
  Choice cutAtSameOffset(Choice c, uint64_t o) const {
    if (c.action == Action::SourceRead) return c;
    const uint64_t n = s_.size();
    for (uint64_t k = o + 1; k < o + c.length && k < n; ++k) {
      if (s_[k] != t_[k]) continue;
      const uint64_t want = std::min<uint64_t>(kSameOffsetRun, t_.size() - k);
      if (MatchLength(s_.data() + k, t_.data() + k, std::min(want, n - k)) == want) {
        c.gain -= static_cast<int64_t>(o + c.length - k);  // the cost hardly changes with the length
        c.length = k - o;
        break;
      }
    }
    return c;
  }

  void flushLiteral(uint64_t end) {
    if (literal_ == kNoLiteral) return;
    if (end > literal_) {  // a copy that grew back may have taken every pending byte
      PutNumber(*out_, (end - literal_ - 1) << 2 | static_cast<uint64_t>(Action::TargetRead));
      out_->insert(out_->end(), t_.begin() + literal_, t_.begin() + end);
    }
    literal_ = kNoLiteral;
  }

  void emit(const Choice& c, uint64_t) {
    PutNumber(*out_, (c.length - 1) << 2 | static_cast<uint64_t>(c.action));
    if (c.action == Action::SourceCopy) {
      PutNumber(*out_, RelativeCode(sourceAt_, c.from));
      sourceAt_ = c.from + c.length;
    } else if (c.action == Action::TargetCopy) {
      PutNumber(*out_, RelativeCode(targetAt_, c.from));
      targetAt_ = c.from + c.length;
    }
  }

  std::span<const uint8_t> s_, t_;
  Chains sourceIndex_, targetIndex_;
  std::vector<uint8_t>* out_ = nullptr;
  uint64_t sourceAt_ = 0, targetAt_ = 0;
  uint64_t literal_ = kNoLiteral;  // where the pending run of new bytes starts
};

void Put32LE(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> CreatePatch(std::span<const uint8_t> source, std::span<const uint8_t> target,
                                 std::string_view metadata) {
  std::vector<uint8_t> out(kMagic, kMagic + kMagicSize);
  PutNumber(out, source.size());
  PutNumber(out, target.size());
  PutNumber(out, metadata.size());
  out.insert(out.end(), metadata.begin(), metadata.end());
  Writer(source, target).run(out);
  Put32LE(out, Crc32(source));
  Put32LE(out, Crc32(target));
  Put32LE(out, Crc32(out));
  return out;
}

}  // namespace ts2::bps
