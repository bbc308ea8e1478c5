// TExportForm: what to export after the file is chosen: the frames (the
// whole fragment by default, the current frame at hand) and whether a
// manifest of SHA-256 digests goes beside the file.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QPushButton;
class QSpinBox;

class TExportForm : public QDialog {
    Q_OBJECT
public:
    // Frames 0..frameCount-1; `current` is the frame the player shows (-1: none).
    TExportForm(int32_t frameCount, int32_t current, QWidget* parent = nullptr);

    QSpinBox* edtFrom = nullptr;
    QSpinBox* edtTo = nullptr;
    QPushButton* btnWhole = nullptr;       // "Весь фрагмент"
    QPushButton* btnFromCurrent = nullptr; // "С текущего кадра"
    QPushButton* btnToCurrent = nullptr;   // "По текущий кадр"
    QCheckBox* ckbManifest = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    int32_t From() const;
    int32_t To() const;
    bool Manifest() const;

private:
    int32_t FLast;
    int32_t FCurrent;
};
