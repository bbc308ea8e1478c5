#include "exportform.h"

#include "export/exporttime.h"
#include "export/exportmodule.h"

#include <QCheckBox>
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
    signing->addRow(ckbSign);
    signing->addRow(QStringLiteral("Ключ RSA (PEM):"), edtSignKey);
    signing->addRow(QStringLiteral("Сертификат (PEM):"), edtSignCert);
    auto enableFiles = [this] {
        edtSignKey->setEnabled(ckbSign->isChecked());
        edtSignCert->setEnabled(ckbSign->isChecked());
    };
    enableFiles();
    connect(ckbSign, &QCheckBox::toggled, this, enableFiles);

    btnOK = new QPushButton(QStringLiteral("Экспортировать"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

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
