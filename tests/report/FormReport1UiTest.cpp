// The report window: printing to a PDF or a printer, saving, selecting and copying.
#include "report/FormReport1.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPrinter>

#include "PdfPages.h"
#include "base/Texts.h"
#include "report/ControllerReport.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

using testing::ScriptedMessages;
using testing::TempDir;

std::vector<std::string> Report(int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back("line " + std::to_string(i) + "\t(" + std::to_string(i) + ")");
    return lines;
}

int EntriesIn(const std::filesystem::path& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

class FormReport1Test : public ::testing::Test {
protected:
    FormReport1Test() {
        testing::UiApp();
        form = std::make_unique<TFormReport1>();
        form->SetMessages(&messages);
        form->SetPrintCaption("Plant - PLC1");
        form->SetReport(Report(150));
    }
    QPlainTextEdit* memo() { return form->findChild<QPlainTextEdit*>("Memo1"); }

    TempDir dir;
    ScriptedMessages messages;
    std::unique_ptr<TFormReport1> form;
};

// Cancelled, failing and finished print jobs: only a finished one leaves a
// file, a failing one says why, and none of them touches the report.
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
        const QString before = memo()->toPlainText();
        const auto pdf = dir.path() / c.file;
        form->askPrinter = [&](QPrinter& printer) {
            if (c.file.empty()) {
                printer.setOutputFormat(QPrinter::NativeFormat);
                printer.setPrinterName("velmora-no-such-printer");
            } else {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(QString::fromStdString(pdf.string()));
            }
            return c.accept;
        };
        form->miPrint1Click();
        EXPECT_EQ(memo()->toPlainText(), before);
        EXPECT_EQ(!c.file.empty() && std::filesystem::exists(pdf), c.printed);
        EXPECT_EQ(EntriesIn(dir.path()), c.printed ? 1 : 0) << "no temporary file stays behind";
        const bool failed = c.accept && !c.printed;
        ASSERT_EQ(messages.shown.size(), failed ? 1u : 0u);
        if (failed) EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
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
        bool error;
    } cases[] = {
        {"cancelled", std::nullopt, "an older report\n", false},
        {"into a missing folder", dir.path() / "missing" / "r.txt", "an older report\n", true},
        {"over a folder", dir.path(), "an older report\n", true},
        {"over the older report", existing, JoinReport(Report(150)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        form->SetSaveFolder(dir.path());
        form->chooseSaveFile = [&](const std::filesystem::path& folder, const QString& name) {
            EXPECT_EQ(folder, dir.path());
            EXPECT_EQ(name.toStdString(), Text(3440));
            return c.target;
        };
        form->miSave1Click();
        EXPECT_EQ(testing::ReadBytes(existing), c.expected);
        EXPECT_EQ(EntriesIn(dir.path()), 1) << "no temporary file stays behind";
        EXPECT_EQ(messages.shown.size(), c.error ? 1u : 0u);
    }
}

TEST_F(FormReport1Test, DoubleClickSelectsAllAndCopyTakesTheSelection) {
    form->SetReport({"first", "second\t(2)"});
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(memo()->viewport(), &click);
    EXPECT_EQ(memo()->textCursor().selectedText(), QString("first") + QChar(0x2029) + "second\t(2)");
    form->miCopy1Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "first\nsecond\t(2)");
    EXPECT_EQ(form->Lines(), (std::vector<std::string>{"first", "second\t(2)"}));
}

}  // namespace
}  // namespace velmora
