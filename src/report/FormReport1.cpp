#include "report/FormReport1.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

#include <algorithm>

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "report/ControllerReport.h"
#include "report/QtReportPages.h"

namespace velmora {

namespace {

QString QText(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}

QAction* MakeAction(QWidget* form, QMenu* menu, const char* name, const QKeySequence& keys) {
    auto* action = new QAction(form);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    form->addAction(action);  // the keys work wherever the focus is in the view
    menu->addAction(action);
    return action;
}

// Paths cross as UTF-16 on Windows, where the narrow form loses characters.
std::filesystem::path PathOf(const QString& file) {
#ifdef _WIN32
    return std::filesystem::path(file.toStdWString());
#else
    return std::filesystem::path(file.toStdString());
#endif
}

QString QPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.wstring());
#else
    return QString::fromStdString(path.string());
#endif
}

// What went wrong in the loaded language, then which printer it was.
std::string PrinterFailure(const QPrinter& printer, std::string_view what) {
    const QString name = printer.printerName();
    return OwnText(what) + (name.isEmpty() ? std::string() : "\n" + name.toStdString());
}

// Tab stops every 8 characters; measured unrounded, or the columns drift by a
// fraction of a pixel per character.
void SetMemoFont(QPlainTextEdit* memo, const QFont& font) {
    memo->setFont(font);
    memo->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
}

// Editor font sizes outside this range come from a broken host setting.
constexpr int kMinFontSize = 4;
constexpr int kMaxFontSize = 96;

}  // namespace

TFormReport1::TFormReport1(QWidget* owner) : QWidget(owner) {
    setObjectName("FormReport1");
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    Memo1->viewport()->installEventFilter(this);
    // Fixed pitch until the host's editor font arrives.
    QFont fixed(report::ReportFontFamily("Courier New"));
    fixed.setPointSize(10);
    SetMemoFont(Memo1, fixed);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Memo1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    miSave1 = MakeAction(this, PopupMenu1, "miSave1", QKeySequence(Qt::CTRL | Qt::Key_S));
    miPrint1 = MakeAction(this, PopupMenu1, "miPrint1", QKeySequence(Qt::CTRL | Qt::Key_P));
    PopupMenu1->addSeparator();
    miCopy1 = MakeAction(this, PopupMenu1, "miCopy1", QKeySequence(Qt::CTRL | Qt::Key_C));
    miSelectAll1 = MakeAction(this, PopupMenu1, "miSelectAll1", QKeySequence(Qt::CTRL | Qt::Key_A));
    PopupMenu1->addSeparator();
    miAbout1 = MakeAction(this, PopupMenu1, "miAbout1", QKeySequence());
    connect(miSave1, &QAction::triggered, this, &TFormReport1::miSave1Click);
    connect(miPrint1, &QAction::triggered, this, &TFormReport1::miPrint1Click);
    connect(miCopy1, &QAction::triggered, this, &TFormReport1::miCopy1Click);
    connect(miSelectAll1, &QAction::triggered, this, &TFormReport1::miSelectAll1Click);
    connect(miAbout1, &QAction::triggered, this, &TFormReport1::miAbout1Click);
    connect(Memo1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->exec(Memo1->mapToGlobal(at)); });

    chooseSaveFile = [this](const std::filesystem::path& folder, const QString& name) {
        return SaveDialog1Execute(folder, name);
    };
    askPrinter = [this](QPrinter& printer) { return PrintDialog1Execute(printer); };
    Localize();
}

TFormReport1::~TFormReport1() = default;

void TFormReport1::Localize() {
    setWindowTitle(QText(3440));
    miSave1->setText(QText(2018));
    miPrint1->setText(QText(2020));
    miCopy1->setText(QText(2029));
    miSelectAll1->setText(QText(2027));
    miAbout1->setText(QText(2045));
}

void TFormReport1::SetEditorFont(const std::string& name, int size) {
    QFont font(report::ReportFontFamily(QString::fromStdString(name)));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(std::clamp(size, kMinFontSize, kMaxFontSize));
    SetMemoFont(Memo1, font);
}

