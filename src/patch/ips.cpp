#include "patch/ips.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/bytes.h"

namespace ts2::ips {

namespace {

struct ErrorEntry {
  Error error;
  const char* text;  // "{name}" and "{at}" are filled in by ErrorText
};

// clang-format off
constexpr ErrorEntry kErrorTexts[] = {
  {Error::None,       ""},
  {Error::CannotOpen, "File not found or is invalid. No patching performed."},
  {Error::NotAPatch,  "Not a valid \"PATCH\" file!"},
  {Error::CutShort,   "Error: \"{name}\" is cut short: the record at patch offset {at} runs past the end of "
                      "the file. No patching performed with it."},
  {Error::NoMemory,   "Fatal Error: Could Not Allocate Memory for PATCHED File.\nPogram will be shutdown."},
};
// clang-format on

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

std::string ErrorText(Error error, std::string_view patchName, uint32_t at) {
  for (const ErrorEntry& e : kErrorTexts) {
    if (e.error != error) continue;
    std::string text = e.text;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", at);
    ReplaceAll(text, "{name}", patchName);
    ReplaceAll(text, "{at}", hex);
    return text;
  }
  return {};
}

Study StudyPatch(std::span<const uint8_t> patch) {
  Study study;
  if (patch.size() < kMagicSize || std::memcmp(patch.data(), kMagic, kMagicSize) != 0) {
    study.error = Error::NotAPatch;
    return study;
  }
  auto cutShort = [&](uint64_t recordAt) {
    study.error = Error::CutShort;
    study.errorAt = static_cast<uint32_t>(recordAt);
    study.records.clear();
    study.writtenEnd = 0;
    return study;
  };

  // Room for as many records as the patch can hold (six bytes at least each): the list is never
  // copied while it grows, and the room it does not use is never touched.
  study.records.reserve((patch.size() - kMagicSize) / 6);
  uint64_t pos = kMagicSize;
  while (pos < patch.size()) {
    const uint64_t at = pos;
    const std::optional<uint32_t> offset = Read24BE(patch, pos);
    if (!offset) return cutShort(at);
    if (*offset == kEofMarker) {
      study.sawEof = true;
      study.eofAt = at;
      break;
    }
    const std::optional<uint16_t> size = Read16BE(patch, pos + 3);
    if (!size) return cutShort(at);
    Record r;
    r.at = static_cast<uint32_t>(at);
    r.offset = *offset;
    r.size = *size;
    if (r.isRun()) {
      const std::optional<uint16_t> runLength = Read16BE(patch, pos + 5);
      const std::optional<uint8_t> runByte = Read8(patch, pos + 7);
      if (!runLength || !runByte) return cutShort(at);
      r.runLength = *runLength;
      r.runByte = *runByte;
      pos += 8;
    } else {
      if (pos + 5 + r.size > patch.size()) return cutShort(at);
      r.dataAt = static_cast<uint32_t>(pos + 5);
      pos += 5 + r.size;
    }
    if (r.length() > 0)
      study.writtenEnd = std::max<uint64_t>(study.writtenEnd, uint64_t{r.offset} + r.length());
    study.records.push_back(r);
  }
  return study;
}

bool ApplyStudy(const Study& study, std::span<const uint8_t> patch, std::span<uint8_t> image) {
  if (!study.ok()) return false;
  bool all = true;
  for (const Record& r : study.records) {
    if (r.length() == 0) continue;  // an empty run writes nothing, wherever it points
    const uint64_t end = uint64_t{r.offset} + r.length();
    if (end > image.size()) {
      all = false;
      continue;
    }
    if (r.isRun()) {
      std::memset(image.data() + r.offset, r.runByte, r.runLength);
    } else {
      if (uint64_t{r.dataAt} + r.size > patch.size()) {
        all = false;
        continue;
      }
      std::memcpy(image.data() + r.offset, patch.data() + r.dataAt, r.size);
    }
  }
  return all;
}

std::optional<uint32_t> TruncationSize(const Study& study, std::span<const uint8_t> patch) {
  // Exactly three bytes after the marker: anything else is not the extension.
  if (!study.ok() || !study.sawEof || patch.size() != study.eofAt + 3 + kTruncationSize) return std::nullopt;
  return Read24BE(patch, study.eofAt + 3);
}

Error ApplyPatch(std::span<const uint8_t> patch, std::vector<uint8_t>& image, uint32_t* errorAt) {
  const Study study = StudyPatch(patch);
  if (errorAt) *errorAt = study.errorAt;
  if (!study.ok()) return study.error;
  image.resize(study.ResultSize(image.size()), 0);
  ApplyStudy(study, patch, image);
  return Error::None;
}

}  // namespace ts2::ips
