// quervik: the window. A path on the command line is loaded at start, as if
// it had been chosen in the file dialog ("open with").
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "core/atomic_file.h"
#include "ui/UnitMaintest.h"
#include "ui/qt_german.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    std::fputs(
        "Keine grafische Anzeige gefunden: quervik braucht ein Fenster. Ohne Anzeige schneidet "
        "quervik-batch Netze auf der Kommandozeile.\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quervik"));
  // The file dialog and the message boxes speak German like the rest.
  LoadQtGerman(app);
  // Ended from outside (Ctrl-C in its terminal, logout), the program leaves
  // no half-written DXF file; a file-size limit is an error message.
  quervik::RemoveUnfinishedFilesOnSignals();

  TForm1 Form1;
  Form1.show();
  Form1.activateWindow();

  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString path = QFileInfo(args.at(1)).absoluteFilePath();
    // After the window is shown and has had its first activation.
    QTimer::singleShot(0, &Form1, [&Form1, path] { Form1.OpenFile(path); });
  }
  return QApplication::exec();
}
