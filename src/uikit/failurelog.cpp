// The failure log over Qt's message handler.
#include "failurelog.h"

#include "core/failures.h"

#include <QLoggingCategory>

#include <exception>

namespace {
Q_LOGGING_CATEGORY(lcFailures, "mjpgplayer.failures")
}

QString CurrentExceptionText()
{
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return QStringLiteral("неизвестная ошибка");
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("неизвестная ошибка");
    }
}

void LogCurrentFailure(const QString& what)
{
    qCWarning(lcFailures).noquote() << what + QStringLiteral(": ") + CurrentExceptionText();
}

void RouteFailuresToLog()
{
    SetFailureSink([](const std::string& what, const std::string& reason) {
        qCWarning(lcFailures).noquote() << QString::fromStdString(what) + QStringLiteral(": ") +
                                               QString::fromStdString(reason);
    });
}
