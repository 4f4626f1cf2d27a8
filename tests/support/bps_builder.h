// BPS patch fixtures: header, actions and footer written as the format lays them out, with the
// CRC-32s computed (or given wrong on purpose).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "patch/bps.h"
#include "patch/crc32.h"

namespace ts2::test {

class BpsBuilder {
 public:
  using Bytes = std::vector<uint8_t>;
  BpsBuilder(Bytes source, uint64_t targetSize, std::string_view metadata = {})
      : source_(std::move(source)), targetSize_(targetSize), metadata_(metadata) {}

  BpsBuilder& sourceRead(uint64_t length) { return action(0, length); }
  BpsBuilder& targetRead(const Bytes& bytes) {
    action(1, bytes.size());
    actions_.insert(actions_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // `move` is the signed change of the cursor.
  BpsBuilder& sourceCopy(uint64_t length, int64_t move) { return copy(2, length, move); }
  BpsBuilder& targetCopy(uint64_t length, int64_t move) { return copy(3, length, move); }
  BpsBuilder& raw(const Bytes& bytes) {
    actions_.insert(actions_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // The target CRC-32 is the one of `target`; a wrong one can be given with targetCrc.
  BpsBuilder& target(const Bytes& target) {
    targetCrc_ = Crc32(target);
    return *this;
  }
  BpsBuilder& targetCrc(uint32_t crc) {
    targetCrc_ = crc;
    return *this;
  }

  Bytes bytes() const {
    Bytes out{'B', 'P', 'S', '1'};
    bps::PutNumber(out, source_.size());
    bps::PutNumber(out, targetSize_);
    bps::PutNumber(out, metadata_.size());
    out.insert(out.end(), metadata_.begin(), metadata_.end());
    out.insert(out.end(), actions_.begin(), actions_.end());
    put32(out, Crc32(source_));
    put32(out, targetCrc_.value_or(0));
    put32(out, Crc32(out));
    return out;
  }

 private:
  BpsBuilder& action(uint64_t kind, uint64_t length) {
    bps::PutNumber(actions_, (length - 1) << 2 | kind);
    return *this;
  }
  BpsBuilder& copy(uint64_t kind, uint64_t length, int64_t move) {
    action(kind, length);
    bps::PutNumber(actions_, move < 0 ? uint64_t(-move) << 1 | 1 : uint64_t(move) << 1);
    return *this;
  }
  static void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

  Bytes source_;
  uint64_t targetSize_;
  std::string_view metadata_;
  Bytes actions_;
  std::optional<uint32_t> targetCrc_;
};

}  // namespace ts2::test
