// The report window: printing to a PDF or a printer, saving, selecting and copying.
#include "report/FormReport1.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QtWidgets>

#include "base/Texts.h"
#include "report/ControllerReport.h"
#include "support/PdfPages.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

std::vector<std::string> Report() {
    std::vector<std::string> lines;
    for (int i = 1; i <= 150; ++i)
        lines.push_back("line " + std::to_string(i) + "\t(" + std::to_string(i) + ")");
    return lines;
}

class FormReport1Test : private testing::WithUiApp, public ::testing::Test {
protected:
    FormReport1Test() {
        form.SetMessages(&messages);
        form.SetReport(Report());
        form.SetSaveFolder(dir.path());
    }
    int entries() { return testing::EntriesIn(dir.path()); }
    testing::TempDir dir;
    testing::ScriptedMessages messages;
    TFormReport1 form;
};

// Only a finished job leaves a file, a failing one says why, none touches the report.
TEST_F(FormReport1Test, PrintJobsLoseNothing) {
    const struct {
        const char* name;
        bool accept;
        std::string file;  // PDF output in dir; empty: the system's printer
        bool printed;
    } cases[] = {
        {"cancelled", false, "report.pdf", false},
        {"to PDF", true, "report.pdf", true},
        {"PDF into a missing folder", true, "missing/report.pdf", false},
        {"printer that refuses the job", true, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        const auto pdf = dir.path() / c.file;
        form.askPrinter = [&](QPrinter& printer) {
            printer.setOutputFormat(c.file.empty() ? QPrinter::NativeFormat : QPrinter::PdfFormat);
            if (c.file.empty())
                printer.setPrinterName("velmora-no-such-printer");
            else
                printer.setOutputFileName(QString::fromStdString(pdf.string()));
            return c.accept;
        };
        form.miPrint1Click();
        EXPECT_EQ(form.Lines(), Report());
        EXPECT_EQ(entries(), c.printed ? 1 : 0);
        const bool failed = c.accept && !c.printed;
        ASSERT_EQ(messages.shown.size(), failed ? 1u : 0u);
        EXPECT_TRUE(!failed || messages.shown[0].icon == MessageIcon::Stop);
        if (!c.printed) continue;
        EXPECT_EQ(testing::PdfPageCount(testing::ReadBytes(pdf)), 3) << "150 lines on A4 or Letter";
        std::filesystem::remove(pdf);
    }
}

TEST_F(FormReport1Test, SaveWritesTheWholeReportOrNothing) {
    const auto existing = dir.path() / "Controllers information.txt";
    testing::WriteBytes(existing, "an older report\n");
    const struct {
        const char* name;
        std::optional<std::filesystem::path> target;
        std::string expected;  // content of `existing` afterwards
    } cases[] = {
        {"cancelled", std::nullopt, "an older report\n"},
        {"into a missing folder", dir.path() / "missing" / "r.txt", "an older report\n"},
        {"over the older report", existing, JoinReport(Report())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        form.chooseSaveFile = [&](const std::filesystem::path& folder, const QString& name) {
            EXPECT_EQ(folder, dir.path());
            EXPECT_EQ(name.toStdString(), Text(3440));
            return c.target;
        };
        form.miSave1Click();
        EXPECT_EQ(std::tuple(testing::ReadBytes(existing), entries()), std::tuple(c.expected, 1));
        EXPECT_EQ(messages.shown.size(), c.target && c.target != existing ? 1u : 0u);
    }
}

TEST_F(FormReport1Test, DoubleClickSelectsAllAndCopyTakesTheSelection) {
    form.SetReport({"first", "second\t(2)"});
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.findChild<QPlainTextEdit*>("Memo1")->viewport(), &click);
    form.miCopy1Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\nsecond\t(2)");
}

}  // namespace
}  // namespace velmora
