#include "spell/hunspell_speller.h"

#include <iconv.h>
#include <hunspell/hunspell.hxx>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/utf8.h"

namespace ts2::spell {

namespace {

namespace fs = std::filesystem;

bool Readable(const std::string& path) {
  return std::ifstream(path, std::ios::binary).is_open();
}

// One direction of an iconv conversion, closed with the object.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole text converted; std::nullopt when a character has no place in the target.
  std::optional<std::string> operator()(const std::string& text) const {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out(text.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* to = out.data();
    size_t toLeft = out.size();
    while (inLeft > 0) {
      if (iconv(cd_, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1)) continue;
      if (errno != E2BIG) return std::nullopt;
      const size_t used = out.size() - toLeft;
      out.resize(out.size() * 2);
      to = out.data() + used;
      toLeft = out.size() - used;
    }
    out.resize(out.size() - toLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// The name iconv knows a Hunspell encoding by.
std::string IconvName(std::string name) {
  if (name.rfind("microsoft-", 0) == 0) return name.substr(10);  // "microsoft-cp1251" -> "cp1251"
  if (name == "TIS620-2533") return "TIS-620";
  return name;
}

// Words between Unicode and the dictionary's encoding. UTF-8 dictionaries need no converter;
// the others go through iconv, and an encoding it does not know is read as ISO 8859-1, as
// Hunspell reads a dictionary without a SET line.
class DictionaryEncoding {
 public:
  explicit DictionaryEncoding(const std::string& name)
      : utf8_(name == "UTF-8" || name == "utf-8"),
        toDictionary_(IconvName(name), "UTF-8"),
        fromDictionary_("UTF-8", IconvName(name)) {}

  std::optional<std::string> encode(std::u32string_view word) const {
    if (utf8_) return ToUtf8(word);
    if (toDictionary_.ok()) return toDictionary_(ToUtf8(word));
    std::string bytes;
    for (char32_t c : word) {
      if (c > 0xFF) return std::nullopt;
      bytes += static_cast<char>(c);
    }
    return bytes;
  }

  std::optional<std::u32string> decode(const std::string& bytes) const {
    if (utf8_) return FromUtf8(bytes);
    if (fromDictionary_.ok()) {
      const std::optional<std::string> utf8 = fromDictionary_(bytes);
      return utf8 ? FromUtf8(*utf8) : std::nullopt;
    }
    std::u32string word;
    for (char c : bytes) word += static_cast<char32_t>(static_cast<unsigned char>(c));
    return word;
  }

 private:
  bool utf8_;
  Converter toDictionary_, fromDictionary_;
};

class HunspellSpeller final : public Speller {
 public:
  HunspellSpeller(const Dictionary& d)
      : dictionary_(d),
        hunspell_(std::make_unique<Hunspell>(d.affixFile.c_str(), d.wordsFile.c_str())),
        encoding_(hunspell_->get_dict_encoding()) {
    wordCharacters_ = encoding_.decode(hunspell_->get_wordchars_cpp()).value_or(U"");
  }

  std::u32string wordCharacters() const override { return wordCharacters_; }

  bool correct(std::u32string_view word) override {
    const std::optional<std::string> bytes = encoding_.encode(word);
    return bytes && hunspell_->spell(*bytes);
  }

  std::vector<std::u32string> suggest(std::u32string_view word) override {
    std::vector<std::u32string> suggestions;
    const std::optional<std::string> bytes = encoding_.encode(word);
    if (!bytes) return suggestions;
    for (const std::string& s : hunspell_->suggest(*bytes))
      if (std::optional<std::u32string> text = encoding_.decode(s)) suggestions.push_back(std::move(*text));
    return suggestions;
  }

  void add(std::u32string_view word) override {
    if (const std::optional<std::string> bytes = encoding_.encode(word)) hunspell_->add(*bytes);
  }

  // The files read again. Should they be gone meanwhile, the words added stay known rather than
  // every word becoming unknown.
  void forgetAdded() override {
    if (Readable(dictionary_.affixFile) && Readable(dictionary_.wordsFile))
      hunspell_ = std::make_unique<Hunspell>(dictionary_.affixFile.c_str(), dictionary_.wordsFile.c_str());
  }

 private:
  Dictionary dictionary_;
  std::unique_ptr<Hunspell> hunspell_;
  DictionaryEncoding encoding_;
  std::u32string wordCharacters_;
};

}  // namespace

std::vector<std::string> DictionaryFolders() {
  std::vector<std::string> folders;
  if (const char* path = std::getenv("DICPATH")) {
    std::string list = path;
    size_t start = 0;
    while (start <= list.size()) {
      const size_t end = std::min(list.find(':', start), list.size());
      if (end > start) folders.push_back(list.substr(start, end - start));
      start = end + 1;
    }
  }
  folders.push_back("/usr/local/share/hunspell");
  folders.push_back("/usr/share/hunspell");
  return folders;
}

std::vector<Dictionary> InstalledDictionaries() {
  std::map<std::string, Dictionary> found;
  for (const std::string& folder : DictionaryFolders()) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
      const fs::path& affix = entry.path();
      if (affix.extension() != ".aff") continue;
      fs::path words = affix;
      words.replace_extension(".dic");
      if (!fs::is_regular_file(affix, ec) || !fs::is_regular_file(words, ec)) continue;
      const std::string language = affix.stem().string();
      found.emplace(language, Dictionary{language, affix.string(), words.string()});
    }
  }
  std::vector<Dictionary> dictionaries;
  for (auto& [name, d] : found) dictionaries.push_back(std::move(d));
  return dictionaries;
}

std::optional<Dictionary> FindDictionary(const std::string& language) {
  for (Dictionary& d : InstalledDictionaries())
    if (d.language == language) return std::move(d);
  return std::nullopt;
}

std::string InstalledLanguages() {
  std::string names;
  for (const Dictionary& d : InstalledDictionaries()) names += (names.empty() ? "" : ", ") + d.language;
  return names.empty() ? "none" : names;
}

std::unique_ptr<Speller> OpenDictionary(const Dictionary& dictionary, std::string* error) {
  for (const std::string& file : {dictionary.affixFile, dictionary.wordsFile}) {
    if (Readable(file)) continue;
    if (error) *error = "cannot read the dictionary file " + file;
    return nullptr;
  }
  return std::make_unique<HunspellSpeller>(dictionary);
}

}  // namespace ts2::spell
