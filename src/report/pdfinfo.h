// Adding document information fields that QPdfWriter cannot set (author,
// subject) to a finished PDF file, as an incremental update.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Fields by their PDF key without the slash ("Author", "Subject"). The file's
// own Info dictionary is copied with these fields added or replaced and
// appended with a new cross-reference section, which every reader takes
// over the original. Raises EError when the file is not a PDF it understands.
void AddPdfInfo(const QString& path, const QList<QPair<QByteArray, QString>>& fields);

// Same on the bytes in memory; returns the updated file.
QByteArray AddPdfInfo(const QByteArray& pdf, const QList<QPair<QByteArray, QString>>& fields);
