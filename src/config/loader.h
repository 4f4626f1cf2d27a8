// The data file's reading pass, shared by the directive reader (datafile.cpp) and the two table
// sections (tables.cpp). One object reads one file from its first line to its end.
#pragma once

#include <optional>
#include <string>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

class DataFileReader {
 public:
  DataFileReader(TmyForm& form, TextLineReader& lines) : form_(form), lines_(lines) {}

  enum class Outcome {
    EndOfFile,    // every line was read
    OutOfMemory,  // a table text could not be stored; reading stopped
  };
  Outcome Run();

  // .BLOCK lines past the block table's last entry, which were not listed.
  int ignoredBlockLines() const { return ignoredBlocks_; }

 private:
  // The next read of the file, cut at a zero byte as the C string it was read into.
  std::optional<std::string> NextLine();

  // ---- directives (datafile.cpp) ----
  void TextBox(const std::string& line);
  void Font(const std::string& line);
  void TransText(const std::string& line);
  void ViewOption(const std::string& line, MenuId item, const char* keyword);
  void ToolWindow(const std::string& line, FormId window);
  void CellFormat(const std::string& line);
  void Block(const std::string& line);

  // ---- the table sections (tables.cpp) ----
  enum class SectionEnd { EndLine, EndOfFile, OutOfMemory };
  SectionEnd CharTableSection();
  // `endLine` receives the line that ended the section.
  SectionEnd ColourSection(std::string& endLine);
  bool NullRange(const std::string& line);          // false: out of memory
  bool CodeEntry(std::string line, size_t equals);  // false: out of memory
  void NullColour(std::string line);
  void CodeColour(std::string line, size_t equals);
  bool StoreText(CharEntry& entry, std::string_view bytes);  // false: out of memory

  TmyForm& form_;
  TextLineReader& lines_;
  int blocks_ = 0;
  int ignoredBlocks_ = 0;
};

}  // namespace ts2
