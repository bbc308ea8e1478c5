// The dialog seam: every message box and file dialog of the program goes
// through TDialogs, so that tests can replace the real dialogs with a
// scripted fake and never wait on a modal window.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

enum class TMsgIcon { None, Information, Warning, Error, Question };

// Buttons and answers carry the modal results of the original toolkit.
enum TMsgButton : int {
    mbNone = 0,
    mbOK = 1,
    mbCancel = 2,
    mbYes = 6,
    mbNo = 7,
};
using TMsgButtons = int; // an or-ed set of TMsgButton values

struct TFileDialogOptions {
    QString Title;
    // "Description|*.ext|Other|*.*": pairs of description and pattern.
    QString Filter;
    int FilterIndex = 1; // 1-based; a save dialog reports the one chosen
    QString DefaultExt;  // without the dot
    QString InitialDir;
    QString FileName;    // proposed name; the chosen path on return
};

class TDialogs {
public:
    virtual ~TDialogs() = default;
    // True when the user chose a file; options.FileName holds its path.
    virtual bool OpenFileName(QWidget* parent, TFileDialogOptions& options) = 0;
    virtual bool SaveFileName(QWidget* parent, TFileDialogOptions& options) = 0;
    // A modal message box; returns the button pressed.
    virtual TMsgButton Message(QWidget* parent, const QString& title, const QString& text, TMsgIcon icon,
                               TMsgButtons buttons) = 0;
};

// The dialogs in use: the real Qt dialogs unless a test installed others.
TDialogs& Dialogs();
// Installs replacement dialogs (not owned); null restores the real ones.
void SetDialogs(TDialogs* dialogs);

// "A|*.a|B|*.*" as Qt name filters ("A (*.a)", "B (*.*)").
QStringList QtNameFilters(const QString& filter);
