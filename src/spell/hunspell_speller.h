// Hunspell dictionaries as the spelling check's dictionaries (display/spelling.h): the ones
// installed on this system, found by their language's name, and opened so that each word is
// turned into the dictionary's own encoding (its affix file's SET) on its way in and back.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display/spelling.h"

namespace ts2::spell {

struct Dictionary {
  std::string language;  // the files' name: "en_US", "fr_FR"
  std::string affixFile, wordsFile;
};

// The folders searched, in order: those named in the DICPATH environment variable (separated by
// ':', as Hunspell's own tools take it), then /usr/local/share/hunspell and /usr/share/hunspell.
std::vector<std::string> DictionaryFolders();

// Every dictionary there (a NAME.aff beside a NAME.dic), sorted by name; of two with the same
// name, the one in the earlier folder.
std::vector<Dictionary> InstalledDictionaries();
std::optional<Dictionary> FindDictionary(const std::string& language);

// "en_US, fr_FR", or "none" when no dictionary is installed.
std::string InstalledLanguages();

// Opens a dictionary; nullptr, with `error` saying why, when its files cannot be read.
std::unique_ptr<Speller> OpenDictionary(const Dictionary& dictionary, std::string* error = nullptr);

}  // namespace ts2::spell
