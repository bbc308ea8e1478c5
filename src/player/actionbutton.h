// TActionButton: a tool-bar button that shows one action (and may switch to
// another one). It is shown while its action is visible, unless the button
// itself is hidden.
#pragma once

#include <QToolButton>

class QToolBar;

class TActionButton : public QToolButton {
    Q_OBJECT
public:
    // Creates the button at the end of the tool bar.
    TActionButton(QToolBar* toolBar, const char* name, QAction* action);

    QAction* Action() const { return defaultAction(); }
    void SetAction(QAction* action);
    // A hidden button stays hidden whatever its action's visibility.
    void SetButtonVisible(bool visible);
    bool ButtonVisible() const { return FButtonVisible; }
    // A held button is drawn pressed until it is let go, whatever the mouse
    // does with it meanwhile (a press dragged off it included).
    void SetHeldDown(bool held);
    bool HeldDown() const { return FHeldDown; }

protected:
    void actionEvent(QActionEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SyncVisibility();

    QAction* FPlace = nullptr; // the tool bar's entry that holds the button
    bool FButtonVisible = true;
    bool FHeldDown = false;
};
