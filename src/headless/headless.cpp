#include "headless/headless.h"

#include <algorithm>
#include <filesystem>

namespace ts2::headless {

// ---- HWindow ----

HWindow::HWindow(FormId id, HeadlessToolkit* toolkit) : id_(id), toolkit_(toolkit) {
  const FormLayout& layout = LayoutOf(id);
  caption_ = layout.caption;
  visible_ = layout.visibleAtStart;
  if (id == FormId::myForm) {
    client_ = {layout.width, layout.height};
    bounds_ = {layout.left, layout.top, layout.width + kFrameW, layout.height + kMainFrameH};
  } else {
    bounds_ = {layout.left, layout.top, layout.width, layout.height};
    client_ = {layout.width - kFrameW, layout.height - kToolFrameH};
  }
}

void HWindow::updateOuter() {
  const int frameH = id_ == FormId::myForm ? kMainFrameH : kToolFrameH;
  bounds_.width = client_.width + kFrameW;
  bounds_.height = client_.height + frameH;
  if (id_ == FormId::myForm) {
    // Video fills the client area above the status bar.
    toolkit_->videoBox.setBounds(0, 0, client_.width, std::max(0, client_.height - kStatusBarH));
  }
  if (EventSink* sink = toolkit_->sink()) sink->formResize(id_);
}

void HWindow::setClientWidth(int width) {
  if (client_.width == width) return;
  client_.width = width;
  updateOuter();
}

void HWindow::setClientHeight(int height) {
  if (client_.height == height) return;
  client_.height = height;
  updateOuter();
}

void HWindow::close() {
  if (id_ != FormId::myForm) {
    visible_ = false;
    return;
  }
  if (closed) return;
  closed = true;
  const bool wasVisible = visible_;
  visible_ = false;
  if (EventSink* sink = toolkit_->sink(); sink && !sink->formClose()) {  // the program keeps it open
    closed = false;
    visible_ = wasVisible;
  }
}

// ---- HRichEdit ----

void HRichEdit::setText(const std::string& text) {
  text_.assign(text);
  selStart_ = selLength_ = 0;
  firstVisible_ = 0;
  modified_ = false;
}

void HRichEdit::setSelection(int start, int length) {
  const int size = text_.size();
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
}

void HRichEdit::scrollLines(int lines) {
  firstVisible_ = std::clamp(firstVisible_ + lines, 0, std::max(0, lineCount() - 1));
}

void HListBox::setItemMark(int index, ItemMark mark, const std::string& tip) {
  if (index >= 0 && index < count()) marks[index] = {mark, tip};
}

void HRichEdit::replaceRanges(const std::vector<Range>& ranges, const std::string& with) {
  if (ranges.empty()) return;
  for (auto r = ranges.rbegin(); r != ranges.rend(); ++r)
    text_.replace(static_cast<size_t>(r->start), static_cast<size_t>(r->length), with);
  // The caret after the last replacement, where the earlier ones have moved it.
  int shift = 0;
  for (size_t i = 0; i + 1 < ranges.size(); ++i) shift += static_cast<int>(with.size()) - ranges[i].length;
  selStart_ = ranges.back().start + shift + static_cast<int>(with.size());
  selLength_ = 0;
  modified_ = true;
  ++undoSteps;
  if (sink) sink->textChanged(id);
}

void HRichEdit::type(const std::string& typed) {
  text_.replace(selStart_, selLength_, typed);
  selStart_ += static_cast<int>(typed.size());
  selLength_ = 0;
  modified_ = true;
  ++undoSteps;
  if (sink) sink->textChanged(id);
}

// ---- HMemo ----

void HMemo::setText(const std::string& text) {
  ++setTextCount;
  lines.clear();
  if (text.empty()) return;
  addLine(text);
  // A final line break opens no further line.
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0 && !lines.empty() &&
      lines.back().empty())
    lines.pop_back();
}

