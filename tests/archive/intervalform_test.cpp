// The interval dialog: as it appears and answers (shown modally for real),
// the ends it is given and the ends it reads back.
#include "archive/intervaldialog/dtintervalform.h"
#include "modalprobe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

bool Greyed(const QWidget* picker)
{
    return !picker->isEnabled() &&
           picker->palette().color(QPalette::Base) == picker->style()->standardPalette().color(QPalette::Button);
}

bool Whitened(const QWidget* picker)
{
    return picker->isEnabled() &&
           picker->palette().color(QPalette::Base) == picker->style()->standardPalette().color(QPalette::Base);
}

bool HasFocus(const QWidget* control)
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == control || control->isAncestorOf(focus));
}

// Shows the dialog modally for real; `act` looks at it and closes it.
int ShowAndAct(TDTIntervalForm& dialog, std::function<void(TDTIntervalForm&)> act)
{
    WhenModal([&](QWidget* modal) {
        ASSERT_EQ(modal, &dialog) << modal->metaObject()->className();
        act(dialog);
    });
    return dialog.ShowModal();
}

} // namespace

TEST(IntervalFormTest, OpensWithBothEndsOpenAndFocusOnCancel)
{
    TDTIntervalForm dialog;
    const QDateTime before = QDateTime::currentDateTime();
    bool looked = false;
    const int result = ShowAndAct(dialog, [&](TDTIntervalForm& d) {
        looked = true;
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Просмотр видеоархива"));
        EXPECT_EQ(d.GroupBox1->title(), QStringLiteral(" Временной интервал "));
        EXPECT_TRUE(d.GroupBox1->font().bold());
        for (QWidget* control : {static_cast<QWidget*>(d.ckbBegin), static_cast<QWidget*>(d.dtpBeginDate),
                                 static_cast<QWidget*>(d.dtpEndTime)})
            EXPECT_FALSE(control->font().bold()) << control->objectName().toStdString(); // the caption alone
        EXPECT_EQ(d.ckbBegin->text(), QStringLiteral("Начало"));
        EXPECT_EQ(d.ckbEnd->text(), QStringLiteral("Конец"));
        EXPECT_EQ(d.btnOk->text(), QStringLiteral("Применить"));
        EXPECT_EQ(d.btnCancel->text(), QStringLiteral("Отмена"));
        EXPECT_EQ(d.btnIgnore->text(), QStringLiteral("Очистить"));
        EXPECT_EQ(d.focusWidget(), d.btnCancel);
        EXPECT_FALSE(d.ckbBegin->isChecked());
        EXPECT_FALSE(d.ckbEnd->isChecked());
        for (QWidget* picker : {static_cast<QWidget*>(d.dtpBeginDate), static_cast<QWidget*>(d.dtpBeginTime),
                                static_cast<QWidget*>(d.dtpEndDate), static_cast<QWidget*>(d.dtpEndTime)})
            EXPECT_TRUE(Greyed(picker)) << picker->objectName().toStdString();
        // Nothing cut off: every control inside the fixed-size dialog at its full size.
        EXPECT_GE(d.width(), 345);
        EXPECT_GE(d.height(), 109);
        EXPECT_FALSE(d.isSizeGripEnabled());
        for (QWidget* control : d.findChildren<QWidget*>()) {
            if (!control->isVisible() || control->parentWidget() == nullptr)
                continue;
            const QRect inDialog(control->mapTo(&d, QPoint(0, 0)), control->size());
            EXPECT_TRUE(d.rect().contains(inDialog)) << control->objectName().toStdString();
        }
        for (QPushButton* button : {d.btnOk, d.btnCancel, d.btnIgnore})
            EXPECT_GE(button->width(), button->sizeHint().width());
        d.btnOk->click();
    });
    EXPECT_TRUE(looked);
    EXPECT_EQ(result, irApply);
    EXPECT_EQ(dialog.GetBegin(), 0);
    EXPECT_EQ(dialog.GetEnd(), 0);
    // The pickers start at the current date and time.
    const QDateTime after = QDateTime::currentDateTime();
    for (const auto& [date, time] : {std::pair{dialog.dtpBeginDate, dialog.dtpBeginTime},
                                     std::pair{dialog.dtpEndDate, dialog.dtpEndTime}}) {
        const QDateTime shown(date->date(), time->time());
        EXPECT_GE(shown.secsTo(after), 0);
        EXPECT_LE(before.secsTo(shown), 1);
    }
}

