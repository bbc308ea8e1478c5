// The real file dialogs of the dialog seam as they appear: title, the type
// entries, the name proposed with the extension of the type chosen, the
// answer, and Qt's own texts in Russian.
#include "modalprobe.h"
#include "qttranslationloaded.h"
#include "support/outsidetool.h"
#include "uikit/dialogs.h"
#include "uikit/qttranslation.h"

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString SnapshotFilter = QStringLiteral("Windows Bitmap (*.bmp)|*.bmp|Файлы JPG (*.jpg)|*.jpg|Все файлы|*.*");
const QString FragmentFilter = QStringLiteral("Файлы MJPG (*.mjpg)|*.mjpg|Все файлы|*.*");
const QString SnapshotName = QStringLiteral("2007-11-15 14-30-05 Камера 1.2 Фрагмент №0");

struct TShownFileDialog {
    QString Title;
    QStringList Types;
    QString ProposedName;
    QString AcceptCaption, CancelCaption;
    QStringList Labels;
};

// What the user does in the dialog before accepting it.
struct TUserAction {
    int ChooseType = -1; // 0-based entry picked from the type list, -1: none
    QString TypedName;   // typed over the proposed name when not empty
};

bool RunDialog(QFileDialog::AcceptMode mode, TFileDialogOptions& options, const TUserAction& action,
               TShownFileDialog& shown)
{
    WhenModalIs<QFileDialog>([&](QFileDialog* dialog) {
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!types || !name || !box) {
            ADD_FAILURE() << "not Qt's own file dialog";
            dialog->reject();
            return;
        }
        shown.Title = dialog->windowTitle();
        for (int i = 0; i < types->count(); ++i)
            shown.Types << types->itemText(i);
        shown.ProposedName = name->text();
        const QDialogButtonBox::StandardButton accept =
            mode == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
        if (QPushButton* button = box->button(accept))
            shown.AcceptCaption = button->text().remove(QLatin1Char('&'));
        if (QPushButton* button = box->button(QDialogButtonBox::Cancel))
            shown.CancelCaption = button->text().remove(QLatin1Char('&'));
        for (QLabel* label : dialog->findChildren<QLabel*>())
            shown.Labels << label->text().remove(QLatin1Char('&'));
        // Picking a type as a user does, one step at a time in the list.
        while (action.ChooseType >= 0 && types->currentIndex() != action.ChooseType)
            QTest::keyClick(types, types->currentIndex() > action.ChooseType ? Qt::Key_Up : Qt::Key_Down);
        if (!action.TypedName.isEmpty())
            name->setText(action.TypedName);
        QPushButton* acceptButton = box->button(accept);
        if (acceptButton && acceptButton->isEnabled()) {
            acceptButton->click();
        } else {
            ADD_FAILURE() << "the accept button cannot be pressed";
            dialog->reject();
        }
    });
    return mode == QFileDialog::AcceptSave ? QtDialogs().SaveFileName(nullptr, options)
                                           : QtDialogs().OpenFileName(nullptr, options);
}

TEST(FileDialog, TypeEntriesShowTheirPatternOnce)
{
    EXPECT_EQ(QtNameFilters(SnapshotFilter),
              (QStringList{QStringLiteral("Windows Bitmap (*.bmp)"), QStringLiteral("Файлы JPG (*.jpg)"),
                           QStringLiteral("Все файлы (*)")}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("Видео MJPG (*.mjpg)|*.mjpg|Все файлы|*.*")),
              (QStringList{QStringLiteral("Видео MJPG (*.mjpg)"), QStringLiteral("Все файлы (*)")}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("Видеофайлы MJPG|*.mjpg|Картинки|*.jpg;*.bmp")),
              (QStringList{QStringLiteral("Видеофайлы MJPG (*.mjpg)"), QStringLiteral("Картинки (*.jpg *.bmp)")}));
    // "*.*" would hide files without an extension here; "Все файлы" shows them all.
    EXPECT_EQ(QtNameFilters(QStringLiteral("Все файлы (*.*)|*.*")), QStringList{QStringLiteral("Все файлы (*)")});
}

