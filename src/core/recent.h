// File > Recent Files: the last ROM and data-file pairs opened together, newest first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/toolkit.h"

namespace ts2 {

struct RecentPair {
  std::string rom;
  std::string dataFile;
  bool operator==(const RecentPair&) const = default;
};

inline constexpr size_t kRecentMax = 8;

class RecentList {
 public:
  const std::vector<RecentPair>& entries() const { return entries_; }
  // Puts the pair first; the same pair listed before moves up rather than showing twice, and
  // the oldest beyond kRecentMax falls off. Paths are compared as written, "." and ".." resolved.
  void add(const RecentPair& pair);
  void remove(size_t index);
  void remove(const RecentPair& pair);

  // Kept as "recent/N/rom" and "recent/N/data", N from 1; entries that are incomplete are skipped.
  static RecentList Load(const Settings& settings);
  void save(Settings& settings) const;

 private:
  std::vector<RecentPair> entries_;
};

// The menu caption of the entry at `index`: "&1 demo.sfc + demo.txt  (/home/me/ts2)", the
// data file's whole path when it lies in another folder than the ROM; "&" in names doubled.
std::string RecentCaption(size_t index, const RecentPair& pair);

}  // namespace ts2
