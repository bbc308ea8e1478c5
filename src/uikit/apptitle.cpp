// The application's title, set once by the entry point.
#include "apptitle.h"

#include <QWidget>

namespace {
QString& Title()
{
    static QString title;
    return title;
}
} // namespace

void SetApplicationTitle(const QString& title)
{
    Title() = title;
}

QString ApplicationTitle()
{
    return Title();
}

QString MessageTitle(const QWidget* parent)
{
    return parent ? parent->window()->windowTitle() : ApplicationTitle();
}
