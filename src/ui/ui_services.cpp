#include "ui/ui_services.h"

#include <QFileDialog>
#include <QMessageBox>

std::optional<QString> QtUiServices::OpenObjFile(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(
      {QStringLiteral("Dreiecksnetze (*.obj *.ply *.stl)"), QStringLiteral("OBJ (*.obj)")});
  dialog.setDefaultSuffix(QStringLiteral("obj"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUiServices::SavePlanFile(QWidget* parent, const QString& suggested) {
  const QStringList filters = {QStringLiteral("PDF (*.pdf)"), QStringLiteral("SVG (*.svg)"),
                               QStringLiteral("PNG (*.png)")};
  QFileDialog dialog(parent, QStringLiteral("Plan speichern"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.selectFile(suggested);
  // A name typed without an extension takes that of the chosen filter.
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
    dialog.setDefaultSuffix(f.mid(f.indexOf(QLatin1String("*.")) + 2, 3));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

void QtUiServices::ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Quervik"), text, QMessageBox::Ok, parent);
  box.exec();
}

void QtUiServices::ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Quervik"), text, QMessageBox::Ok, parent);
  box.exec();
}