TEST(IntervalFormTest, ButtonsAndClosingGiveTheirResults)
{
    struct TCase {
        const char* Name;
        std::function<void(TDTIntervalForm&)> Close;
        int Result;
    };
    const TCase cases[] = {
        {"Применить", [](TDTIntervalForm& d) { QTest::mouseClick(d.btnOk, Qt::LeftButton); }, irApply},
        {"Отмена", [](TDTIntervalForm& d) { QTest::mouseClick(d.btnCancel, Qt::LeftButton); }, irCancel},
        {"Enter on the focused Отмена", [](TDTIntervalForm& d) { QTest::keyClick(&d, Qt::Key_Return); }, irCancel},
        {"Esc", [](TDTIntervalForm& d) { QTest::keyClick(&d, Qt::Key_Escape); }, irCancel},
        {"the window closed", [](TDTIntervalForm& d) { d.close(); }, irCancel},
        {"Очистить", [](TDTIntervalForm& d) { QTest::mouseClick(d.btnIgnore, Qt::LeftButton); }, irClear},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDTIntervalForm dialog;
        dialog.SetBegin(EncodeDateTime(2007, 11, 15, 8, 30, 0));
        dialog.SetEnd(EncodeDateTime(2007, 11, 16, 8, 30, 0));
        EXPECT_EQ(ShowAndAct(dialog, c.Close), c.Result);
        // "Очистить" unticks both ends; the others leave them.
        const bool cleared = c.Result == irClear;
        EXPECT_EQ(dialog.ckbBegin->isChecked(), !cleared);
        EXPECT_EQ(dialog.ckbEnd->isChecked(), !cleared);
        EXPECT_EQ(dialog.GetBegin() == 0, cleared);
        EXPECT_EQ(dialog.GetEnd() == 0, cleared);
        if (cleared) {
            EXPECT_TRUE(Greyed(dialog.dtpBeginDate) && Greyed(dialog.dtpEndTime));
        }
    }
}

TEST(IntervalFormTest, EnterPressesOnlyAFocusedButton)
{
    // No default button: Enter in a picker or on a box leaves the dialog
    // open with what was typed; a focused button is pressed by Enter or Space.
    struct TCase {
        const char* Name;
        std::function<QPushButton*(TDTIntervalForm&)> Button;
        Qt::Key Key;
        int Result;
    };
    const TCase cases[] = {
        {"Enter on Применить", [](TDTIntervalForm& d) { return d.btnOk; }, Qt::Key_Return, irApply},
        {"Enter (keypad) on Применить", [](TDTIntervalForm& d) { return d.btnOk; }, Qt::Key_Enter, irApply},
        {"Space on Применить", [](TDTIntervalForm& d) { return d.btnOk; }, Qt::Key_Space, irApply},
        {"Enter on Отмена", [](TDTIntervalForm& d) { return d.btnCancel; }, Qt::Key_Return, irCancel},
        {"Enter on Очистить", [](TDTIntervalForm& d) { return d.btnIgnore; }, Qt::Key_Return, irClear},
        {"Space on Очистить", [](TDTIntervalForm& d) { return d.btnIgnore; }, Qt::Key_Space, irClear},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDTIntervalForm dialog;
        bool looked = false;
        const int result = ShowAndAct(dialog, [&](TDTIntervalForm& d) {
            looked = true;
            for (QPushButton* button : {d.btnOk, d.btnCancel, d.btnIgnore}) {
                EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
                EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
            }
            d.ckbBegin->setFocus();
            QTest::keyClick(d.ckbBegin, Qt::Key_Space); // ticks it
            d.dtpBeginDate->setDate(QDate(2007, 11, 15));
            d.dtpBeginTime->setTime(QTime(8, 30, 0));
            for (QWidget* control : {static_cast<QWidget*>(d.ckbBegin), static_cast<QWidget*>(d.dtpBeginDate),
                                     static_cast<QWidget*>(d.dtpBeginTime), static_cast<QWidget*>(d.ckbEnd)}) {
                control->setFocus();
                for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
                    QTest::keyClick(control, key);
                    EXPECT_TRUE(d.isVisible()) << control->objectName().toStdString();
                    EXPECT_EQ(d.result(), 0) << control->objectName().toStdString();
                }
            }
            QPushButton* button = c.Button(d);
            button->setFocus();
            QTest::keyClick(button, c.Key);
            if (d.isVisible())
                d.done(-1); // not pressed: close it so that the check below fails
        });
        EXPECT_TRUE(looked);
        EXPECT_EQ(result, c.Result);
        if (c.Result == irApply) {
            EXPECT_DOUBLE_EQ(dialog.GetBegin(), EncodeDateTime(2007, 11, 15, 8, 30, 0));
            EXPECT_EQ(dialog.GetEnd(), 0);
        }
    }
}

