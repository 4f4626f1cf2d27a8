// IPS patch fixtures: records, runs and the end marker, written as the format lays them out.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace ts2::test {

class IpsBuilder {
 public:
  IpsBuilder() : bytes_{'P', 'A', 'T', 'C', 'H'} {}
  IpsBuilder& record(uint32_t offset, std::span<const uint8_t> data) {
    put24(offset);
    put16(static_cast<uint16_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  IpsBuilder& record(uint32_t offset, std::initializer_list<uint8_t> data) {
    return record(offset, std::span<const uint8_t>(data.begin(), data.size()));
  }
  IpsBuilder& run(uint32_t offset, uint16_t length, uint8_t value) {
    put24(offset);
    put16(0);
    put16(length);
    bytes_.push_back(value);
    return *this;
  }
  IpsBuilder& eof() {
    bytes_.insert(bytes_.end(), {'E', 'O', 'F'});
    return *this;
  }
  IpsBuilder& raw(std::initializer_list<uint8_t> data) {
    bytes_.insert(bytes_.end(), data);
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void put24(uint32_t v) { bytes_.insert(bytes_.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }
  void put16(uint16_t v) { bytes_.insert(bytes_.end(), {uint8_t(v >> 8), uint8_t(v)}); }
  std::vector<uint8_t> bytes_;
};

}  // namespace ts2::test
