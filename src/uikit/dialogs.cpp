// The real dialogs (Qt's message boxes and file dialogs) and the switch that
// lets tests replace them.
#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

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

    TMsgButton Message(QWidget* parent, const QString& title, const QString& text, TMsgIcon icon,
                       TMsgButtons buttons) override
    {
        QMessageBox box(parent);
        box.setWindowTitle(title);
        box.setText(text);
        switch (icon) {
        case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case TMsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        QMessageBox::StandardButtons qtButtons;
        if (buttons & mbOK)
            qtButtons |= QMessageBox::Ok;
        if (buttons & mbCancel)
            qtButtons |= QMessageBox::Cancel;
        if (buttons & mbYes)
            qtButtons |= QMessageBox::Yes;
        if (buttons & mbNo)
            qtButtons |= QMessageBox::No;
        if (!qtButtons)
            qtButtons = QMessageBox::Ok;
        box.setStandardButtons(qtButtons);
        switch (box.exec()) {
        case QMessageBox::Ok: return mbOK;
        case QMessageBox::Yes: return mbYes;
        case QMessageBox::No: return mbNo;
        case QMessageBox::Cancel: return mbCancel;
        default: return mbCancel;
        }
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
        if (options.FilterIndex >= 1 && options.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[options.FilterIndex - 1]);
        dialog.setDefaultSuffix(options.DefaultExt);
        if (mode == QFileDialog::AcceptSave)
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (!options.FileName.isEmpty())
            dialog.selectFile(options.FileName);
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

void SetDialogs(TDialogs* dialogs)
{
    CurrentDialogs = dialogs;
}

QStringList QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return result;
}
