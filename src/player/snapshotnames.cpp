// The names the save commands propose, and the extension that decides a
// snapshot's format.
#include "snapshotnames.h"

#include "container/mjpgheader.h"
#include "core/cp1251.h"
#include "core/datetime.h"

#include <algorithm>

namespace {
const char* const kNamePattern = "yyyy-mm-dd hh-nn-ss";
}

QString SnapshotFileNamePart(const QString& text)
{
    QString safe = text;
    for (QChar& c : safe)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('_');
    return safe;
}

QString DefaultSnapshotName(const TMJPGHeader& header, int32_t index)
{
    return QString::fromStdString(FormatDateTime(kNamePattern, header.EventTime)) + QLatin1Char(' ') +
           SnapshotFileNamePart(QString::fromStdString(Cp1251ToUtf8(header.Camera))) + QLatin1Char(' ') +
           QStringLiteral("Фрагмент №") + QString::number(index);
}

QString DefaultFragmentName(const TMJPGHeader& header)
{
    return QString::fromStdString(FormatDateTime(kNamePattern, header.EventTime));
}

QString UpperExtension(const QString& path)
{
    // From the last "." after the last path separator or drive colon.
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype separator = std::max({path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')),
                                          path.lastIndexOf(QLatin1Char(':'))});
    if (dot < 0 || dot < separator)
        return {};
    return path.mid(dot).toUpper();
}

