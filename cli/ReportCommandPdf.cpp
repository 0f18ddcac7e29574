// The printed pages of `velmora report --pdf`, painted without a display.
#include "ReportCommandPdf.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include "base/AtomicFile.h"
#include "base/Texts.h"
#include "report/QtReportPages.h"

namespace velmora::cli {

namespace {

// Qt's notes about the missing screen are no business of the command's user.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fputs((message + '\n').toLocal8Bit().constData(), stderr);
}

}  // namespace

std::string WriteReportPdf(const std::filesystem::path& target, const std::vector<std::string>& lines,
                           const std::string& caption) {
    // Fonts need a GUI application; one without a screen will do.
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQtMessages);
        static int argc = 1;
        static char name[] = "velmora";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const report::ReportPages pages{lines, Text(3440), caption};
    const QByteArray pdf =
        report::RenderReportPdf(pages, report::DefaultReportPageLayout(), report::kDefaultReportResolution,
                                QString::fromStdString(Text(3440)));
    if (pdf.isEmpty()) return "the report pages could not be painted";
    return WriteFileAtomically(target, std::string_view(pdf.constData(), std::size_t(pdf.size()))).message();
}

}  // namespace velmora::cli
