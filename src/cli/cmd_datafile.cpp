// ts2tool datafile DATAFILE: runs the data-file loader on a fresh program with no ROM and prints
// what it set up, as JSON.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <cstdio>
#include <map>

#include "cli/cli.h"
#include "cli/json_out.h"
#include "config/config.h"
#include "headless/headless.h"

namespace ts2::cli {
namespace {

// A window that notes whether anything showed or hid it, so the output can tell a window the
// data file left alone from one it set to the state it already had.
class WatchedWindow : public Window {
 public:
  explicit WatchedWindow(Window& inner) : inner_(inner) {}
  bool touched = false;

  void show() override {
    touched = true;
    inner_.show();
  }
  void setVisible(bool visible) override {
    touched = true;
    inner_.setVisible(visible);
  }
  bool visible() const override { return inner_.visible(); }
  bool active() const override { return inner_.active(); }
  void setCaption(const std::string& caption) override { inner_.setCaption(caption); }
  std::string caption() const override { return inner_.caption(); }
  Rect bounds() const override { return inner_.bounds(); }
  void setPosition(int left, int top) override { inner_.setPosition(left, top); }
  Size clientSize() const override { return inner_.clientSize(); }
  void setClientWidth(int width) override { inner_.setClientWidth(width); }
  void setClientHeight(int height) override { inner_.setClientHeight(height); }
  bool maximized() const override { return inner_.maximized(); }
  void setNormalState() override { inner_.setNormalState(); }
  void setStayOnTop(bool onTop) override { inner_.setStayOnTop(onTop); }
  bool stayOnTop() const override { return inner_.stayOnTop(); }
  void close() override { inner_.close(); }

 private:
  Window& inner_;
};

class WatchingToolkit : public headless::HeadlessToolkit {
 public:
  Window& window(FormId form) override {
    auto it = watched.find(form);
    return it != watched.end() ? it->second : HeadlessToolkit::window(form);
  }
  void watch(FormId form) { watched.try_emplace(form, HeadlessToolkit::window(form)); }
  std::map<FormId, WatchedWindow> watched;
};

QString Latin1(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QJsonArray ChangedEntries(const CharTable& table, uint32_t size) {
  QJsonArray out;
  for (uint32_t code = 0; code < size; ++code) {
    const CharEntry& e = table.at(code);
    if (e.length == 0 && e.colour == 0x0F && e.nullFlag == 0 && !e.text) continue;
    out.append(QJsonObject{
        {"code", static_cast<qint64>(code)},
        {"length", e.length},
        {"colour", e.colour},
        {"null", e.nullFlag},
        {"text", e.text ? QJsonValue(Latin1(*e.text)) : QJsonValue(QJsonValue::Null)},
    });
  }
  return out;
}

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(self, args, {}, {}, parsed)) return *done;
  if (parsed.positional.size() != 1) return UsageError(self, "expected one DATAFILE");
  const std::string& path = parsed.positional[0];
  if (!Readable(path)) return CannotRead(kExitBadInput, path);

  WatchingToolkit ui;
  Program program(ui);
  TmyForm& form = program.myForm;
  for (FormId w : {FormId::TxtForm, FormId::HexForm, FormId::KanaForm}) ui.watch(w);
  form.LoadDataFile(path);
  for (const std::string& said : ui.messages()) {
    if (said == kMsgDataFileOpenFailed) return Fail(kExitBadInput, "cannot read " + path + ": " + said);
    std::fprintf(stderr, "ts2tool: %s\n", said.c_str());  // a note about the file; the result stands
  }

  QJsonArray blocks;
  for (int i = 0; i < ui.bList.count(); ++i) {
    const size_t n = static_cast<size_t>(i);
    blocks.append(QJsonObject{
        {"name", Latin1(ui.bList.line(i))},
        {"offset", static_cast<qint64>(form.gBlockOffset[n])},
        {"field2", static_cast<qint64>(form.gBlockField2[n])},
        {"field3", static_cast<qint64>(form.gBlockField3[n])},
        {"strings", static_cast<qint64>(form.gBlockStrings[n])},
    });
  }
  const auto& r = form.gFormatReserved;
  const QJsonObject format{
      {"line_width", form.gLineWidth},
      {"glyph_h", form.gGlyphH},
      {"glyph_w", form.gGlyphW},
      {"width_scale", form.gWidthScale},
      {"reserved", QJsonArray{r[0], r[1], r[2], r[3], r[4]}},
  };
  const char* colour = form.Checked(MenuId::Red1) ? "red" : form.Checked(MenuId::Green1) ? "green" : "blue";
  const QJsonObject view{
      {"hide_codes", form.Checked(MenuId::HideCodes)},
      {"vwf", form.Checked(MenuId::UseVWFRoutine1)},
      {"color", colour},
      {"fill", form.Checked(MenuId::Solid1) ? "solid" : "gradient"},
  };
  auto shown = [&](FormId w) {
    const WatchedWindow& watched = ui.watched.at(w);
    return watched.touched ? QJsonValue(watched.visible()) : QJsonValue(QJsonValue::Null);
  };
  const QJsonObject windows{
      {"text", shown(FormId::TxtForm)},
      {"hex", shown(FormId::HexForm)},
      {"kana", shown(FormId::KanaForm)},
  };
  const QJsonObject out{
      {"blocks", blocks},
      {"format", format},
      {"font_address", static_cast<qint64>(form.gFontAddress)},
      {"view", view},
      {"windows", windows},
      {"chars8", ChangedEntries(form.gCharTable, 256)},
      {"chars16", ChangedEntries(form.gCharTable16, 65536)},
  };
  return PrintJson(out);
}

const Command kCommand{
    "datafile",
    "datafile DATAFILE",
    "run the data-file loader without a ROM and print its blocks, format, view and tables as JSON",
    [](const std::vector<std::string>& args) { return Run(kCommand, args); },
};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
