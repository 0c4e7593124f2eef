#pragma once
// Qt's own words (standard buttons, the file, print and page-setup dialogs, context menus)
// in Japanese whatever the locale: the program speaks Japanese throughout.

class QCoreApplication;

// Loads Qt's Japanese translations (qtbase_ja.qm from Qt's translations folder) into
// `application`; false when they are not installed, and Qt's English words remain.
bool InstallQtJapanese(QCoreApplication& application);
