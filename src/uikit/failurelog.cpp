// The failure log over Qt's message handler.
#include "failurelog.h"

#include "core/failures.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcFailures, "mjpgplayer.failures")
}

void LogCurrentFailure(const QString& what)
{
    qCWarning(lcFailures).noquote() << what + QStringLiteral(": ") + QString::fromStdString(CurrentFailureText());
}

void RouteFailuresToLog()
{
    SetFailureSink([](const std::string& what, const std::string& reason) {
        qCWarning(lcFailures).noquote() << QString::fromStdString(what) + QStringLiteral(": ") +
                                               QString::fromStdString(reason);
    });
}