TEST(FileDialog, SavedUnderTheProposedNameKeepsTheTypesExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct TRow {
        const char* Case;
        QString Filter;
        int FilterIndex;
        QString Proposed;
        TUserAction Action;
        QString ShownName, Saved;
        int SavedIndex;
    } rows[] = {
        {"proposed name, a dot in the camera", SnapshotFilter, 2, SnapshotName, {}, SnapshotName + ".jpg",
         SnapshotName + ".jpg", 2},
        {"proposed name, bitmap chosen", SnapshotFilter, 2, SnapshotName, {0, {}}, SnapshotName + ".jpg",
         SnapshotName + ".bmp", 1},
        {"typed without extension", SnapshotFilter, 2, SnapshotName, {-1, QStringLiteral("kadr")},
         SnapshotName + ".jpg", QStringLiteral("kadr.jpg"), 2},
        {"typed without extension, bitmap chosen", SnapshotFilter, 2, SnapshotName, {0, QStringLiteral("kadr")},
         SnapshotName + ".jpg", QStringLiteral("kadr.bmp"), 1},
        {"typed with an extension", SnapshotFilter, 2, SnapshotName, {-1, QStringLiteral("kadr.png")},
         SnapshotName + ".jpg", QStringLiteral("kadr.png"), 2},
        {"fragment", FragmentFilter, 1, QStringLiteral("2007-11-15 14-30-05"), {},
         QStringLiteral("2007-11-15 14-30-05.mjpg"), QStringLiteral("2007-11-15 14-30-05.mjpg"), 1},
        {"fragment, all files, typed", FragmentFilter, 1, QStringLiteral("2007-11-15 14-30-05"),
         {1, QStringLiteral("clip")}, QStringLiteral("2007-11-15 14-30-05.mjpg"), QStringLiteral("clip.mjpg"), 2},
        {"already with its extension", FragmentFilter, 1, QStringLiteral("clip.MJPG"), {},
         QStringLiteral("clip.MJPG"), QStringLiteral("clip.MJPG"), 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Case);
        TFileDialogOptions options;
        options.Title = QStringLiteral("Сохранить снимок");
        options.Filter = row.Filter;
        options.FilterIndex = row.FilterIndex;
        options.DefaultExt = row.Filter == SnapshotFilter ? QStringLiteral("jpg") : QStringLiteral("mjpg");
        options.InitialDir = dir.path();
        options.FileName = row.Proposed;
        TShownFileDialog shown;
        ASSERT_TRUE(RunDialog(QFileDialog::AcceptSave, options, row.Action, shown));
        EXPECT_EQ(shown.Title, QStringLiteral("Сохранить снимок"));
        EXPECT_EQ(shown.Types, QtNameFilters(row.Filter));
        EXPECT_EQ(shown.ProposedName, row.ShownName);
        EXPECT_EQ(options.FileName, dir.filePath(row.Saved));
        EXPECT_EQ(options.FilterIndex, row.SavedIndex);
    }
}

TEST(FileDialog, OpenDialogHandsOnTheChosenPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TFileDialogOptions options;
    options.Title = QStringLiteral("Открыть видеофайл");
    options.Filter = QStringLiteral("Видеофайлы MJPG|*.mjpg|Все файлы|*.*");
    options.DefaultExt = QStringLiteral("mjpg");
    options.InitialDir = dir.path();
    TShownFileDialog shown;
    // A name that does not exist is handed on: the player reports the error.
    ASSERT_TRUE(RunDialog(QFileDialog::AcceptOpen, options, {-1, QStringLiteral("нет такого.mjpg")}, shown));
    EXPECT_EQ(shown.Title, QStringLiteral("Открыть видеофайл"));
    EXPECT_EQ(shown.Types, (QStringList{QStringLiteral("Видеофайлы MJPG (*.mjpg)"), QStringLiteral("Все файлы (*)")}));
    EXPECT_EQ(options.FileName, dir.filePath(QStringLiteral("нет такого.mjpg")));
}

TEST(FileDialog, QtsTextsReadInRussian)
{
    REQUIRE_OUTSIDE_TOOL(QtTranslationLoaded, "Qt's Russian translation (qt6-translations-l10n)");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        TFileDialogOptions options;
        options.Filter = FragmentFilter;
        options.InitialDir = dir.path();
        TShownFileDialog shown;
        RunDialog(mode, options, {-1, QStringLiteral("a.mjpg")}, shown);
        EXPECT_EQ(shown.AcceptCaption,
                  mode == QFileDialog::AcceptSave ? QStringLiteral("Сохранить") : QStringLiteral("Открыть"));
        EXPECT_EQ(shown.CancelCaption, QStringLiteral("Отмена"));
        for (const char* english : {"Look in:", "File name:", "Files of type:"})
            EXPECT_FALSE(shown.Labels.contains(QString::fromLatin1(english))) << english;
    }
    // The type column of the file list: Debian's translation lacks Qt 6's
    // name of its context, the program fills the gap.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(dir.path())), QStringLiteral("Папка"));
}

TEST(QtTranslation, AMissingTranslationIsExplained)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    QString problem;
    EXPECT_FALSE(InstallQtTranslationFrom(empty.path(), &problem));
    // Says what is missing, what follows and which package brings it.
    EXPECT_TRUE(problem.contains(QtTranslationFile(empty.path()))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QStringLiteral("на английском"))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QStringLiteral("qt6-translations-l10n"))) << problem.toStdString();
    // The texts loaded at start-up stay.
    REQUIRE_OUTSIDE_TOOL(QtTranslationLoaded, "Qt's Russian translation (qt6-translations-l10n)");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

} // namespace
