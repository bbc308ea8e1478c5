// Loading qtbase_ru from the folder Qt was built to read translations from
// (Debian's qt6-translations-l10n installs it there).
#include "qttranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
const QLocale Russian(QLocale::Russian, QLocale::Russia);

// Texts Qt 6 shows that Debian's qtbase_ru does not translate yet (their
// context was renamed in Qt 6): the type column of the file dialogs.
class TMissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        if (qstrcmp(source, "Folder") == 0)
            return QStringLiteral("Папка");
        if (qstrcmp(source, "Drive") == 0)
            return QStringLiteral("Диск");
        if (qstrcmp(source, "File") == 0)
            return QStringLiteral("Файл");
        return {};
    }
};
} // namespace

QString QtTranslationFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QString QtTranslationFile(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("qtbase_ru.qm"));
}

bool InstallQtTranslation(QString* problem)
{
    return InstallQtTranslationFrom(QtTranslationFolder(), problem);
}

bool InstallQtTranslationFrom(const QString& folder, QString* problem)
{
    QLocale::setDefault(Russian);
    // Owned by the application, so it lives as long as the texts it serves.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(Russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        delete translator;
        if (problem)
            *problem = QStringLiteral("нет перевода Qt на русский язык (%1); кнопки и стандартные диалоги Qt "
                                      "останутся на английском. Установите пакет qt6-translations-l10n.")
                           .arg(QtTranslationFile(folder));
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QCoreApplication::installTranslator(new TMissingQtTexts(QCoreApplication::instance()));
    return true;
}
