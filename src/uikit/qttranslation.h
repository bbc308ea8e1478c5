// Qt's own texts in Russian: the buttons of message boxes ("Да", "Нет"),
// the file dialogs ("Имя файла", "Отмена"), page setup and printing.
#pragma once

#include <QString>

// The folder Qt's Russian translation is read from, and its file there.
QString QtTranslationFolder();
QString QtTranslationFile(const QString& folder = QtTranslationFolder());

// Loads Qt's Russian translation into the running application and makes
// Russian the default locale. Returns false, with the reason in `problem`,
// when the translation cannot be loaded; Qt's texts then stay English.
bool InstallQtTranslation(QString* problem = nullptr);
// The same from another folder.
bool InstallQtTranslationFrom(const QString& folder, QString* problem = nullptr);
