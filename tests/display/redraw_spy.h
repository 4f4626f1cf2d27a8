// A headless program whose DTT menu item records every check it is given. Each redraw of both
// text boxes checks DTT exactly once (for the translation), so the count of checks counts the
// redraws even where nothing is drawn (no ROM or data file loaded).
#pragma once

#include <vector>

#include "headless/headless.h"

namespace ts2::test {

class RecordingItem : public MenuItem {
 public:
  explicit RecordingItem(MenuItem& inner) : inner_(inner) {}
  void setEnabled(bool enabled) override { inner_.setEnabled(enabled); }
  bool enabled() const override { return inner_.enabled(); }
  void setChecked(bool checked) override {
    sets.push_back(checked);
    inner_.setChecked(checked);
  }
  bool checked() const override { return inner_.checked(); }
  bool visible() const override { return inner_.visible(); }

  int checks() const {
    int n = 0;
    for (bool b : sets) n += b ? 1 : 0;
    return n;
  }
  std::vector<bool> sets;

 private:
  MenuItem& inner_;
};

class SpyToolkit : public headless::HeadlessToolkit {
 public:
  SpyToolkit() : dtt(HeadlessToolkit::menuItem(MenuId::DTT)) {}
  MenuItem& menuItem(MenuId item) override {
    return item == MenuId::DTT ? dtt : HeadlessToolkit::menuItem(item);
  }
  RecordingItem dtt;
};

struct SpyProgram {
  SpyToolkit ui;
  Program program{ui};
  TmyForm& form() { return program.myForm; }
  int redraws() const { return ui.dtt.checks(); }
};

}  // namespace ts2::test
