// Typed text kept while it is unsaved: the copies in the autosave folder, and the editor's side.
#include "script/autosave.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <system_error>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "views/sections.h"

namespace ts2 {

namespace {

constexpr std::string_view kInfoFirstLine = "ts2edit autosave 1";
constexpr char kOfferCaption[] = "Unsaved Text Found...";

std::span<const uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A path on one line: '%', CR and LF written as %25, %0D and %0A.
std::string EscapeLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '%' || c == '\n' || c == '\r')
      out += Format("%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    else
      out += c;
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> UnescapeLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

// The whole of `text` as a number in `base`; std::nullopt for anything else or out of range.
template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base) {
  T value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::string NameOf(const std::string& folder, const std::string& file, int slot) {
  const std::string key = AutosaveKey(file);
  const std::string name = ExtractFileName(key);
  return folder + kPathSep + name + "-" +
         Format("%016llX", static_cast<unsigned long long>(HashBytes(AsBytes(key)))) +
         (slot > 0 ? "-" + std::to_string(slot + 1) : std::string());
}

bool Removed(const std::string& path) {
  return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

std::string LocalTime(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (seconds <= 0 || !localtime_r(&t, &local)) return {};
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? std::string(text) : std::string();
}

std::string AutosaveInfoText(const AutosaveInfo& info) {
  std::string text(kInfoFirstLine);
  text += "\nfile " + EscapeLine(info.file);
  text += "\nbase " + (info.baseKnown ? Format("%016llX", static_cast<unsigned long long>(info.baseHash))
                                      : std::string("unknown"));
  text += "\ntime " + std::to_string(info.time) + "\n";
  return text;
}

std::optional<AutosaveInfo> ParseAutosaveInfo(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // cut short: every line is ended
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + 1);
  }
  if (lines.size() != 4 || lines[0] != kInfoFirstLine) return std::nullopt;
  auto value = [&](size_t line, std::string_view key) -> std::optional<std::string_view> {
    if (!lines[line].starts_with(key) || lines[line].size() < key.size() + 1 ||
        lines[line][key.size()] != ' ')
      return std::nullopt;
    return lines[line].substr(key.size() + 1);
  };
  AutosaveInfo info;
  const auto file = value(1, "file");
  const auto base = value(2, "base");
  const auto time = value(3, "time");
  if (!file || !base || !time) return std::nullopt;
  const std::optional<std::string> path = UnescapeLine(*file);
  if (!path || path->empty()) return std::nullopt;
  info.file = *path;
  if (*base != "unknown") {
    if (base->size() != 16) return std::nullopt;
    const std::optional<uint64_t> hash = ParseNumber<uint64_t>(*base, 16);
    if (!hash) return std::nullopt;
    info.baseKnown = true;
    info.baseHash = *hash;
  }
  const std::optional<int64_t> seconds = ParseNumber<int64_t>(*time, 10);
  if (!seconds) return std::nullopt;
  info.time = *seconds;
  return info;
}

std::string AutosaveKey(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path absolute = fs::absolute(file, error);
  if (error) return fs::path(file).lexically_normal().string();
  // The folder as the system names it, whatever links the path went through: the editor's own
  // Dumps folder is named from the working folder, which the system gives without links. The
  // system resolves it: cut as text, "link/.." would name another project's folder.
  const fs::path folder = fs::weakly_canonical(absolute.parent_path(), error);
  return error ? absolute.lexically_normal().string() : (folder / absolute.filename()).string();
}

AutosavePaths AutosavePathsOf(const std::string& folder, const std::string& file, int slot) {
  const std::string name = NameOf(folder, file, slot);
  return {name + ".txt", name + ".info", name + ".lock"};
}

std::optional<KeptText> FindKeptText(const std::string& folder, const std::string& file, int slot) {
  const AutosavePaths paths = AutosavePathsOf(folder, file, slot);
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(paths.text);
  if (!bytes) return std::nullopt;
  KeptText kept{std::string(bytes->begin(), bytes->end()), std::nullopt, slot};
  if (const std::optional<std::vector<uint8_t>> info = ReadWholeFile(paths.info)) {
    kept.info =
        ParseAutosaveInfo(std::string_view(reinterpret_cast<const char*>(info->data()), info->size()));
    if (kept.info && kept.info->file != AutosaveKey(file)) return std::nullopt;
  }
  return kept;
}

namespace {

// The copy in one slot when no running editor holds it: one a crash or a stop left behind.
std::optional<KeptText> LeftKeptText(const std::string& folder, const std::string& file, int slot) {
  std::optional<KeptText> kept = FindKeptText(folder, file, slot);
  if (kept && CopyLock::HeldElsewhere(AutosavePathsOf(folder, file, slot).lock)) kept.reset();
  return kept;
}

}  // namespace

std::vector<KeptText> LeftKeptTexts(const std::string& folder, const std::string& file) {
  std::vector<KeptText> left;
  for (int slot = 0; slot < kAutosaveSlots; ++slot)
    if (std::optional<KeptText> kept = LeftKeptText(folder, file, slot)) left.push_back(std::move(*kept));
  return left;
}

std::vector<long> EditorsKeeping(const std::string& folder, const std::string& file) {
  std::vector<long> editors;
  for (int slot = 0; slot < kAutosaveSlots; ++slot) {
    long holder = 0;
    if (CopyLock::HeldElsewhere(AutosavePathsOf(folder, file, slot).lock, &holder)) editors.push_back(holder);
  }
  return editors;
}

bool RemoveKeptText(const std::string& folder, const std::string& file, int slot) {
  const AutosavePaths paths = AutosavePathsOf(folder, file, slot);
  const bool text = Removed(paths.text);
  return Removed(paths.info) && text;
}

bool WriteKeptText(const std::string& folder, const std::string& file, std::string_view bytes,
                   const AutosaveInfo& info, std::string* error, int slot) {
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    if (error) *error = "could not make the folder: " + made.message();
    return false;
  }
  const AutosavePaths paths = AutosavePathsOf(folder, file, slot);
  const std::string infoText = AutosaveInfoText(info);
  return WriteFileAtomic(paths.text, bytes.data(), bytes.size(), error) &&
         WriteFileAtomic(paths.info, infoText.data(), infoText.size(), error);
}

