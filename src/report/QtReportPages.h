#pragma once
// The printed report painted with Qt: the same pages on a printer, in a PDF
// from the print dialog and in the PDF that `velmora report --pdf` writes.
// Only Qt Gui is used here, so the command line can paint without widgets.
#include <QByteArray>
#include <QFont>
#include <QPageLayout>
#include <QString>

#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace velmora::report {

// "Courier New" 9 pt, or the first metric-compatible face installed
// (Liberation Mono, Cousine, Nimbus Mono PS), else the system's fixed font.
QFont ReportPrintFont();

// One family for a fixed-pitch report font: `wanted` when installed, else the
// first metric-compatible face, else the system's fixed font.
QString ReportFontFamily(const QString& wanted);

struct ReportPages {
    std::vector<std::string> lines;
    std::string title;    // first on every header line
    std::string caption;  // right-aligned on it: "group - PLC"
};

// Paints the pages on a painter that is active on `device`, opening a new
// device page between pages. Returns the number of pages painted, or -1 when
// the device refused a new page.
int PaintReport(QPainter& painter, QPagedPaintDevice& device, const ReportPages& pages);

// The PDF document of the pages, or empty when it could not be painted.
QByteArray RenderReportPdf(const ReportPages& pages, const QPageLayout& layout, int resolution,
                           const QString& documentTitle);

// A4 portrait with 10 mm margins at 1200 dpi: the headless command's page.
QPageLayout DefaultReportPageLayout();
inline constexpr int kDefaultReportResolution = 1200;

}  // namespace velmora::report
