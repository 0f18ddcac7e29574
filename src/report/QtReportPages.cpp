#include "report/QtReportPages.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

#include "report/ReportPrinting.h"

namespace velmora::report {

namespace {

// Faces drawn to Courier New's metrics, so the columns of the report line up
// the same on a machine without it.
const char* const kCompatibleFaces[] = {"Liberation Mono", "Cousine", "Nimbus Mono PS"};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QString ReportFontFamily(const QString& wanted) {
    if (!wanted.isEmpty() && QFontDatabase::hasFamily(wanted)) return wanted;
    for (const char* face : kCompatibleFaces)
        if (QFontDatabase::hasFamily(face)) return face;
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QFont ReportPrintFont() {
    QFont font(ReportFontFamily("Courier New"));
    font.setPointSize(9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

int PaintReport(QPainter& painter, QPagedPaintDevice& device, const ReportPages& pages) {
    const QFont font = ReportPrintFont();
    painter.setFont(font);
    const QFontMetrics fm(font, &device);
    PrintMetrics metrics;
    metrics.pageWidth = device.width();
    metrics.pageHeight = device.height();
    metrics.textHeight = fm.height();
    metrics.charWidth = fm.horizontalAdvance(QLatin1Char('M'));
    const PrintLayout layout = LayOutReport(pages.lines, metrics, pages.title, pages.caption);

    // A rule about a quarter of a point wide, whatever the device's resolution.
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, device.logicalDpiY() / 288));
    painter.setPen(pen);
    for (std::size_t i = 0; i < layout.pages.size(); ++i) {
        if (i > 0 && !device.newPage()) return -1;
        const PrintPage& page = layout.pages[i];
        for (const PrintRule& r : page.rules) painter.drawLine(r.x1, r.y1, r.x2, r.y2);
        for (const PrintText& t : page.texts) painter.drawText(t.x, t.y + fm.ascent(), Q(t.text));
    }
    return int(layout.pages.size());
}

QByteArray RenderReportPdf(const ReportPages& pages, const QPageLayout& layout, int resolution,
                           const QString& documentTitle) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) return {};
        QPdfWriter writer(&buffer);
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        writer.setTitle(documentTitle);
        writer.setCreator("Velmora");
        QPainter painter;
        if (!painter.begin(&writer)) return {};
        const int count = PaintReport(painter, writer, pages);
        if (!painter.end() || count < 1) return {};
    }
    return bytes;
}

QPageLayout DefaultReportPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

}  // namespace velmora::report