std::vector<std::string> FilesWithKeptText(const std::string& folder, const std::vector<std::string>& files) {
  std::set<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error))
    names.insert(entry->path().filename().string());
  std::vector<std::string> found;
  if (names.empty()) return found;
  for (const std::string& file : files) {
    // The folder's listing first: most files have no copy, and most slots are empty.
    for (int slot = 0; slot < kAutosaveSlots; ++slot) {
      if (names.count(ExtractFileName(AutosavePathsOf(folder, file, slot).text)) &&
          LeftKeptText(folder, file, slot)) {
        found.push_back(file);
        break;
      }
    }
  }
  return found;
}

std::string UserAutosaveFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/') return std::string(state) + "/ts2edit/autosave";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state/ts2edit/autosave";
  return {};
}

std::vector<uint32_t> StringsThatDiffer(std::string_view before, std::string_view after, uint32_t strings) {
  const SectionIndex a(before, strings), b(after, strings);
  std::vector<uint32_t> differ;
  std::vector<std::string> linesA, linesB;
  for (uint32_t n = 0; n < strings; ++n) {
    a.sectionLines(n, linesA);
    b.sectionLines(n, linesB);
    if (linesA != linesB) differ.push_back(n);
  }
  return differ;
}

std::string StringsNamed(const std::vector<uint32_t>& strings) {
  std::string out = strings.size() == 1 ? "string " : "strings ";
  for (size_t i = 0; i < strings.size(); ++i)
    out += (i == 0 ? "" : i + 1 == strings.size() ? " and " : ", ") + std::to_string(strings[i]);
  return out;
}

std::string ProcessesNamed(const std::vector<long>& ids) {
  std::string out = ids.size() == 1 ? "process " : "processes ";
  for (size_t i = 0; i < ids.size(); ++i)
    out += (i ? ", " : "") + (ids[i] ? std::to_string(ids[i]) : std::string("unknown"));
  return out;
}

// ---- the editor's side ----

std::string Autosave::Folder() const {
  return program.ui.autosaveFolder();
}

