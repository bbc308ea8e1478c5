// TDTIntervalForm: the modal dialog in which the user chooses the interval
// of a list request. Each end is open (its box unticked) or a date plus a
// time of day in two pickers. It sends nothing itself: its owner fills it,
// shows it and acts on the button that closed it.
#pragma once

#include "core/datetime.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QPushButton;
class QTimeEdit;

// The dialog's modal results.
enum TIntervalResult : int {
    irApply = 1,  // "Применить"
    irCancel = 2, // "Отмена", or the window closed
    irClear = 5,  // "Очистить"
};

class TDTIntervalForm : public QDialog {
    Q_OBJECT
public:
    explicit TDTIntervalForm(QWidget* owner = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* ckbBegin = nullptr;
    QDateEdit* dtpBeginDate = nullptr;
    QTimeEdit* dtpBeginTime = nullptr;
    QCheckBox* ckbEnd = nullptr;
    QDateEdit* dtpEndDate = nullptr;
    QTimeEdit* dtpEndTime = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnIgnore = nullptr;

    // Sets all four pickers to the current local date and time.
    void FormCreate();
    // Enables (window colour) or disables (button-face colour) the pickers
    // of the box that sent it, after its tick.
    void EnableDateTime(QObject* sender);
    // Unticks both boxes.
    void btnIgnoreClick();

    // A value whose whole days are not 0 fills the pickers and ticks the
    // box; any other leaves the box unticked and the pickers as they are.
    void SetBegin(TDateTime value);
    void SetEnd(TDateTime value);
    // 0 when the box is unticked; otherwise the date picker's day plus the
    // time picker's time of day.
    TDateTime GetBegin() const;
    TDateTime GetEnd() const;

    // Shows the dialog modally; returns a TIntervalResult.
    int ShowModal();

    void reject() override; // closing the window: "Отмена"

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    // One end of the interval: its box and its two pickers.
    static void FillEnd(TDateTime value, QCheckBox* box, QDateEdit* date, QTimeEdit* time);
    static TDateTime ReadEnd(const QCheckBox* box, const QDateEdit* date, const QTimeEdit* time);
};
