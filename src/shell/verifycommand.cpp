// "Проверить экспорт...": an exported video's signatures and digests
// checked as "mjpgtool verify [--cafile CA.pem]" checks them, the same
// lines shown.
#include "mainform.h"

#include "exportform.h"

#include "export/exportmodule.h"
#include "uikit/dialogs.h"
#include "uikit/waitcursor.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <memory>

void TMainForm::actFileVerifyExecute()
{
    TVerifyForm form(VerifyDialog, this);
    if (form.exec() != QDialog::Accepted)
        return;
    const QString path = form.ExportPath();
    VerifyDialog.FileName = path;
    VerifyDialog.InitialDir = QFileInfo(path).absolutePath();
    TVerifyReport report;
    {
        const TWaitCursor wait;
        report = ExportModule::VerifyExport(QFile::encodeName(path).toStdString(),
                                            QFile::encodeName(form.CaFile()).toStdString());
    }
    QStringList lines;
    for (const TVerifyLine& line : report.Lines)
        lines << QString::fromStdString(line.Text);
    QString verdict;
    TMsgIcon icon = TMsgIcon::Information;
    switch (report.Status) {
    case TVerifyStatus::Holds:
        verdict = QStringLiteral("Экспорт не изменён, подписи верны.");
        break;
    case TVerifyStatus::Untrusted:
        verdict = QStringLiteral("Экспорт не изменён, но доверенная цепочка сертификатов не найдена.");
        icon = TMsgIcon::Warning;
        break;
    case TVerifyStatus::Mismatch:
        verdict = QStringLiteral("Экспорт изменён или не может быть проверен!");
        icon = TMsgIcon::Error;
        break;
    case TVerifyStatus::IOError:
        verdict = QStringLiteral("Не могу проверить экспорт!");
        icon = TMsgIcon::Error;
        break;
    }
    Dialogs().Message(this, windowTitle(), verdict + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')), icon,
                      mbOK);
}
