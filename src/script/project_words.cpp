#include "script/project_words.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/fileutil.h"

namespace ts2 {

std::string ProjectWordsPath(const std::string& dumpDir) {
  return dumpDir + kPathSep + kProjectWordsFile;
}

std::vector<std::string> ParseWordList(std::string_view bytes) {
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  std::vector<std::string> words;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    // A byte-order mark opens the file, or a line where lists were joined: it is no part of a word.
    std::string word = Trim(bytes.substr(start, end - start));
    while (word.starts_with(kByteOrderMark))
      word = Trim(std::string_view(word).substr(kByteOrderMark.size()));
    if (!word.empty()) words.push_back(std::move(word));
    start = end + 1;
  }
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  return words;
}

std::string FormatWordList(std::vector<std::string> words) {
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  std::string bytes;
  for (const std::string& w : words) bytes += w + '\n';
  return bytes;
}

bool ProjectDictionary::reread() {
  std::vector<std::string> words;
  FileIdentity seen;
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path_, &seen);
  readError_.clear();
  if (bytes) {
    words = ParseWordList(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    stamp_ = StampOf(seen, *bytes);
  } else {
    const int e = errno;
    if (e != ENOENT && e != ENOTDIR) readError_ = e != 0 ? std::strerror(e) : "read error";
    stamp_ = {};
  }
  const bool changed = words != words_;
  words_ = std::move(words);
  return changed;
}

bool ProjectDictionary::refresh() {
  if (stamp_.known && CheckOnDisk(path_, stamp_) == DiskState::Unchanged) return false;
  return reread();
}

bool ProjectDictionary::add(std::string_view word, std::string* error) {
  const std::string trimmed = Trim(word);
  if (trimmed.empty() || trimmed.find_first_of("\r\n") != std::string::npos) {
    if (error) *error = "not a word: \"" + std::string(word) + "\"";
    return false;
  }
  refresh();
  if (!readError_.empty()) {
    if (error)
      *error = "it cannot be read (" + readError_ + "), so writing it would replace the words it holds";
    return false;
  }
  if (std::binary_search(words_.begin(), words_.end(), trimmed)) return true;
  std::vector<std::string> words = words_;
  words.insert(std::upper_bound(words.begin(), words.end(), trimmed), trimmed);
  const std::string bytes = FormatWordList(words);
  FileIdentity written;
  if (!WriteFileAtomic(path_, bytes.data(), bytes.size(), error, &written)) return false;
  words_ = std::move(words);
  stamp_ = StampOf(written, bytes);
  return true;
}

}  // namespace ts2