TEST(IntervalFormTest, TickingABoxEnablesItsPickersAndUntickingKeepsTheirValues)
{
    TDTIntervalForm dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.ckbBegin, Qt::LeftButton, {}, QPoint(5, dialog.ckbBegin->height() / 2));
    ASSERT_TRUE(dialog.ckbBegin->isChecked());
    EXPECT_TRUE(Whitened(dialog.dtpBeginDate));
    EXPECT_TRUE(Whitened(dialog.dtpBeginTime));
    EXPECT_TRUE(Greyed(dialog.dtpEndDate)); // the other end stays as it was

    dialog.dtpBeginDate->setDate(QDate(2007, 11, 15));
    dialog.dtpBeginTime->setTime(QTime(8, 30, 0));
    dialog.ckbBegin->click();
    EXPECT_TRUE(Greyed(dialog.dtpBeginDate));
    EXPECT_TRUE(Greyed(dialog.dtpBeginTime));
    EXPECT_EQ(dialog.dtpBeginDate->date(), QDate(2007, 11, 15));
    EXPECT_EQ(dialog.dtpBeginTime->time(), QTime(8, 30, 0));
    EXPECT_EQ(dialog.GetBegin(), 0);

    // Not a check box: nothing.
    dialog.EnableDateTime(dialog.btnOk);
    EXPECT_TRUE(Greyed(dialog.dtpBeginDate));
}

TEST(IntervalFormTest, TabGoesThroughTheEndsInOrder)
{
    TDTIntervalForm dialog;
    dialog.SetBegin(EncodeDateTime(2007, 11, 15, 8, 30, 0));
    dialog.SetEnd(EncodeDateTime(2007, 11, 15, 9, 30, 0));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.ckbBegin->setFocus();
    const std::vector<QWidget*> controls = {dialog.ckbBegin,   dialog.dtpBeginDate, dialog.dtpBeginTime,
                                            dialog.ckbEnd,     dialog.dtpEndDate,   dialog.dtpEndTime,
                                            dialog.btnOk,      dialog.btnCancel,    dialog.btnIgnore};
    // Tab also steps through a picker's day, month and year (the platform's
    // pickers); what counts is the order in which the controls get the focus.
    std::vector<QWidget*> visited = {dialog.ckbBegin};
    for (int press = 0; press < 40 && visited.size() < controls.size(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (QWidget* control : controls)
            if (HasFocus(control) && visited.back() != control)
                visited.push_back(control);
    }
    EXPECT_EQ(visited, controls);
}

TEST(IntervalFormTest, EndsGoInAndComeOut)
{
    const TDateTime nov15 = EncodeDateTime(2007, 11, 15, 8, 30, 0);
    TDTIntervalForm dialog;
    dialog.SetBegin(nov15);
    EXPECT_TRUE(dialog.ckbBegin->isChecked());
    EXPECT_TRUE(Whitened(dialog.dtpBeginDate));
    EXPECT_EQ(dialog.dtpBeginDate->date(), QDate(2007, 11, 15));
    EXPECT_EQ(dialog.dtpBeginTime->time(), QTime(8, 30, 0));
    EXPECT_DOUBLE_EQ(dialog.GetBegin(), nov15);

    // An open end leaves the box unticked and the pickers as they were;
    // reading it gives 0 whatever they show.
    dialog.dtpEndDate->setDate(QDate(2010, 1, 2));
    dialog.SetEnd(0);
    EXPECT_FALSE(dialog.ckbEnd->isChecked());
    EXPECT_EQ(dialog.dtpEndDate->date(), QDate(2010, 1, 2));
    EXPECT_EQ(dialog.GetEnd(), 0);
    dialog.SetEnd(0.75); // a time without a day is no end either
    EXPECT_FALSE(dialog.ckbEnd->isChecked());

    // A set end unticked again by an open one.
    dialog.SetBegin(0);
    EXPECT_FALSE(dialog.ckbBegin->isChecked());
    EXPECT_TRUE(Greyed(dialog.dtpBeginTime));

    // The day comes from the date picker, the time of day from the time picker.
    dialog.ckbEnd->setChecked(true);
    dialog.dtpEndDate->setDateTime(QDateTime(QDate(2007, 11, 15), QTime(13, 0, 0)));
    dialog.dtpEndTime->setDateTime(QDateTime(QDate(2001, 3, 4), QTime(23, 59, 59)));
    EXPECT_DOUBLE_EQ(dialog.GetEnd(), EncodeDateTime(2007, 11, 15, 23, 59, 59));
}
