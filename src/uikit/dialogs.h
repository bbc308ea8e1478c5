// The dialog seam: every message box and file dialog of the program goes
// through TDialogs, so that tests can replace the real dialogs with a
// scripted fake and never wait on a modal window.
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>

class QWidget;

enum class TMsgIcon { None, Information, Warning, Error, Question };

// The buttons a message box offers: a set of flags.
enum class TMsgButton : unsigned {
    OK = 1u << 0,
    Cancel = 1u << 1,
    Yes = 1u << 2,
    No = 1u << 3,
};
Q_DECLARE_FLAGS(TMsgButtons, TMsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgButtons)

inline constexpr TMsgButton mbOK = TMsgButton::OK;
inline constexpr TMsgButton mbCancel = TMsgButton::Cancel;
inline constexpr TMsgButton mbYes = TMsgButton::Yes;
inline constexpr TMsgButton mbNo = TMsgButton::No;

// The answer: the modal result of the button pressed (the toolkit's numbers).
// A distinct type, so that an answer is never compared with a button set.
enum class TModalResult : int {
    None = 0,
    OK = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

inline constexpr TModalResult mrNone = TModalResult::None;
inline constexpr TModalResult mrOK = TModalResult::OK;
inline constexpr TModalResult mrCancel = TModalResult::Cancel;
inline constexpr TModalResult mrYes = TModalResult::Yes;
inline constexpr TModalResult mrNo = TModalResult::No;

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
    // A modal message box offering `buttons` (OK alone when empty); returns
    // the modal result of the button pressed. Closing the box without a
    // button (Esc, the title bar) answers Cancel, or No when there is no
    // Cancel, or OK when OK is the only button.
    virtual TModalResult Message(QWidget* parent, const QString& title, const QString& text, TMsgIcon icon,
                                 TMsgButtons buttons) = 0;
};

// Room a title bar takes beside its title: the window's icon and its buttons.
constexpr int TitleBarRoom = 110;
// The width a window needs to show its whole title in a title bar: the
// title in the bold face title bars use, and the bar's room beside it.
int TitleBarWidth(const QWidget& window);

// The dialogs in use: the real Qt dialogs unless a test installed others.
TDialogs& Dialogs();
// The real Qt dialogs, whatever is installed.
TDialogs& QtDialogs();
// Installs replacement dialogs (not owned); null restores the real ones.
void SetDialogs(TDialogs* dialogs);

// "A|*.a|B|*.*" as Qt name filters ("A (*.a)", "B (*)"). A description that
// already shows its pattern in parentheses gets no second one, and "*.*"
// matches every file, also one without an extension.
QStringList QtNameFilters(const QString& filter);

// The extension a save dialog gives a name of the type chosen: the filter's
// own ("Файлы JPG (*.jpg)" gives "jpg"), else the default one.
QString SaveExtension(const QString& qtFilter, const QString& defaultExt);
// The proposed name with that extension: a name like "Камера 1.2 Фрагмент №0"
// has no extension of the type, whatever follows its last dot.
QString NameWithExtension(const QString& name, const QString& extension);
