// Files dropped on the main window: which is a ROM, a text block data file or a patch, told by
// the file patterns of the dialogs that open each kind.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ts2 {

// The patterns of a dialog filter: "SNES ROM | *.s*c; *.fig;" gives "*.s*c" and "*.fig"
// (description and patterns alternate, separated by '|'; patterns by ';' or blanks).
std::vector<std::string> FilterPatterns(std::string_view filter);
// Whether a file's name (its folder left out) matches one of the filter's patterns: '*' stands
// for any run of characters, '?' for one; letters match either case.
bool MatchesFilter(std::string_view path, std::string_view filter);

struct DropPlan {
  std::string rom;                   // the ROM to open, if any
  std::string dataFile;              // the data file to load (with the ROM, or alone)
  std::vector<std::string> patches;  // in the order dropped
  std::vector<std::string> unknown;  // none of the three kinds
  std::vector<std::string> unused;   // a second ROM or data file: one of each is opened
  std::vector<std::string> notData;  // named as data files are, but not one (a translation file)
};

// Sorts the dropped files by kind; the first ROM and the first data file are the ones used. A
// file named as data files are is one only when `isDataFile` says so.
DropPlan PlanDrop(const std::vector<std::string>& paths, std::string_view romFilter,
                  std::string_view dataFilter, std::string_view patchFilter,
                  const std::function<bool(const std::string&)>& isDataFile);

// Whether the files named on the editor's command line are its classic call, a ROM and at most
// its data file (opened as Open ROM opens them, whatever their names), rather than files to take
// as if dropped: a patch, a data file first, a second ROM, more than two files (a file manager
// opening a ROM and its patches, or two ROMs, together).
bool ClassicCommandLine(const std::vector<std::string>& files, std::string_view romFilter,
                        std::string_view dataFilter, std::string_view patchFilter);

}  // namespace ts2
