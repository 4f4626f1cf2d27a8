// The string display driven without a user, for ts2tool: open a ROM image with a data file,
// select a block and a string exactly as the List Data window does, and read the translation
// from a folder of translation files without ever writing one.
//
// Selecting a block normally creates its translation file from a template when it is missing.
// A batch run must not write into the user's folders, so a session keeps a private scratch
// folder in which "Dumps" is an ordinary file, not a folder:
//  - Open ROM runs with the scratch folder as working directory, so its "Dumps" folder cannot
//    be made and the first block's translation file can be neither found nor created there;
//  - selecting a block points gDumpDir at the translations folder when the block's file exists
//    there, and at the scratch "Dumps" otherwise, where creating the file fails. A missing file
//    thus gives an empty Text Editor: no section is found and no translation is drawn.
// Everything else (the lists, the display, the status bar) runs the editor's own handlers.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ts2 {

class TmyForm;

class BatchSession {
 public:
  explicit BatchSession(TmyForm& form);
  ~BatchSession();
  BatchSession(const BatchSession&) = delete;
  BatchSession& operator=(const BatchSession&) = delete;

  // False when the scratch folder could not be made (nothing else works then).
  bool ready() const { return !scratch_.empty(); }

  // Open ROM with the data file, as the editor does when both are named on its command line.
  // False when no ROM image is loaded afterwards (the program said why in a message).
  bool Open(const std::string& rom, const std::string& dataFile);

  // Makes block `block` current with its translation read from `dumpsDir` (none: no
  // translation), then shows string `string`, as clicks in bList and pList do. Returns an error
  // text when the block or the string does not exist, std::nullopt on success.
  std::optional<std::string> Select(int block, int string, const std::optional<std::string>& dumpsDir);
  // The first half of Select: block `block` made current, its translation (if any) in the Text
  // Editor and string 0 shown when the block has strings.
  std::optional<std::string> SelectBlock(int block, const std::optional<std::string>& dumpsDir);

 private:
  std::string NoTranslationDir() const;
  TmyForm& form_;
  std::filesystem::path scratch_;
};

}  // namespace ts2
