// Writing a prepared report as RTF. Positions are twips from the paper's
// corner; characters outside ASCII are written as \u escapes.
#include "rtfexport.h"

#include "core/errors.h"
#include "layout.h"
#include "textmetrics.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <map>

namespace {

int Twips(double mm)
{
    return qRound(mm * 1440 / 25.4);
}

QByteArray Num(double mm)
{
    return QByteArray::number(Twips(mm));
}

QByteArray Escape(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\line ";
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x80) {
            out += char(u);
        } else if (u >= 0x20) {
            out += "\\u" + QByteArray::number(static_cast<short>(u)) + "?";
        }
    }
    return out;
}

QByteArray Font(const TReportFont& font)
{
    return "\\f0\\fs" + QByteArray::number(qRound(font.PointSize * 2)) + " ";
}

QByteArray Align(THorzAlign align)
{
    return align == THorzAlign::Right ? "\\qr" : align == THorzAlign::Center ? "\\qc" : "\\ql";
}

QByteArray PictureHex(const TPreparedPicture& picture, QByteArray& kind)
{
    QByteArray bytes = picture.Jpeg;
    kind = "\\jpegblip";
    if (bytes.isEmpty()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.Picture.save(&buffer, "PNG");
        kind = "\\pngblip";
    }
    QByteArray hex = bytes.toHex();
    QByteArray wrapped;
    for (qsizetype i = 0; i < hex.size(); i += 128)
        wrapped += hex.mid(i, 128) + "\n";
    return wrapped;
}

// A frame placed on the page, holding one paragraph: exactly as high as
// given, or at least that high (a word processor whose font is larger than
// ours then lets a wrapping text take more lines instead of hiding them).
QByteArray Frame(const QRectF& r, const QByteArray& paragraphFormat, const QByteArray& content,
                 bool atLeastHeight = false)
{
    return "{\\pard\\plain\\pvpg\\phpg\\posx" + Num(r.left()) + "\\posy" + Num(r.top()) + "\\absw" +
           Num(std::max(r.width(), 0.1)) + (atLeastHeight ? "\\absh" : "\\absh-") + Num(std::max(r.height(), 0.1)) +
           "\\nowrap" + paragraphFormat + " " + content + "\\par}\n";
}

// The objects of a page header or footer as lines of text: objects at about
// the same height share a line, a right-aligned one after a right tab.
QByteArray HeaderFooterText(const TPreparedPage& page, TBandKind band, const char* destination)
{
    const TPreparedBand* placed = nullptr;
    for (const auto& b : page.Bands)
        if (b.Kind == band)
            placed = &b;
    if (!placed)
        return {};
    std::map<int, std::vector<const TPreparedText*>> rows; // by top, in whole millimetres
    for (const auto& text : page.Texts)
        if (text.Band == band && !text.Text.isEmpty())
            rows[int(std::floor(text.Rect.top() - placed->Rect.top()))].push_back(&text);
    std::vector<double> lines;
    for (const auto& line : page.Lines)
        if (line.Band == band)
            lines.push_back(line.From.y() - placed->Rect.top());

    // Merge rows that are less than a line apart (tops of 0 and 1 mm).
    std::vector<std::pair<double, std::vector<const TPreparedText*>>> merged;
    for (auto& [top, texts] : rows) {
        if (!merged.empty() && top - merged.back().first < 2)
            merged.back().second.insert(merged.back().second.end(), texts.begin(), texts.end());
        else
            merged.emplace_back(top, texts);
    }

    // A line becomes the top border of the first row below it, or the bottom
    // border of the last row when none is below.
    std::vector<QByteArray> borders(merged.size());
    for (double y : lines) {
        size_t row = 0;
        while (row < merged.size() && merged[row].first + 0.5 < y)
            ++row;
        if (row < merged.size())
            borders[row] += "\\brdrt\\brdrs\\brdrw10\\brsp20";
        else if (!merged.empty())
            borders.back() += "\\brdrb\\brdrs\\brdrw10\\brsp20";
    }

    const QByteArray rightTab = "\\tqr\\tx" + Num(page.Settings.ContentWidth());
    QByteArray out = QByteArray("{\\") + destination + " ";
    for (size_t row = 0; row < merged.size(); ++row) {
        auto& texts = merged[row].second;
        std::sort(texts.begin(), texts.end(),
                  [](const TPreparedText* a, const TPreparedText* b) { return a->Rect.left() < b->Rect.left(); });
        out += "\\pard\\plain" + rightTab + borders[row] + Font(texts.front()->Font);
        bool first = true;
        for (const TPreparedText* text : texts) {
            if (!first || text->HAlign == THorzAlign::Right)
                out += "\\tab ";
            out += Escape(text->Text);
            first = false;
        }
        out += "\\par\n";
    }
    return out + "}\n";
}

} // namespace

