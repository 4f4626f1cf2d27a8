#include "core/recent.h"

#include "core/fileutil.h"

#include <algorithm>
#include <filesystem>

namespace ts2 {

namespace {

std::string Key(size_t number, const char* field) {
  return "recent/" + std::to_string(number) + "/" + field;
}

// A name as a menu shows it: "&" would mark a mnemonic.
std::string MenuText(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out.push_back('&');
    out.push_back(c);
  }
  return out;
}

}  // namespace

void RecentList::add(const RecentPair& pair) {
  const RecentPair normal{CleanFileName(pair.rom), CleanFileName(pair.dataFile)};
  std::erase(entries_, normal);
  entries_.insert(entries_.begin(), normal);
  if (entries_.size() > kRecentMax) entries_.resize(kRecentMax);
}

void RecentList::remove(size_t index) {
  if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

void RecentList::remove(const RecentPair& pair) {
  std::erase(entries_, RecentPair{CleanFileName(pair.rom), CleanFileName(pair.dataFile)});
}

RecentList RecentList::Load(const Settings& settings) {
  RecentList list;
  for (size_t n = 1; n <= kRecentMax; ++n) {
    const auto rom = settings.value(Key(n, "rom"));
    const auto data = settings.value(Key(n, "data"));
    if (!rom || !data || rom->empty() || data->empty()) continue;
    const RecentPair pair{CleanFileName(*rom), CleanFileName(*data)};
    if (std::find(list.entries_.begin(), list.entries_.end(), pair) == list.entries_.end())
      list.entries_.push_back(pair);
  }
  return list;
}

void RecentList::save(Settings& settings) const {
  for (size_t n = 1; n <= kRecentMax; ++n) {
    if (n <= entries_.size()) {
      settings.setValue(Key(n, "rom"), entries_[n - 1].rom);
      settings.setValue(Key(n, "data"), entries_[n - 1].dataFile);
    } else {
      settings.remove(Key(n, "rom"));
      settings.remove(Key(n, "data"));
    }
  }
}

std::string RecentCaption(size_t index, const RecentPair& pair) {
  namespace fs = std::filesystem;
  const fs::path rom(pair.rom), data(pair.dataFile);
  const bool sameFolder = rom.parent_path() == data.parent_path();
  std::string caption = "&" + std::to_string(index + 1) + " " + MenuText(rom.filename().string()) + " + " +
                        MenuText(sameFolder ? data.filename().string() : data.string());
  if (!rom.parent_path().empty()) caption += "  (" + MenuText(rom.parent_path().string()) + ")";
  return caption;
}

}  // namespace ts2
