// The whole-script tool windows on Qt: the Script Overview (one row per block, sortable, a totals
// row), Find in Script (find, replace, results), the Glossary and Similar Strings. They show what
// TScriptForm keeps and pass the user's actions to it. Escape closes each of them.
#pragma once

#include <QWidget>
#include <optional>

#include "views/script_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace ts2::qt {

class ScriptOverviewWindow : public QWidget {
 public:
  ScriptOverviewWindow(Program& program, QWidget* parent);
  void refresh();  // the rows again from the program's counts (coalesced)
  QTableWidget* table() const { return table_; }
  QTableWidget* totals() const { return totals_; }
  void refreshNow();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  Program& program_;
  QTableWidget* table_;
  QTableWidget* totals_;
  QLabel* status_;
  QTimer* pending_;
};

class FindInScriptWindow : public QWidget {
 public:
  FindInScriptWindow(Program& program, QWidget* parent);
  void focusFind();
  QLineEdit* findEdit() const { return find_; }
  QLineEdit* replaceEdit() const { return replace_; }
  QCheckBox* matchCase() const { return matchCase_; }
  QCheckBox* wholeWord() const { return wholeWord_; }
  QComboBox* scope() const { return scope_; }
  QTreeWidget* results() const { return results_; }
  QPushButton* findButton() const { return findButton_; }
  QPushButton* replaceButton() const { return replaceButton_; }
  QPushButton* replaceAllButton() const { return replaceAllButton_; }
  QLabel* status() const { return status_; }
  void find();
  void replace();
  void replaceAll();

 private:
  bool original() const;
  std::optional<TScriptForm::Search> search();  // as the fields set it; none when it cannot be
  void showResults();
  void activate(QTreeWidgetItem* item);
  Program& program_;
  QLineEdit *find_, *replace_;
  QCheckBox *matchCase_, *wholeWord_;
  QComboBox* scope_;
  QPushButton *findButton_, *replaceButton_, *replaceAllButton_;
  QTreeWidget* results_;
  QLabel* status_;
};

// The Glossary: the shown string's glossary terms with their translations and whether the
// translation has them, a row to add a term, and a term's translation put into the Text Editor on
// double-click (Enter), or any of its translations from the row's context menu.
class GlossaryWindow : public QWidget {
 public:
  GlossaryWindow(Program& program, QWidget* parent);
  void refresh();  // the rows again from the program's glossary panel
  QLabel* summary() const { return summary_; }
  QTreeWidget* terms() const { return terms_; }
  QLineEdit* termEdit() const { return term_; }
  QLineEdit* translationEdit() const { return translation_; }
  QLineEdit* noteEdit() const { return note_; }
  QPushButton* addButton() const { return add_; }
  QLabel* addStatus() const { return addStatus_; }
  void addTerm();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  Program& program_;
  QLabel* summary_;
  QTreeWidget* terms_;
  QLineEdit *term_, *translation_, *note_;
  QPushButton* add_;
  QLabel* addStatus_;
};

// Similar Strings: the translated strings whose original is like the shown string's, best first,
// with their translations; double-click (Enter) makes one the shown string's translation.
class SimilarWindow : public QWidget {
 public:
  SimilarWindow(Program& program, QWidget* parent);
  void refresh();  // the rows again from the program's similar-strings panel
  QLabel* summary() const { return summary_; }
  QTreeWidget* matches() const { return matches_; }
  QSpinBox* least() const { return least_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  Program& program_;
  QLabel* summary_;
  QTreeWidget* matches_;
  QSpinBox* least_;
};

}  // namespace ts2::qt