std::string HMemo::text() const {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

void HMemo::addLine(const std::string& item) {
  size_t start = 0;
  for (;;) {
    size_t crlf = item.find("\r\n", start);
    if (crlf == std::string::npos) {
      lines.push_back(item.substr(start));
      return;
    }
    lines.push_back(item.substr(start, crlf - start));
    start = crlf + 2;
  }
}

// ---- HeadlessToolkit ----

HeadlessToolkit::HeadlessToolkit() {
  for (int f = 0; f < static_cast<int>(FormId::Count); ++f)
    windows_.emplace_back(static_cast<FormId>(f), this);
  for (const MenuEntry& e : MenuTable()) menu_.emplace_back(e);
  videoBox.setBounds(0, 0, kMainClientW, kMainClientH - kStatusBarH);
  chPicBox.setBounds(256, 4, 128, 128);
  ptrBox.setVisible(false);
  Memo1.setVisible(false);
  Memo1.id = ControlId::Memo1;
  status.panels[0] = kStatusStart0;
  status.panels[1] = kStatusStart1;
}

void HeadlessToolkit::setEventSink(EventSink* sink) {
  sink_ = sink;
  TDMemo.sink = sink;
}

ListBox& HeadlessToolkit::list(ControlId id) {
  switch (id) {
    case ControlId::pList: return pList;
    case ControlId::ptrBox: return ptrBox;
    case ControlId::ListBox1: return ListBox1;
    default: return bList;
  }
}

bool HeadlessToolkit::runOpenDialog(FileDialog& dialog) {
  script.dialogsRun.push_back(dialog);
  std::optional<std::vector<std::string>> answer;
  if (!script.openAnswers.empty()) {
    answer = script.openAnswers.front();
    script.openAnswers.pop_front();
  }
  if (!answer || answer->empty()) return false;
  dialog.files = *answer;
  if (!dialog.multiSelect) dialog.files.resize(1);
  dialog.fileName = dialog.files.front();
  if (script.openDialogSetsDirectory) {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::absolute(dialog.fileName, ec).parent_path(), ec);
  }
  return true;
}

bool HeadlessToolkit::runSaveDialog(FileDialog& dialog) {
  script.dialogsRun.push_back(dialog);
  std::optional<std::string> answer;
  if (!script.saveAnswers.empty()) {
    answer = script.saveAnswers.front();
    script.saveAnswers.pop_front();
  }
  if (!answer) return false;
  dialog.files = {*answer};
  dialog.fileName = *answer;
  return true;
}

void HeadlessToolkit::message(const std::string& text) {
  script.said.push_back({Script::Said::Message, text, ""});
}

bool HeadlessToolkit::question(const std::string& text, const std::string& caption) {
  script.said.push_back({Script::Said::Question, text, caption});
  if (script.questionAnswers.empty()) return script.defaultQuestionAnswer;
  bool yes = script.questionAnswers.front();
  script.questionAnswers.pop_front();
  return yes;
}

int HeadlessToolkit::choose(const std::string& text, const std::string& caption,
                            const std::vector<std::string>& buttons, int defaultButton) {
  script.said.push_back({Script::Said::Choice, text, caption});
  if (script.choiceAnswers.empty()) return -1;
  const int chosen =
      script.choiceAnswers.front() == Script::kEnter ? defaultButton : script.choiceAnswers.front();
  script.choiceAnswers.pop_front();
  return chosen >= 0 && static_cast<size_t>(chosen) < buttons.size() ? chosen : -1;
}

void HeadlessToolkit::stopMessage(const std::string& text, const std::string& caption) {
  script.said.push_back({Script::Said::Stop, text, caption});
}

std::optional<int> HeadlessToolkit::askNumber(const std::string& caption, const std::string& /*prompt*/,
                                              int value, int min, int max) {
  script.numbersAsked.push_back({caption, value, min, max});
  if (script.numberAnswers.empty()) return std::nullopt;
  const std::optional<int> answer = script.numberAnswers.front();
  script.numberAnswers.pop_front();
  return answer;
}

std::optional<std::string> HeadlessToolkit::askText(const std::string& /*caption*/,
                                                    const std::string& /*prompt*/, const std::string& value) {
  script.textsOffered.push_back(value);
  if (script.textAnswers.empty()) return std::nullopt;
  const std::optional<std::string> answer = script.textAnswers.front();
  script.textAnswers.pop_front();
  return answer;
}

void HeadlessToolkit::information(const std::string& text, const std::string& caption) {
  script.said.push_back({Script::Said::Information, text, caption});
}

void HeadlessToolkit::showTable(const std::string& caption, const std::vector<std::string>& headers,
                                const std::vector<std::vector<std::string>>& rows) {
  script.tables.push_back({caption, headers, rows});
}

std::vector<std::string> HeadlessToolkit::messages() const {
  std::vector<std::string> out;
  for (const auto& s : script.said) out.push_back(s.text);
  return out;
}

std::string HeadlessToolkit::lastMessage() const {
  return script.said.empty() ? std::string() : script.said.back().text;
}

void HeadlessToolkit::runLater(int /*milliseconds*/, std::function<void()> task) {
  later_.push_back(std::move(task));
}

int HeadlessToolkit::runLaterTasks(int rounds) {
  int ran = 0;
  for (int round = 0; round < rounds && !later_.empty(); ++round) {
    std::vector<std::function<void()>> now;
    now.swap(later_);
    for (auto& task : now) {
      task();
      ++ran;
    }
  }
  return ran;
}

}  // namespace ts2::headless
