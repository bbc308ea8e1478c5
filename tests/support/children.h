// A window's component by its object name, as Qt's own tests reach a
// widget or an action that the window keeps to itself (QObject::findChild).
// A component that is not there raises (and so fails the test).
#pragma once

#include <QAction>
#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

template <class T = QAction>
T* Child(const QObject& window, const char* name)
{
    T* child = window.findChild<T*>(QLatin1String(name));
    if (!child)
        throw std::runtime_error(std::string("no component named ") + name);
    return child;
}
