#include "patch/ips.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/bytes.h"
#include "patch/patch_name.h"

namespace ts2::ips {

namespace {

struct ErrorEntry {
  Error error;
  const char* text;  // "{name}" (the patch as QuotedName names it) and "{at}" are filled in by ErrorText
};

// clang-format off
constexpr ErrorEntry kErrorTexts[] = {
  {Error::None,       ""},
  {Error::CannotOpen, "File not found or is invalid. No patching performed."},
  {Error::NotAPatch,  "Not a valid \"PATCH\" file!"},
  {Error::CutShort,   "Error: {name} is cut short: the record at patch offset {at} runs past the end of "
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
    ReplaceAll(text, "{name}", patching::QuotedName(patchName));
    ReplaceAll(text, "{at}", hex);
    return text;
  }
  return {};
}

Study StudyPatch(std::span<const uint8_t> patch) {
  // Room for as many records as the patch can hold (six bytes at least each): the list is never
  // copied while it grows, and the room it does not use is never touched.
  std::vector<Record> records;
  if (patch.size() > kMagicSize) records.reserve((patch.size() - kMagicSize) / 6);
  Study study = WalkPatch(patch, [&](const Record& r) { records.push_back(r); });
  if (study.ok()) study.records = std::move(records);
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