QByteArray ExportRtfBytes(const TPreparedReport& report, const TRtfExportSettings& settings)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n";
    const QByteArray family = report.Pages.empty() || report.Pages.front().Texts.empty()
                                  ? QByteArray("Arial")
                                  : report.Pages.front().Texts.front().Font.Family.toUtf8();
    rtf += "{\\fonttbl{\\f0\\fswiss\\fcharset204 " + family + ";}}\n";
    rtf += "{\\*\\generator " + Escape(settings.Creator) + ";}\n";
    rtf += "{\\info{\\title " + Escape(report.Name) + "}{\\author " + Escape(settings.Creator) + "}{\\operator " +
           Escape(settings.Creator) + "}}\n";
    for (size_t i = 0; i < report.Pages.size(); ++i) {
        const TPreparedPage& page = report.Pages[i];
        const TPageSettings& s = page.Settings;
        if (i > 0)
            rtf += "\\sect\n";
        QByteArray header, footer;
        if (settings.HeaderFooterAsText) {
            header = HeaderFooterText(page, TBandKind::PageHeader, "header");
            footer = HeaderFooterText(page, TBandKind::PageFooter, "footer");
        }
        double headerHeight = 0, footerHeight = 0;
        for (const auto& b : page.Bands) {
            if (b.Kind == TBandKind::PageHeader)
                headerHeight += b.Rect.height();
            if (b.Kind == TBandKind::PageFooter)
                footerHeight += b.Rect.height();
        }
        rtf += (i == 0 ? QByteArray("\\paperw") : QByteArray("\\sectd\\pgwsxn")) + Num(page.Width) +
               (i == 0 ? "\\paperh" : "\\pghsxn") + Num(page.Height) + (s.Landscape ? "\\lndscpsxn" : "") +
               "\\margl" + Num(s.LeftMargin) + "\\margr" + Num(s.RightMargin) + "\\margt" +
               Num(s.TopMargin + headerHeight) + "\\margb" + Num(s.BottomMargin + footerHeight) + "\\headery" +
               Num(s.TopMargin) + "\\footery" + Num(s.BottomMargin) + "\n";
        rtf += header + footer;

        for (const TPreparedPicture& picture : page.Pictures) {
            if (!settings.HeaderFooterAsText || (picture.Band != TBandKind::PageHeader && picture.Band != TBandKind::PageFooter)) {
                QByteArray kind;
                const QByteArray hex = PictureHex(picture, kind);
                const QByteArray content = "{\\pict" + kind + "\\picw" + QByteArray::number(picture.Picture.width()) +
                                           "\\pich" + QByteArray::number(picture.Picture.height()) + "\\picwgoal" +
                                           Num(picture.Rect.width()) + "\\pichgoal" + Num(picture.Rect.height()) +
                                           "\n" + hex + "}";
                rtf += Frame(picture.Rect, "\\ql", content);
            }
        }
        for (const TPreparedText& text : page.Texts) {
            if (settings.HeaderFooterAsText && (text.Band == TBandKind::PageHeader || text.Band == TBandKind::PageFooter))
                continue;
            if (text.Text.isEmpty())
                continue;
            QRectF inner = text.Rect.adjusted(TextGapX, TextGapY, -TextGapX, 0);
            bool wraps = text.WordWrap;
            if (!text.WordWrap) {
                // A text that never wraps runs past its object in the preview;
                // a word processor would wrap it inside a narrow frame and hide
                // the rest, so the frame takes the text's width (with a little
                // room for the word processor's own measuring), up to the
                // page's margins. Held there, it may wrap after all.
                const double needed = TextWidthMm(text.Font, text.Text) * 1.05 + 0.5;
                if (needed > inner.width()) {
                    if (text.HAlign == THorzAlign::Right)
                        inner.setLeft(std::max(s.LeftMargin, inner.right() - needed));
                    else
                        inner.setWidth(std::min(needed, page.Width - s.RightMargin - inner.left()));
                    wraps = inner.width() < needed;
                }
            }
            rtf += Frame(inner, Align(text.HAlign), Font(text.Font) + Escape(text.Text), wraps);
        }
        for (const TPreparedLine& line : page.Lines) {
            if (settings.HeaderFooterAsText && (line.Band == TBandKind::PageHeader || line.Band == TBandKind::PageFooter))
                continue;
            const QRectF r(line.From, QSizeF(line.To.x() - line.From.x(), 0.5));
            rtf += Frame(r, "\\brdrt\\brdrs\\brdrw10\\fs2", QByteArray());
        }
    }
    rtf += "}\n";
    return rtf;
}

void ExportRtf(const TPreparedReport& report, const QString& path, const TRtfExportSettings& settings)
{
    const QByteArray bytes = ExportRtfBytes(report, settings);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush())
        throw EError(QStringLiteral("Не удаётся записать файл %1: %2").arg(path, file.errorString()).toStdString());
}
