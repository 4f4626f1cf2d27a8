// Reading the whole script: block files one after another, original strings through the table.
#include "views/script.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "views/original.h"

namespace ts2 {

std::vector<ScriptBlock> ScriptBlocks(const TmyForm& form, const std::string& dumps) {
  std::vector<ScriptBlock> blocks;
  const int count = std::min(form.ui.list(ControlId::bList).count(), kMaxBlocks);
  for (int b = 0; b < count; ++b) {
    const std::optional<BlockEntry> entry = BlockAt(form, b);
    if (!entry) break;
    blocks.push_back({b, entry->offset, entry->strings, TranslationFileName(dumps, entry->offset)});
  }
  return blocks;
}

std::vector<ScriptBlock> BlocksByFile(const std::vector<ScriptBlock>& blocks) {
  std::vector<ScriptBlock> out;
  std::map<std::string, size_t> at;  // a file's place in `out`
  for (const ScriptBlock& b : blocks) {
    const auto [place, added] = at.emplace(b.file, out.size());
    if (added)
      out.push_back(b);
    else if (b.strings > out[place->second].strings)
      out[place->second] = b;  // its strings are the shorter block's and more
  }
  std::sort(out.begin(), out.end(),
            [](const ScriptBlock& x, const ScriptBlock& y) { return x.index < y.index; });
  return out;
}

std::vector<std::string> UnreadableFiles(const std::vector<ScriptBlock>& blocks, const std::string& except) {
  std::vector<std::string> out;
  for (const ScriptBlock& b : BlocksByFile(blocks))
    if (b.file != except)
      if (const std::string why = ReadErrorOf(b.file); !why.empty()) out.push_back(b.file + ": " + why);
  return out;
}

std::string UnreadableMessage(const std::vector<std::string>& files, const std::string& nothing) {
  if (files.empty()) return {};
  constexpr size_t kShown = 10;
  std::string text = "Error: " + Plural(files.size(), "translation file is", "translation files are") +
                     " there but cannot be read:";
  for (size_t i = 0; i < files.size() && i < kShown; ++i) text += "\n" + files[i];
  if (files.size() > kShown) text += "\n... and " + std::to_string(files.size() - kShown) + " more";
  return text + "\n" + nothing;
}

std::optional<std::string> FileText(const ScriptBlock& block) {
  std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(block.file);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::vector<ScriptMatch> FindInTranslations(const std::vector<ScriptBlock>& blocks, const TextFinder& finder,
                                            const TextOfBlock& textOf) {
  std::vector<ScriptMatch> out;
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    const std::optional<std::string> text = textOf(b);
    if (!text) continue;
    const std::vector<TextMatch> matches = FindInTranslation(*text, b.strings, finder);
    if (matches.empty()) continue;
    const SectionIndex index(*text, 0);
    for (const TextMatch& m : matches) out.push_back({b.index, m, std::string(index.line(m.line))});
  }
  return out;
}

std::vector<OriginalMatch> FindInOriginal(const TmyForm& form, const std::vector<ScriptBlock>& blocks,
                                          const TextFinder& finder) {
  std::vector<OriginalMatch> out;
  for (const ScriptBlock& b : blocks) {
    for (uint32_t s = 0; s < b.strings; ++s) {
      const std::string text = OriginalTextOf(form, b.index, s);
      size_t start = 0;
      for (int line = 0; start <= text.size(); ++line) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string_view lineText = std::string_view(text).substr(start, end - start);
        for (size_t at : finder.findAll(lineText))
          out.push_back({b.index, s, line, at, std::string(lineText)});
        if (end == text.size()) break;
        start = end + 2;
      }
    }
  }
  return out;
}

std::vector<FileReplaced> ReplaceInFiles(const std::vector<ScriptBlock>& blocks, const TextFinder& finder,
                                         std::string_view replacement) {
  std::vector<FileReplaced> out;
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    const std::optional<std::string> text = FileText(b);
    if (!text) continue;
    const Replaced r = ReplaceInTranslation(*text, b.strings, finder, replacement);
    if (r.count == 0) continue;
    FileReplaced done{b.file, r.count, {}, *text, HashBytes(std::string_view(r.text))};
    if (!WriteFileAtomic(b.file, r.text.data(), r.text.size(), &done.error) && done.error.empty())
      done.error = "not written";
    out.push_back(std::move(done));
  }
  return out;
}

std::optional<SectionBreak> ReplacingBreaksSections(const std::vector<ScriptBlock>& blocks,
                                                    const TextFinder& finder, std::string_view replacement,
                                                    const std::string& shownFile, std::string_view shown) {
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    std::optional<std::string> text;
    if (b.file == shownFile) {
      text = std::string(shown);
    } else {
      text = FileText(b);
    }
    if (!text) continue;
    const Replaced r = ReplaceInTranslation(*text, b.strings, finder, replacement);
    if (r.breaksSections >= 0) return SectionBreak{b.file, r.breaksSections + 1, r.endsString};
  }
  return std::nullopt;
}

bool RunKeepingDirectory(Toolkit& ui, FileDialog& dialog, bool save) {
  const std::string workingDir = CurrentDirectory();
  const bool chosen = save ? ui.runSaveDialog(dialog) : ui.runOpenDialog(dialog);
  std::error_code ec;
  if (chosen && !dialog.fileName.empty())
    dialog.fileName = std::filesystem::absolute(dialog.fileName, ec).string();
  if (!workingDir.empty()) std::filesystem::current_path(workingDir, ec);
  return chosen && !dialog.fileName.empty();
}

}  // namespace ts2
