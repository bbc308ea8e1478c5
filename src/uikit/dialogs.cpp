// The real dialogs (Qt's message boxes and file dialogs) and the switch that
// lets tests replace them.
#include "dialogs.h"

#include "waitcursor.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpacerItem>

int TitleBarWidth(const QWidget& window)
{
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + TitleBarRoom;
}

namespace {

QMessageBox::Icon QtIcon(TMsgIcon icon)
{
    switch (icon) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Question: return QMessageBox::Question;
    case TMsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtButtons(TMsgButtons buttons)
{
    QMessageBox::StandardButtons result;
    if (buttons.testFlag(TMsgButton::OK))
        result |= QMessageBox::Ok;
    if (buttons.testFlag(TMsgButton::Cancel))
        result |= QMessageBox::Cancel;
    if (buttons.testFlag(TMsgButton::Yes))
        result |= QMessageBox::Yes;
    if (buttons.testFlag(TMsgButton::No))
        result |= QMessageBox::No;
    return result ? result : QMessageBox::StandardButtons(QMessageBox::Ok);
}

// The box closed by Esc or its title bar reports its escape button, which Qt
// chooses as Cancel, else No, else the only button.
TModalResult Answer(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return mrOK;
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Cancel: return mrCancel;
    default: return mrCancel;
    }
}

// A message box is as wide as its text needs, and a window manager elides a
// title longer than that ("Просмотр... еоархива"): the box makes room for its
// title in the bold face title bars use, beside the bar's icon and buttons.
void KeepTitleWhole(QMessageBox& box)
{
    const int width = TitleBarWidth(box);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

class TQtDialogs : public TDialogs {
public:
    bool OpenFileName(QWidget* parent, TFileDialogOptions& options) override
    {
        return Run(parent, options, QFileDialog::AcceptOpen);
    }

    bool SaveFileName(QWidget* parent, TFileDialogOptions& options) override
    {
        return Run(parent, options, QFileDialog::AcceptSave);
    }

    TModalResult Message(QWidget* parent, const QString& title, const QString& text, TMsgIcon icon,
                         TMsgButtons buttons) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        box.setIcon(QtIcon(icon));
        box.setStandardButtons(QtButtons(buttons));
        KeepTitleWhole(box);
        const TNormalCursor arrow;
        box.exec();
        return Answer(box.standardButton(box.clickedButton()));
    }

private:
    static bool Run(QWidget* parent, TFileDialogOptions& options, QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(parent, options.Title, options.InitialDir);
        dialog.setAcceptMode(mode);
        // A name that does not exist yet is handed on: the caller reports what goes wrong.
        dialog.setFileMode(QFileDialog::AnyFile);
        const QStringList filters = QtNameFilters(options.Filter);
        dialog.setNameFilters(filters);
        QString filter = filters.value(0);
        if (options.FilterIndex >= 1 && options.FilterIndex <= filters.size())
            filter = filters[options.FilterIndex - 1];
        dialog.selectNameFilter(filter);
        if (mode == QFileDialog::AcceptSave) {
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
            // A name typed without an extension gets the one of the type chosen.
            dialog.setDefaultSuffix(SaveExtension(filter, options.DefaultExt));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
                dialog.setDefaultSuffix(SaveExtension(chosen, options.DefaultExt));
            });
        } else {
            dialog.setDefaultSuffix(options.DefaultExt);
        }
        if (!options.FileName.isEmpty())
            dialog.selectFile(mode == QFileDialog::AcceptSave
                                  ? NameWithExtension(options.FileName, SaveExtension(filter, options.DefaultExt))
                                  : options.FileName);
        const TNormalCursor arrow;
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        options.FileName = dialog.selectedFiles().first();
        options.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return true;
    }
};

TQtDialogs& RealDialogs()
{
    static TQtDialogs dialogs;
    return dialogs;
}

TDialogs* CurrentDialogs = nullptr;

} // namespace

TDialogs& Dialogs()
{
    return CurrentDialogs ? *CurrentDialogs : RealDialogs();
}

TDialogs& QtDialogs()
{
    return RealDialogs();
}

void SetDialogs(TDialogs* dialogs)
{
    CurrentDialogs = dialogs;
}

QString SaveExtension(const QString& qtFilter, const QString& defaultExt)
{
    // "Файлы JPG (*.jpg)": the first pattern inside the last parentheses.
    const qsizetype open = qtFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtFilter.lastIndexOf(QLatin1Char(')'));
    if (open >= 0 && close > open) {
        const QString first = qtFilter.mid(open + 1, close - open - 1).section(QLatin1Char(' '), 0, 0);
        static const QRegularExpression plain(QStringLiteral("^\\*\\.([^*?\\[\\].]+)$"));
        const QRegularExpressionMatch match = plain.match(first);
        if (match.hasMatch())
            return match.captured(1);
    }
    return defaultExt;
}

QString NameWithExtension(const QString& name, const QString& extension)
{
    if (extension.isEmpty() || name.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive))
        return name;
    return name + QLatin1Char('.') + extension;
}

QStringList QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        const QString shown = QStringLiteral("(%1)").arg(patterns);
        // Qt reads the patterns from the parentheses at the end; on this
        // system "*.*" would leave out files without an extension.
        const QString matched = patterns == QStringLiteral("*.*") ? QStringLiteral("*") : patterns;
        if (description.endsWith(shown) && matched == patterns)
            result << description;
        else if (description.endsWith(shown))
            result << description.left(description.size() - shown.size()) + QStringLiteral("(%1)").arg(matched);
        else
            result << QStringLiteral("%1 (%2)").arg(description, matched);
    }
    return result;
}