void TFormReport1::SetReport(const std::vector<std::string>& lines) {
    QStringList text;
    text.reserve(int(lines.size()));
    for (const std::string& line : lines) text << QString::fromStdString(line);
    Memo1->setPlainText(text.join('\n'));
}

void TFormReport1::SetText(const std::string& text) {
    Memo1->setPlainText(QString::fromStdString(text));
}

void TFormReport1::AppendLine(const std::string& line) {
    Memo1->appendPlainText(QString::fromStdString(line));
}

std::vector<std::string> TFormReport1::Lines() const {
    std::vector<std::string> lines;
    const QString text = Memo1->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
    return lines;
}

void TFormReport1::miSave1Click() {
    Log("miSave1Click");
    const auto target = chooseSaveFile(saveFolder_, QText(3440));
    if (!target) return;
    // The whole file or the old one: a failed write leaves no half report behind.
    if (auto written = WriteFileAtomically(*target, JoinReport(Lines())); !written) fail(written.message());
}

void TFormReport1::miPrint1Click() {
    Log("miPrint1Click");
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QText(3440));
    if (!askPrinter(printer)) return;
    const report::ReportPages pages{Lines(), Text(3440), caption_};

    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // A PDF is a file of the user's: painted whole, then put in place at once.
        const QByteArray pdf =
            report::RenderReportPdf(pages, printer.pageLayout(), printer.resolution(), QText(3440));
        if (pdf.isEmpty()) {
            fail(OwnText("The report could not be painted into the PDF file.") + "\n" +
                 printer.outputFileName().toStdString());
            return;
        }
        const auto written = WriteFileAtomically(PathOf(printer.outputFileName()),
                                                 std::string_view(pdf.constData(), std::size_t(pdf.size())));
        if (!written) fail(written.message());
        return;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        fail(PrinterFailure(printer, "The printer did not accept the report."));
        return;
    }
    if (report::PaintReport(painter, printer, pages) < 0) {
        printer.abort();
        painter.end();
        fail(PrinterFailure(printer, "The printer stopped while printing the report."));
        return;
    }
    if (!painter.end()) fail(PrinterFailure(printer, "The printer did not finish the report."));
}

void TFormReport1::miCopy1Click() {
    Memo1->copy();
}

void TFormReport1::miSelectAll1Click() {
    Memo1->selectAll();
}

void TFormReport1::miAbout1Click() {
    const std::string text = "Velmora - PID controllers for the Orvane IDE\nVersion " VELMORA_VERSION;
    if (messages_) messages_->show(Text(2045), text, MessageIcon::Information, MessageButtons::Ok);
}

void TFormReport1::fail(const std::string& text) {
    Log("FormReport1: " + text);
    if (messages_) messages_->show(Text(3019), text, MessageIcon::Stop, MessageButtons::Ok);
}

std::optional<std::filesystem::path> TFormReport1::SaveDialog1Execute(const std::filesystem::path& folder,
                                                                      const QString& name) {
    QFileDialog SaveDialog1(this, QText(2018), QPath(folder));
    SaveDialog1.setObjectName("SaveDialog1");
    SaveDialog1.setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1.setFileMode(QFileDialog::AnyFile);
    SaveDialog1.setNameFilter("*.txt");
    SaveDialog1.setDefaultSuffix("txt");
    SaveDialog1.selectFile(name);
    if (SaveDialog1.exec() != QDialog::Accepted || SaveDialog1.selectedFiles().isEmpty()) return std::nullopt;
    return PathOf(SaveDialog1.selectedFiles().front());
}

bool TFormReport1::PrintDialog1Execute(QPrinter& printer) {
    QPrintDialog PrintDialog1(&printer, this);
    PrintDialog1.setObjectName("PrintDialog1");
    // The report prints whole: no page ranges, no selection.
    PrintDialog1.setOption(QAbstractPrintDialog::PrintPageRange, false);
    PrintDialog1.setOption(QAbstractPrintDialog::PrintSelection, false);
    PrintDialog1.setWindowTitle(QText(2020));
    return PrintDialog1.exec() == QDialog::Accepted;
}

void TFormReport1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Localize();
    QWidget::changeEvent(event);
}

bool TFormReport1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        miSelectAll1Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velmora
