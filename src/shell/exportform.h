// TExportForm: what to export after the file is chosen: the frames (the
// whole fragment by default, the current frame at hand), the recorder's
// time zone (this computer's offset by default) and whether a manifest of
// SHA-256 digests goes beside the file; the operator named in an MP4, and
// whether to sign with which key and certificate (remembered between runs,
// each chosen in an open dialog through its "..." button).
// TVerifyForm: what "Проверить экспорт..." checks: the exported video and,
// optionally, the certificate authorities trusted to vouch for its signer.
#pragma once

#include "uikit/dialogs.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TExportForm : public QDialog {
    Q_OBJECT
public:
    // Frames 0..frameCount-1; `current` is the frame the player shows (-1:
    // none); `localOffset` is this computer's UTC offset in minutes at the
    // event's date, the zone proposed.
    TExportForm(int32_t frameCount, int32_t current, int localOffset, QWidget* parent = nullptr);

    QSpinBox* edtFrom = nullptr;
    QSpinBox* edtTo = nullptr;
    QPushButton* btnWhole = nullptr;       // "Весь фрагмент"
    QPushButton* btnFromCurrent = nullptr; // "С текущего кадра"
    QPushButton* btnToCurrent = nullptr;   // "По текущий кадр"
    QComboBox* cmbTimeZone = nullptr; // "Часовой пояс записи"
    QCheckBox* ckbManifest = nullptr;
    QLineEdit* edtOperator = nullptr;  // "Оператор", the login name by default
    QCheckBox* ckbSign = nullptr;      // "Подписать"
    QLineEdit* edtSignKey = nullptr;   // the key's PEM file
    QPushButton* btnSignKey = nullptr; // "...": the key chosen in an open dialog
    QLineEdit* edtSignCert = nullptr;  // the certificate's PEM file
    QPushButton* btnSignCert = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    int32_t From() const;
    int32_t To() const;
    bool Manifest() const;
    // The recorder's UTC offset in minutes; none when "не известен" is chosen.
    std::optional<int> UtcOffset() const;
    // Whether the offset is the one proposed (this computer's).
    bool ProposedOffset() const;
    std::string Operator() const;
    bool Sign() const;
    QString SignKey() const;
    QString SignCert() const;

    // "Экспортировать": the signing choice is remembered for the next time.
    void accept() override;

private:
    int32_t FLast;
    int32_t FCurrent;
    int FLocalOffset;
    TFileDialogOptions FKeyDialog;
    TFileDialogOptions FCertDialog;
};

// "Проверить экспорт": the export to check (its "..." opens the file dialog
// `exportDialog` describes, which keeps the folder chosen) and the file of
// trusted certificate authorities (PEM), empty for the system's; the
// authorities are remembered between runs.
class TVerifyForm : public QDialog {
    Q_OBJECT
public:
    explicit TVerifyForm(TFileDialogOptions& exportDialog, QWidget* parent = nullptr);

    QLineEdit* edtExport = nullptr;
    QPushButton* btnExport = nullptr; // "..."
    QLineEdit* edtCaFile = nullptr;
    QPushButton* btnCaFile = nullptr; // "..."
    QPushButton* btnOK = nullptr;     // "Проверить", enabled once an export is named
    QPushButton* btnCancel = nullptr;

    QString ExportPath() const;
    QString CaFile() const;

    // "Проверить": the authorities' file is remembered for the next time.
    void accept() override;

private:
    TFileDialogOptions FCaDialog;
};
