// A dictionary for tests: it knows a list of words exactly, and the words added to it, and
// suggests what it is told to.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "display/spelling.h"

namespace ts2::test {

struct WordListSpeller : Speller {
  std::u32string wordChars;
  std::set<std::u32string> words, added;
  std::map<std::u32string, std::vector<std::u32string>> offers;
  std::vector<std::u32string>* asked = nullptr;  // every word `correct` was asked about

  std::u32string wordCharacters() const override { return wordChars; }
  bool correct(std::u32string_view word) override {
    if (asked) asked->emplace_back(word);
    return words.count(std::u32string(word)) > 0 || added.count(std::u32string(word)) > 0;
  }
  std::vector<std::u32string> suggest(std::u32string_view word) override {
    const auto it = offers.find(std::u32string(word));
    return it == offers.end() ? std::vector<std::u32string>{} : it->second;
  }
  void add(std::u32string_view word) override { added.emplace(word); }
  void forgetAdded() override { added.clear(); }
};

}  // namespace ts2::test