void Autosave::TextChanged() {
  if (waiting_) {  // the usual key: the wait under way takes it into account
    lastKey_ = std::chrono::steady_clock::now();
    ++keys_;
    return;
  }
  if (Folder().empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (!pending_) {
    pending_ = true;
    firstKey_ = now;
  }
  lastKey_ = now;
  ++keys_;
  Wait(kPauseMs);
}

void Autosave::Wait(int milliseconds) {
  waiting_ = true;
  const unsigned keys = keys_;
  program.ui.runLater(milliseconds, [this, keys] {
    waiting_ = false;
    const auto now = std::chrono::steady_clock::now();
    if (keys != keys_ && now - firstKey_ < kLongest) {
      // Keys came while it waited: the pause counts from the last one, and steady typing is
      // copied once the first of its keys is kLongest old.
      using std::chrono::milliseconds;
      const auto pauseLeft =
          std::chrono::duration_cast<milliseconds>(lastKey_ + milliseconds(kPauseMs) - now);
      const auto longestLeft = std::chrono::duration_cast<milliseconds>(firstKey_ + kLongest - now);
      Wait(static_cast<int>(std::clamp<int64_t>(std::min(pauseLeft, longestLeft).count(), 0, kPauseMs)));
      return;
    }
    Update();
  });
}

void Autosave::Update(bool closing) {
  pending_ = false;
  TmyForm& f = program.myForm;
  const std::string folder = Folder();
  if ((f.closed && !closing) || folder.empty()) return;
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  if (!editor.modified() || f.gTextPath.empty()) {
    Settle();
    return;
  }
  if (!written_.empty() && written_ != f.gTextPath) Discard();
  // Typing has begun: a copy an earlier run left of this file is not offered now, when a key
  // meant for the Text Editor would answer the offer and Restore would replace what is being
  // typed. It stays in its slot for the next showing of the file; Claim passes over a slot that
  // holds a copy, so this run's copy takes another.
  if (written_ != f.gTextPath && !closing) WarnOfOtherEditors(f.gTextPath);
  std::string error;
  if (written_ != f.gTextPath && !Claim(f.gTextPath))
    error = "other copies of the editor keep " + std::to_string(kAutosaveSlots) + " copies of this file";
  const std::string bytes = error.empty() ? EditorTextToFileBytes(editor.text()) : std::string();
  const uint64_t hash = HashBytes(AsBytes(bytes));
  if (error.empty() && hash == writtenHash_) return;
  const AutosaveInfo info{.file = AutosaveKey(f.gTextPath),
                          .baseKnown = f.textFileStamp.known,
                          .baseHash = f.textFileStamp.present ? f.textFileStamp.hash : 0,
                          .time = static_cast<int64_t>(std::time(nullptr))};
  if (!error.empty() || !WriteKeptText(folder, f.gTextPath, bytes, info, &error, slot_)) {
    if (!failureShown_ && !closing) {
      failureShown_ = true;
      program.ui.message("Error: Could not keep a copy of the unsaved text in \"" + folder + "\" (" + error +
                         "). Save the text often; the editor goes on trying.");
    }
    return;
  }
  failureShown_ = false;
  writtenHash_ = hash;
  if (lock_ && !lock_->held() && !unlockedShown_ && !closing) {
    // Without a lock another editor cannot tell this copy is taken: one editor's save would
    // delete the other's only copy. Said once; the copy is still kept.
    unlockedShown_ = true;
    program.ui.message("The autosave folder \"" + folder +
                       "\" takes no lock here, so another copy of the editor cannot tell which unsaved "
                       "copies are this one's. Type in one copy of the editor only, and save often.");
  }
}

bool Autosave::Claim(const std::string& file) {
  const std::string folder = Folder();
  std::error_code made;  // the lock files are made before the first copy makes the folder
  std::filesystem::create_directories(folder, made);
  for (int slot = 0; slot < kAutosaveSlots; ++slot) {
    std::optional<CopyLock> lock = CopyLock::Take(AutosavePathsOf(folder, file, slot).lock);
    if (!lock) continue;  // another running editor's copy
    std::error_code error;
    // A copy left by a run that ended is not written over: it was offered and kept.
    if (std::filesystem::exists(AutosavePathsOf(folder, file, slot).text, error) || error) continue;
    written_ = file;
    slot_ = slot;
    lock_ = std::move(lock);
    writtenHash_ = 0;
    return true;
  }
  return false;
}

void Autosave::Abandon() {
  if (lock_) lock_->Abandon();
  lock_.reset();
  written_.clear();
  writtenHash_ = 0;
}

void Autosave::Leave() {
  // Only this run's copy of the shown file is brought up to date: a file without one yet is left
  // to its recovery copy rather than take a slot in the middle of the command that is leaving it.
  if (!written_.empty() && written_ == program.myForm.gTextPath) Update();
  Abandon();
}

void Autosave::Settle() {
  if (written_.empty()) return;
  const TmyForm& f = program.myForm;
  if (!f.closed && program.ui.richEdit(ControlId::TDMemo).modified() && f.gTextPath == written_) return;
  Discard();
}

bool Autosave::KeepsCurrentText() const {
  const TmyForm& f = program.myForm;
  if (written_.empty() || written_ != f.gTextPath) return false;
  return HashBytes(AsBytes(EditorTextToFileBytes(program.ui.richEdit(ControlId::TDMemo).text()))) ==
         writtenHash_;
}

void Autosave::Discard() {
  if (written_.empty()) return;
  const std::string folder = Folder();
  if (!folder.empty()) RemoveKeptText(folder, written_, slot_);
  lock_.reset();  // the lock file goes after the copy
  written_.clear();
  writtenHash_ = 0;
}

void Autosave::WarnOfOtherEditors(const std::string& file) {
  if (std::find(warned_.begin(), warned_.end(), file) != warned_.end()) return;
  const std::vector<long> editors = EditorsKeeping(Folder(), file);
  if (editors.empty()) return;
  warned_.push_back(file);
  program.ui.message("\"" + ExtractFileName(file) + "\" is open in another copy of the editor (" +
                     ProcessesNamed(editors) +
                     ") with text typed there and not saved yet. Whichever editor saves the file last "
                     "replaces what the other saved: type in one of them only.");
}

void Autosave::Offer() {
  TmyForm& f = program.myForm;
  const std::string folder = Folder();
  if (folder.empty() || f.gTextPath.empty() || written_ == f.gTextPath) return;
  WarnOfOtherEditors(f.gTextPath);
  // Keys came between the showing and the offer: the editor holds typed text, which Restore
  // would replace. The copy waits for the next showing.
  if (program.ui.richEdit(ControlId::TDMemo).modified()) return;
  for (const KeptText& left : LeftKeptTexts(folder, f.gTextPath))
    if (!OfferOne(left)) return;
}

bool Autosave::OfferOne(const KeptText& left) {
  TmyForm& f = program.myForm;
  const std::string folder = Folder();
  // Held while it is offered, so that another editor showing the file meanwhile does not offer
  // it too; a copy another editor has taken up since it was found is left to that one.
  std::optional<CopyLock> lock = CopyLock::Take(AutosavePathsOf(folder, f.gTextPath, left.slot).lock);
  if (!lock) return true;
  const std::optional<KeptText> kept = FindKeptText(folder, f.gTextPath, left.slot);
  if (!kept) return true;
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const std::string shown = editor.text(), restored = FileBytesToEditorText(kept->bytes);
  if (kept->bytes == EditorTextToFileBytes(shown)) {  // saved after all, or typed back
    RemoveKeptText(folder, f.gTextPath, left.slot);
    return true;
  }
  const std::string when = kept->info ? LocalTime(kept->info->time) : std::string();
  const std::vector<uint32_t> differ = StringsThatDiffer(shown, restored, f.gCurStringCount);
  std::string text = "Text typed in \"" + ExtractFileName(f.gTextPath) + "\"" +
                     (differ.empty() ? std::string() : " (" + StringsNamed(differ) + ")") +
                     " was not saved when the editor last stopped" +
                     (when.empty() ? std::string() : "; it was kept at " + when) +
                     ".\n\n"
                     "Restore: show that text in the Text Editor, unsaved (Ctrl+Z goes back to the file).\n"
                     "Keep as a Copy: keep it in a recovery copy beside the file, and show the file.\n"
                     "Discard: delete it, and show the file.";
  const bool madeSince =
      kept->info && kept->info->baseAbsent() && f.textFileStamp.known && f.textFileStamp.present;
  if (madeSince)
    text +=
        "\n\nThe file did not exist when that text was typed and has been made since: restoring the "
        "text and saving it would replace what the file holds now.";
  else if (kept->info && kept->info->baseKnown && f.textFileStamp.known &&
           kept->info->baseHash != f.textFileStamp.hash)
    text +=
        "\n\nThe file has changed since that text was typed (another program, or another copy of the "
        "editor, wrote it): restoring the text and saving it would replace that change.";
  else if (!kept->info)
    text +=
        "\n\nWhat the file held when that text was typed is not known (its note is missing): it may "
        "have changed since, and restoring the text and saving it would replace that change.";
  // Keep as a Copy is the default: a key pressed as the box comes up (Enter, Space) changes
  // neither the Text Editor nor the kept text, which goes beside the file.
  switch (program.ui.choose(text, kOfferCaption, {"Restore", "Keep as a Copy", "Discard"}, 1)) {
    case 0: {
      // One edit of the user's: undo goes back to the file; the copy stays this run's until saved.
      editor.replaceRanges({{0, static_cast<int>(shown.size())}}, restored);
      // The caret where the kept text first differs from the file: where the lost work was.
      const auto differ = std::mismatch(shown.begin(), shown.end(), restored.begin(), restored.end());
      editor.setSelection(static_cast<int>(differ.second - restored.begin()), 0);
      written_ = f.gTextPath;
      slot_ = left.slot;
      lock_ = std::move(lock);
      writtenHash_ = HashBytes(AsBytes(kept->bytes));
      return false;  // the editor holds that text now: another left copy waits for a later showing
    }
    case 2: RemoveKeptText(folder, f.gTextPath, left.slot); return true;
    default:  // Keep as a Copy, or the box closed without a choice: nothing is deleted unasked
      if (f.KeepRecoveryCopy(f.gTextPath, kept->bytes.data(), kept->bytes.size(), "unsaved text", false)) {
        // A copy in the temporary folder may not outlast a restart: this one stays, offered again.
        if (!f.lastCopyTemporary) RemoveKeptText(folder, f.gTextPath, left.slot);
        return true;
      }
      return false;  // the only copy of that text: it stays in its slot, which this run passes over
  }
}

void Autosave::OfferLater() {
  if (offerWaiting_ || Folder().empty()) return;
  offerWaiting_ = true;
  program.ui.runLater(0, [this] {
    offerWaiting_ = false;
    if (!program.myForm.closed) Offer();
  });
}

void Autosave::ScriptLoaded() {
  if (Folder().empty()) return;
  program.ui.runLater(0, [this] {
    if (!program.myForm.closed) NameKeptBlocks();
  });
}

void Autosave::NameKeptBlocks() {
  const TmyForm& f = program.myForm;
  const std::string folder = Folder();
  if (folder.empty() || f.gDumpDir.empty()) return;
  ListBox& bList = program.ui.list(ControlId::bList);
  std::vector<std::string> files, names;
  for (int i = 0; i < std::min(bList.count(), kMaxBlocks); ++i) {
    const std::optional<BlockEntry> block = BlockAt(f, i);
    if (!block) continue;
    const std::string file = TranslationFileName(f.gDumpDir, block->offset);
    if (file == f.gTextPath || std::find(files.begin(), files.end(), file) != files.end()) continue;
    files.push_back(file);
    names.push_back(bList.line(i) + " (" + ExtractFileName(file) + ")");
  }
  const std::vector<std::string> kept = FilesWithKeptText(folder, files);
  if (kept.empty()) return;
  std::string list;
  constexpr size_t kNamed = 8;
  for (size_t k = 0; k < kept.size() && k < kNamed; ++k) {
    const size_t at = static_cast<size_t>(std::find(files.begin(), files.end(), kept[k]) - files.begin());
    list += (k ? ", " : "") + names[at];
  }
  if (kept.size() > kNamed) list += ", and " + std::to_string(kept.size() - kNamed) + " more";
  program.ui.message("Text typed but not saved when the editor last stopped is kept for " +
                     Plural(kept.size(), "block", "blocks") + ": " + list +
                     ". Choose a block to be offered its text.");
}

}  // namespace ts2
