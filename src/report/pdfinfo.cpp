// An incremental update of a PDF file's Info dictionary: a new version of
// the Info object, a cross-reference section for it and a trailer that
// points back at the previous one.
#include "pdfinfo.h"

#include "core/errors.h"

#include <QFile>
#include <QRegularExpression>

namespace {

[[noreturn]] void Fail(const char* what)
{
    throw EError(std::string("Не удаётся записать сведения о документе PDF: ") + what);
}

// Text strings as UTF-16BE with a byte order mark, the form that carries
// any character.
QByteArray PdfTextString(const QString& text)
{
    QByteArray hex = "<FEFF";
    for (const QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

QByteArray Capture(const QByteArray& text, const char* pattern)
{
    const QRegularExpressionMatch match = QRegularExpression(QString::fromLatin1(pattern)).match(QString::fromLatin1(text));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

// The value of /Key in a dictionary text: a reference, a name, a number, a
// string (...) or <...> without nesting, which is what Info entries hold.
QByteArray RemoveKey(QByteArray dict, const QByteArray& key)
{
    const QRegularExpression entry(
        QStringLiteral("/%1\\s*(\\((?:\\\\.|[^\\\\)])*\\)|<[^>]*>|\\d+\\s+\\d+\\s+R|/[^\\s/<>\\[\\]()]+|[-+.\\d]+)")
            .arg(QString::fromLatin1(key)));
    return QString::fromLatin1(dict).remove(entry).toLatin1();
}

} // namespace

QByteArray AddPdfInfo(const QByteArray& pdf, const QList<QPair<QByteArray, QString>>& fields)
{
    const qsizetype startxrefAt = pdf.lastIndexOf("startxref");
    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    if (startxrefAt < 0 || trailerAt < 0 || trailerAt > startxrefAt)
        Fail("нет заключительной части файла");
    const QByteArray trailer = pdf.mid(trailerAt, startxrefAt - trailerAt);
    const QByteArray previousXref = Capture(pdf.mid(startxrefAt), "startxref\\s+(\\d+)");
    const QByteArray size = Capture(trailer, "/Size\\s+(\\d+)");
    const QByteArray root = Capture(trailer, "/Root\\s+(\\d+\\s+\\d+\\s+R)");
    const QByteArray infoNumber = Capture(trailer, "/Info\\s+(\\d+)\\s+\\d+\\s+R");
    if (previousXref.isEmpty() || size.isEmpty() || root.isEmpty())
        Fail("нет ссылок заключительной части");

    QByteArray dict;
    QByteArray objectNumber = infoNumber;
    if (!infoNumber.isEmpty()) {
        const qsizetype objectAt = pdf.lastIndexOf("\n" + infoNumber + " 0 obj");
        const qsizetype open = objectAt < 0 ? -1 : pdf.indexOf("<<", objectAt);
        const qsizetype close = open < 0 ? -1 : pdf.indexOf(">>", open);
        if (close < 0)
            Fail("нет словаря сведений");
        dict = pdf.mid(open + 2, close - open - 2);
    } else {
        objectNumber = size;
    }
    for (const auto& [key, value] : fields)
        dict = RemoveKey(dict, key);
    dict = dict.trimmed();
    for (const auto& [key, value] : fields)
        dict += "\n/" + key + " " + PdfTextString(value);

    QByteArray result = pdf;
    if (!result.endsWith('\n'))
        result += '\n';
    const qsizetype objectOffset = result.size();
    result += objectNumber + " 0 obj\n<<\n" + dict.trimmed() + "\n>>\nendobj\n";
    const qsizetype xrefOffset = result.size();
    const QByteArray newSize = QByteArray::number(std::max(size.toLongLong(), objectNumber.toLongLong() + 1));
    result += "xref\n" + objectNumber + " 1\n" + QByteArray::number(objectOffset).rightJustified(10, '0') +
              " 00000 n\r\n";
    result += "trailer\n<<\n/Size " + newSize + "\n/Root " + root + "\n/Info " + objectNumber + " 0 R\n/Prev " +
              previousXref + "\n>>\nstartxref\n" + QByteArray::number(xrefOffset) + "\n%%EOF\n";
    return result;
}

void AddPdfInfo(const QString& path, const QList<QPair<QByteArray, QString>>& fields)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EError(QStringLiteral("Не удаётся открыть файл %1: %2").arg(path, file.errorString()).toStdString());
    const QByteArray updated = AddPdfInfo(file.readAll(), fields);
    file.close();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(updated) != updated.size() ||
        !file.flush())
        throw EError(QStringLiteral("Не удаётся записать файл %1: %2").arg(path, file.errorString()).toStdString());
}
