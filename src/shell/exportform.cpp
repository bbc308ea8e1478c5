#include "exportform.h"

#include "export/exporttime.h"
#include "export/exportmodule.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

// The offsets zones keep, in minutes east of UTC.
const int kZoneOffsets[] = {-720, -660, -600, -570, -540, -480, -420, -360, -300, -240, -210, -180, -120,
                            -60,  0,    60,   120,  180,  210,  240,  270,  300,  330,  345,  360,  390,
                            420,  480,  525,  540,  570,  600,  630,  660,  720,  765,  780,  840};

const char* const kPemFilter = "Файлы PEM (*.pem *.crt *.key)|*.pem;*.crt;*.key|Все файлы|*.*";

// A "..." button beside `edit` that chooses its file in an open dialog,
// starting where the file named now is or, with `edit` empty, where the file
// named in `companion` is (a certificate usually lies beside its key);
// `options` gives the dialog's title and types and keeps what was chosen.
QPushButton* BrowseButton(QWidget* owner, QLineEdit* edit, const QString& objectName, TFileDialogOptions& options,
                          const QLineEdit* companion = nullptr)
{
    auto* button = new QPushButton(QStringLiteral("..."), owner);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setToolTip(options.Title);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    QObject::connect(button, &QPushButton::clicked, owner, [owner, edit, companion, &options] {
        const QString now = edit->text().trimmed();
        if (!now.isEmpty()) {
            options.InitialDir = QFileInfo(now).absolutePath();
            options.FileName = now;
        } else if (companion && !companion->text().trimmed().isEmpty()) {
            options.InitialDir = QFileInfo(companion->text().trimmed()).absolutePath();
            options.FileName.clear();
        }
        if (!Dialogs().OpenFileName(owner, options))
            return;
        options.InitialDir = QFileInfo(options.FileName).absolutePath();
        edit->setText(QDir::toNativeSeparators(options.FileName));
    });
    return button;
}

