// Dropped files: sorting them by kind, and running Open ROM, Load Text Block Data File and the
// PATCH command on them as the menu would, without the file dialogs.
#include "core/drop.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

char Lower(char c) {
  return AsciiLower(c);
}

bool Matches(std::string_view name, std::string_view pattern) {
  // Iterative wildcard match: remembers the last '*' to retry from.
  size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string NameList(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) list += "\n" + ExtractFileName(path);
  return list;
}

std::string PatternList(std::string_view filter) {
  std::string list;
  std::vector<std::string> seen;  // a filter may offer a pattern twice ("all patches", then each kind)
  for (const std::string& pattern : FilterPatterns(filter)) {
    if (std::find(seen.begin(), seen.end(), pattern) != seen.end()) continue;
    seen.push_back(pattern);
    list += (list.empty() ? "" : ", ") + pattern;
  }
  return list;
}

}  // namespace

std::vector<std::string> FilterPatterns(std::string_view filter) {
  std::vector<std::string> patterns;
  size_t field = 0, start = 0;
  for (size_t i = 0; i <= filter.size(); ++i) {
    if (i < filter.size() && filter[i] != '|') continue;
    if (field % 2 == 1) {
      std::string pattern;
      for (size_t j = start; j <= i; ++j) {
        const bool end = j == i || filter[j] == ';' || filter[j] == ' ' || filter[j] == '\t';
        if (!end) {
          pattern.push_back(filter[j]);
        } else if (!pattern.empty()) {
          patterns.push_back(pattern);
          pattern.clear();
        }
      }
    }
    ++field;
    start = i + 1;
  }
  return patterns;
}

bool MatchesFilter(std::string_view path, std::string_view filter) {
  const std::string name = ExtractFileName(std::string(path));
  for (const std::string& pattern : FilterPatterns(filter))
    if (Matches(name, pattern)) return true;
  return false;
}

DropPlan PlanDrop(const std::vector<std::string>& paths, std::string_view romFilter,
                  std::string_view dataFilter, std::string_view patchFilter,
                  const std::function<bool(const std::string&)>& isDataFile) {
  DropPlan plan;
  for (const std::string& path : paths) {
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(path, ec);
    if (!folder && MatchesFilter(path, romFilter)) {
      (plan.rom.empty() ? plan.rom : plan.unused.emplace_back()) = path;
    } else if (!folder && MatchesFilter(path, dataFilter)) {
      if (!isDataFile(path))
        plan.notData.push_back(path);
      else
        (plan.dataFile.empty() ? plan.dataFile : plan.unused.emplace_back()) = path;
    } else if (!folder && MatchesFilter(path, patchFilter)) {
      plan.patches.push_back(path);
    } else {
      plan.unknown.push_back(path);
    }
  }
  return plan;
}

// ---- the drop on the main window ----

bool ClassicCommandLine(const std::vector<std::string>& files, std::string_view romFilter,
                        std::string_view dataFilter, std::string_view patchFilter) {
  const auto patch = [&](const std::string& f) { return MatchesFilter(f, patchFilter); };
  return !files.empty() && files.size() <= 2 && !patch(files[0]) && !MatchesFilter(files[0], dataFilter) &&
         (files.size() == 1 || (!patch(files[1]) && !MatchesFilter(files[1], romFilter)));
}

void TmyForm::FilesDropped(const std::vector<std::string>& paths) {
  const DropPlan plan =
      PlanDrop(paths, RomFileFilter(), DataFileFilter(), PatchFileFilter(), HoldsDataFileDirective);
  // What cannot be used is said once, before anything is opened.
  std::string refused;
  if (!plan.unknown.empty()) {
    refused += "These files were not opened: the editor takes ROM files (" + PatternList(RomFileFilter()) +
               "), text block data files (" + PatternList(DataFileFilter()) + ") and patches (" +
               PatternList(PatchFileFilter()) + ")." + NameList(plan.unknown);
  }
  if (!plan.unused.empty()) {
    if (!refused.empty()) refused += "\n\n";
    refused += "One ROM and one data file are opened at a time; these were left out:" + NameList(plan.unused);
  }
  if (!plan.notData.empty()) {
    if (!refused.empty()) refused += "\n\n";
    refused +=
        "These files are not text block data files (a translation file, for example), so they were "
        "not loaded:" +
        NameList(plan.notData);
  }
  if (!refused.empty()) ui.message(refused);

  if (!plan.rom.empty()) {
    if (!ConfirmReplaceRom()) return;  // Cancel: nothing of the drop is opened
    const bool opened = OpenRomNamed(plan.rom, plan.dataFile);
    if (closed) return;
    // The patches came with that ROM: they never go into the image loaded before it.
    if (!opened && !plan.patches.empty()) {
      ui.message("\"" + ExtractFileName(plan.rom) +
                 "\" was not opened, so these patches were not applied:" + NameList(plan.patches));
      return;
    }
  } else if (!plan.dataFile.empty()) {
    LoadDataFile(plan.dataFile);
    if (closed) return;
  }
  if (plan.patches.empty()) return;
  if (!gROM || !gWRAM) {
    ui.message("Open a ROM before applying patches; these were not applied:" + NameList(plan.patches));
    return;
  }
  PatchRom(plan.patches);
}

bool TmyForm::OpenRomNamed(const std::string& path, const std::string& dataFile) {
  // As with the open dialog, the ROM's folder becomes the working directory, so that its Dumps
  // folder lies beside it.
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
  if (!ec && !folder.empty()) std::filesystem::current_path(folder, ec);
  return OpenRomChosen(path, kNoSender, dataFile);
}

}  // namespace ts2
