#include "dtintervalform.h"

#include "uikit/guarded.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// Sizes of the design; the dialog grows where the font in use needs more.
constexpr int kDateWidth = 81;
constexpr int kTimeWidth = 73;
constexpr int kPickerHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

void SetPickerLook(QWidget* picker, bool enabled)
{
    QPalette palette = picker->palette();
    const QPalette standard = picker->style()->standardPalette();
    palette.setColor(QPalette::Base, enabled ? standard.color(QPalette::Base) : standard.color(QPalette::Button));
    picker->setPalette(palette);
    picker->setEnabled(enabled);
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setMinimumSize(kButtonWidth, kButtonHeight);
    // No button of the dialog is its default: Enter in a picker or on a box
    // must not close it (see keyPressEvent).
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TDTIntervalForm::TDTIntervalForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Просмотр видеоархива"));
    setModal(true);
    createControls();
    FormCreate();
}

void TDTIntervalForm::createControls()
{
    GroupBox1 = new QGroupBox(QStringLiteral(" Временной интервал "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    QFont bold = GroupBox1->font();
    bold.setBold(true);
    GroupBox1->setFont(bold);
    // Only the group's caption is bold: its controls say so explicitly, or
    // they would take the group's font.
    QFont normal = bold;
    normal.setBold(false);

    const auto check = [this, normal](const char* name, const QString& caption) {
        auto* box = new QCheckBox(caption, GroupBox1);
        box->setObjectName(QLatin1String(name));
        box->setFont(normal);
        connect(box, &QCheckBox::toggled, this, [this, box] { Guarded([&] { EnableDateTime(box); }); });
        return box;
    };
    const auto date = [this, normal](const char* name) {
        auto* picker = new QDateEdit(GroupBox1);
        picker->setObjectName(QLatin1String(name));
        picker->setFont(normal);
        picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        picker->setCalendarPopup(true);
        picker->setMinimumDate(QDate(1900, 1, 1));
        picker->setMinimumSize(kDateWidth, kPickerHeight);
        SetPickerLook(picker, false);
        return picker;
    };
    const auto time = [this, normal](const char* name) {
        auto* picker = new QTimeEdit(GroupBox1);
        picker->setObjectName(QLatin1String(name));
        picker->setFont(normal);
        picker->setDisplayFormat(QStringLiteral("H:mm:ss"));
        picker->setMinimumSize(kTimeWidth, kPickerHeight);
        SetPickerLook(picker, false);
        return picker;
    };
    ckbBegin = check("ckbBegin", QStringLiteral("Начало"));
    dtpBeginDate = date("dtpBeginDate");
    dtpBeginTime = time("dtpBeginTime");
    ckbEnd = check("ckbEnd", QStringLiteral("Конец"));
    dtpEndDate = date("dtpEndDate");
    dtpEndTime = time("dtpEndTime");

    GroupBox1->setMinimumSize(249, 97);
    auto* grid = new QGridLayout(GroupBox1);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(7);
    grid->setVerticalSpacing(11);
    grid->addWidget(ckbBegin, 0, 0);
    grid->addWidget(dtpBeginDate, 0, 1);
    grid->addWidget(dtpBeginTime, 0, 2);
    grid->addWidget(ckbEnd, 1, 0);
    grid->addWidget(dtpEndDate, 1, 1);
    grid->addWidget(dtpEndTime, 1, 2);

    btnOk = NewButton(this, "btnOk", QStringLiteral("Применить"));
    btnCancel = NewButton(this, "btnCancel", QStringLiteral("Отмена"));
    btnIgnore = NewButton(this, "btnIgnore", QStringLiteral("Очистить"));
    connect(btnOk, &QPushButton::clicked, this, [this] { done(irApply); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(irCancel); });
    connect(btnIgnore, &QPushButton::clicked, this, [this] {
        Guarded([this] { btnIgnoreClick(); });
        done(irClear);
    });

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(7);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnIgnore);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 6, 8);
    layout->setSpacing(7);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border

    setTabOrder(ckbBegin, dtpBeginDate);
    setTabOrder(dtpBeginDate, dtpBeginTime);
    setTabOrder(dtpBeginTime, ckbEnd);
    setTabOrder(ckbEnd, dtpEndDate);
    setTabOrder(dtpEndDate, dtpEndTime);
    setTabOrder(dtpEndTime, btnOk);
    setTabOrder(btnOk, btnCancel);
    setTabOrder(btnCancel, btnIgnore);
}

void TDTIntervalForm::FormCreate()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateEdit* picker : {dtpBeginDate, dtpEndDate})
        picker->setDate(now.date());
    for (QTimeEdit* picker : {dtpBeginTime, dtpEndTime})
        picker->setTime(now.time());
}

void TDTIntervalForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    btnCancel->setFocus(Qt::OtherFocusReason);
}

void TDTIntervalForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // Enter presses the focused button, as Space does; anywhere else it does
    // nothing (there is no default button to press).
    event->accept();
    if (event->isAutoRepeat())
        return;
    QWidget* focus = focusWidget();
    for (QPushButton* button : {btnOk, btnCancel, btnIgnore})
        if (focus == button && button->isEnabled())
            button->click();
}

void TDTIntervalForm::EnableDateTime(QObject* sender)
{
    QWidget* date = nullptr;
    QWidget* time = nullptr;
    if (sender == ckbBegin) {
        date = dtpBeginDate;
        time = dtpBeginTime;
    } else if (sender == ckbEnd) {
        date = dtpEndDate;
        time = dtpEndTime;
    } else {
        return;
    }
    const bool ticked = static_cast<QCheckBox*>(sender)->isChecked();
    SetPickerLook(date, ticked);
    SetPickerLook(time, ticked);
}

void TDTIntervalForm::btnIgnoreClick()
{
    ckbBegin->setChecked(false);
    ckbEnd->setChecked(false);
}

void TDTIntervalForm::FillEnd(TDateTime value, QCheckBox* box, QDateEdit* date, QTimeEdit* time)
{
    if (DateTimeDays(value) == 0) {
        box->setChecked(false);
        return;
    }
    const TDateTimeParts parts = DecodeDateTime(value);
    date->setDate(QDate(parts.Year, parts.Month, parts.Day));
    time->setTime(QTime(parts.Hour, parts.Minute, parts.Second, parts.MilliSecond));
    box->setChecked(true);
}

TDateTime TDTIntervalForm::ReadEnd(const QCheckBox* box, const QDateEdit* date, const QTimeEdit* time)
{
    if (!box->isChecked())
        return 0;
    const QDate day = date->date();
    const QTime clock = time->time();
    return EncodeDateTime(day.year(), day.month(), day.day(), clock.hour(), clock.minute(), clock.second(),
                          clock.msec());
}

void TDTIntervalForm::SetBegin(TDateTime value)
{
    FillEnd(value, ckbBegin, dtpBeginDate, dtpBeginTime);
}

void TDTIntervalForm::SetEnd(TDateTime value)
{
    FillEnd(value, ckbEnd, dtpEndDate, dtpEndTime);
}

TDateTime TDTIntervalForm::GetBegin() const
{
    return ReadEnd(ckbBegin, dtpBeginDate, dtpBeginTime);
}

TDateTime TDTIntervalForm::GetEnd() const
{
    return ReadEnd(ckbEnd, dtpEndDate, dtpEndTime);
}

int TDTIntervalForm::ShowModal()
{
    return exec();
}

void TDTIntervalForm::reject()
{
    done(irCancel);
}