// The dialog's row of buttons at the right: `caption` (the default) and "Отмена".
QHBoxLayout* DialogButtons(QWidget* owner, const QString& caption, QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(caption, owner);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отмена"), owner);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}

// A line edit with its "..." button after it.
QHBoxLayout* WithButton(QLineEdit* edit, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

} // namespace

TExportForm::TExportForm(int32_t frameCount, int32_t current, int localOffset, QWidget* parent)
    : QDialog(parent), FLast(frameCount > 0 ? frameCount - 1 : 0), FCurrent(current), FLocalOffset(localOffset)
{
    setObjectName(QStringLiteral("ExportForm"));
    setWindowTitle(QStringLiteral("Параметры экспорта"));

    auto* range = new QGridLayout;
    auto* fromLabel = new QLabel(QStringLiteral("С кадра:"), this);
    edtFrom = new QSpinBox(this);
    edtFrom->setObjectName(QStringLiteral("edtFrom"));
    auto* toLabel = new QLabel(QStringLiteral("По кадр:"), this);
    edtTo = new QSpinBox(this);
    edtTo->setObjectName(QStringLiteral("edtTo"));
    for (QSpinBox* box : {edtFrom, edtTo})
        box->setRange(0, FLast);
    edtFrom->setValue(0);
    edtTo->setValue(FLast);
    fromLabel->setBuddy(edtFrom);
    toLabel->setBuddy(edtTo);
    btnFromCurrent = new QPushButton(QStringLiteral("С текущего кадра"), this);
    btnFromCurrent->setObjectName(QStringLiteral("btnFromCurrent"));
    btnToCurrent = new QPushButton(QStringLiteral("По текущий кадр"), this);
    btnToCurrent->setObjectName(QStringLiteral("btnToCurrent"));
    btnWhole = new QPushButton(QStringLiteral("Весь фрагмент"), this);
    btnWhole->setObjectName(QStringLiteral("btnWhole"));
    for (QPushButton* button : {btnFromCurrent, btnToCurrent, btnWhole})
        button->setAutoDefault(false);
    btnFromCurrent->setEnabled(current >= 0);
    btnToCurrent->setEnabled(current >= 0);
    range->addWidget(fromLabel, 0, 0);
    range->addWidget(edtFrom, 0, 1);
    range->addWidget(btnFromCurrent, 0, 2);
    range->addWidget(toLabel, 1, 0);
    range->addWidget(edtTo, 1, 1);
    range->addWidget(btnToCurrent, 1, 2);
    range->addWidget(btnWhole, 2, 2);
    auto* count = new QLabel(QStringLiteral("Кадров во фрагменте: %1 (0..%2)").arg(frameCount).arg(FLast), this);

    // The fragment's times are the recorder's clock, without a zone: the
    // zone turns them into UTC where a container keeps UTC.
    auto* zone = new QHBoxLayout;
    auto* zoneLabel = new QLabel(QStringLiteral("Часовой пояс записи:"), this);
    cmbTimeZone = new QComboBox(this);
    cmbTimeZone->setObjectName(QStringLiteral("cmbTimeZone"));
    cmbTimeZone->addItem(QStringLiteral("Не известен (время как в записи)"));
    std::vector<int> offsets(std::begin(kZoneOffsets), std::end(kZoneOffsets));
    if (std::find(offsets.begin(), offsets.end(), localOffset) == offsets.end()) {
        offsets.push_back(localOffset);
        std::sort(offsets.begin(), offsets.end());
    }
    for (const int offset : offsets) {
        cmbTimeZone->addItem(QStringLiteral("UTC") + QString::fromStdString(UtcOffsetText(offset)), offset);
        if (offset == localOffset)
            cmbTimeZone->setCurrentIndex(cmbTimeZone->count() - 1);
    }
    cmbTimeZone->setToolTip(QStringLiteral("Смещение часов регистратора от UTC; по умолчанию - этого компьютера на дату события"));
    zoneLabel->setBuddy(cmbTimeZone);
    zone->addWidget(zoneLabel);
    zone->addWidget(cmbTimeZone, 1);

    ckbManifest = new QCheckBox(QStringLiteral("Контрольные суммы SHA-256 в файле .sha256"), this);
    ckbManifest->setObjectName(QStringLiteral("ckbManifest"));
    ckbManifest->setChecked(true);

    auto* signing = new QFormLayout;
    edtOperator = new QLineEdit(QString::fromStdString(ExportModule::LoginName()), this);
    edtOperator->setObjectName(QStringLiteral("edtOperator"));
    signing->addRow(QStringLiteral("Оператор:"), edtOperator);
    const QSettings settings;
    ckbSign = new QCheckBox(QStringLiteral("Подписать"), this);
    ckbSign->setObjectName(QStringLiteral("ckbSign"));
    ckbSign->setChecked(settings.value(QStringLiteral("export/sign"), false).toBool());
    edtSignKey = new QLineEdit(settings.value(QStringLiteral("export/signKey")).toString(), this);
    edtSignKey->setObjectName(QStringLiteral("edtSignKey"));
    edtSignKey->setPlaceholderText(QStringLiteral("ключ.pem"));
    edtSignCert = new QLineEdit(settings.value(QStringLiteral("export/signCert")).toString(), this);
    edtSignCert->setObjectName(QStringLiteral("edtSignCert"));
    edtSignCert->setPlaceholderText(QStringLiteral("сертификат.pem"));
    for (QLineEdit* edit : {edtSignKey, edtSignCert})
        edit->setMinimumWidth(260);
    FKeyDialog.Title = QStringLiteral("Ключ подписи");
    FKeyDialog.Filter = QString::fromUtf8(kPemFilter);
    FCertDialog.Title = QStringLiteral("Сертификат подписи");
    FCertDialog.Filter = QString::fromUtf8(kPemFilter);
    btnSignKey = BrowseButton(this, edtSignKey, QStringLiteral("btnSignKey"), FKeyDialog, edtSignCert);
    btnSignCert = BrowseButton(this, edtSignCert, QStringLiteral("btnSignCert"), FCertDialog, edtSignKey);
    signing->addRow(ckbSign);
    signing->addRow(QStringLiteral("Ключ RSA (PEM):"), WithButton(edtSignKey, btnSignKey));
    signing->addRow(QStringLiteral("Сертификат (PEM):"), WithButton(edtSignCert, btnSignCert));
    auto enableFiles = [this] {
        for (QWidget* widget : std::initializer_list<QWidget*>{edtSignKey, btnSignKey, edtSignCert, btnSignCert})
            widget->setEnabled(ckbSign->isChecked());
    };
    enableFiles();
    connect(ckbSign, &QCheckBox::toggled, this, enableFiles);

    QHBoxLayout* buttons = DialogButtons(this, QStringLiteral("Экспортировать"), btnOK, btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count);
    layout->addLayout(range);
    layout->addLayout(zone);
    layout->addWidget(ckbManifest);
    layout->addLayout(signing);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The range never turns round: moving one end past the other takes it along.
    connect(edtFrom, &QSpinBox::valueChanged, this, [this](int value) {
        if (edtTo->value() < value)
            edtTo->setValue(value);
    });
    connect(edtTo, &QSpinBox::valueChanged, this, [this](int value) {
        if (edtFrom->value() > value)
            edtFrom->setValue(value);
    });
    connect(btnFromCurrent, &QPushButton::clicked, this, [this] { edtFrom->setValue(FCurrent); });
    connect(btnToCurrent, &QPushButton::clicked, this, [this] { edtTo->setValue(FCurrent); });
    connect(btnWhole, &QPushButton::clicked, this, [this] {
        edtFrom->setValue(0);
        edtTo->setValue(FLast);
    });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int32_t TExportForm::From() const
{
    return edtFrom->value();
}

int32_t TExportForm::To() const
{
    return edtTo->value();
}

bool TExportForm::Manifest() const
{
    return ckbManifest->isChecked();
}

std::optional<int> TExportForm::UtcOffset() const
{
    const QVariant offset = cmbTimeZone->currentData();
    if (!offset.isValid())
        return std::nullopt;
    return offset.toInt();
}

bool TExportForm::ProposedOffset() const
{
    return UtcOffset() == FLocalOffset;
}

std::string TExportForm::Operator() const
{
    return edtOperator->text().trimmed().toStdString();
}

bool TExportForm::Sign() const
{
    return ckbSign->isChecked();
}

QString TExportForm::SignKey() const
{
    return edtSignKey->text().trimmed();
}

QString TExportForm::SignCert() const
{
    return edtSignCert->text().trimmed();
}

void TExportForm::accept()
{
    QSettings settings;
    settings.setValue(QStringLiteral("export/sign"), Sign());
    settings.setValue(QStringLiteral("export/signKey"), SignKey());
    settings.setValue(QStringLiteral("export/signCert"), SignCert());
    QDialog::accept();
}

TVerifyForm::TVerifyForm(TFileDialogOptions& exportDialog, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VerifyForm"));
    setWindowTitle(QStringLiteral("Проверить экспорт"));
    exportDialog.Title = QStringLiteral("Проверить экспорт");
    exportDialog.Filter =
        QStringLiteral("Экспортированное видео (*.mp4 *.mkv *.avi)|*.mp4;*.mkv;*.avi|Все файлы|*.*");
    FCaDialog.Title = QStringLiteral("Сертификаты доверенных центров");
    FCaDialog.Filter = QString::fromUtf8(kPemFilter);

    edtExport = new QLineEdit(exportDialog.FileName, this);
    edtExport->setObjectName(QStringLiteral("edtExport"));
    edtExport->setPlaceholderText(QStringLiteral("видео.mp4"));
    edtExport->setMinimumWidth(360);
    btnExport = BrowseButton(this, edtExport, QStringLiteral("btnExport"), exportDialog);
    edtCaFile = new QLineEdit(QSettings().value(QStringLiteral("verify/caFile")).toString(), this);
    edtCaFile->setObjectName(QStringLiteral("edtCaFile"));
    edtCaFile->setPlaceholderText(QStringLiteral("не обязательно: хранилище сертификатов системы"));
    edtCaFile->setToolTip(
        QStringLiteral("Сертификаты центров (PEM), которым доверяете: подпись проверяется по цепочке до них"));
    btnCaFile = BrowseButton(this, edtCaFile, QStringLiteral("btnCaFile"), FCaDialog);

    auto* files = new QFormLayout;
    files->addRow(QStringLiteral("Экспорт:"), WithButton(edtExport, btnExport));
    files->addRow(QStringLiteral("Сертификаты ЦС (PEM):"), WithButton(edtCaFile, btnCaFile));

    QHBoxLayout* buttons = DialogButtons(this, QStringLiteral("Проверить"), btnOK, btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto enableOK = [this] { btnOK->setEnabled(!ExportPath().isEmpty()); };
    enableOK();
    connect(edtExport, &QLineEdit::textChanged, this, enableOK);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TVerifyForm::ExportPath() const
{
    return edtExport->text().trimmed();
}

QString TVerifyForm::CaFile() const
{
    return edtCaFile->text().trimmed();
}

void TVerifyForm::accept()
{
    if (ExportPath().isEmpty())
        return;
    QSettings().setValue(QStringLiteral("verify/caFile"), CaFile());
    QDialog::accept();
}
