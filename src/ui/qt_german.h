// Qt's own texts in German: the buttons of the message boxes, the file
// dialog and the other dialogs Qt draws itself come from Debian's Qt
// translations (qtbase_de.qm, package qt6-translations-l10n).
#pragma once

class QCoreApplication;

// Loads qtbase_de.qm from Qt's translations folder into `app`, whatever the
// language of the desktop (the program speaks German only). False, and Qt's
// English texts, when the file is not there.
bool LoadQtGerman(QCoreApplication& app);
