// What the window needs from the desktop that a test must replace: the
// file-open dialog, the save dialog of the plan, the general error display
// and the warning box (modal message boxes).
// The real ones are Qt's (QtUiServices); tests hand TForm1 their own.
#pragma once

#include <QString>
#include <optional>

class QWidget;

class UiServices {
 public:
  virtual ~UiServices() = default;

  // The file-open dialog (filters "Dreiecksnetze (*.obj *.ply *.stl)" and
  // "OBJ (*.obj)", default extension "obj"): the chosen file's full path, or
  // nothing when the user cancels.
  virtual std::optional<QString> OpenObjFile(QWidget* parent) = 0;

  // The save dialog of "Plan speichern" (filters "PDF (*.pdf)",
  // "SVG (*.svg)" and "PNG (*.png)", starting at `suggested`): the chosen
  // path, or nothing when the user cancels.
  virtual std::optional<QString> SavePlanFile(QWidget* parent, const QString& suggested) = 0;

  // The general error display: a modal box with the error's text and OK.
  virtual void ShowError(QWidget* parent, const QString& text) = 0;

  // A modal box with a warning and OK, for a command that did its work but
  // met something the user should know (coordinates read as 0).
  virtual void ShowWarning(QWidget* parent, const QString& text) = 0;
};

class QtUiServices : public UiServices {
 public:
  std::optional<QString> OpenObjFile(QWidget* parent) override;
  std::optional<QString> SavePlanFile(QWidget* parent, const QString& suggested) override;
  void ShowError(QWidget* parent, const QString& text) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
};
