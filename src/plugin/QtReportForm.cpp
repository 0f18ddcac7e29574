#include "plugin/QtReportForm.h"

#include <filesystem>
#include <stdexcept>

#include "base/Log.h"
#include "base/Texts.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"
#include "report/FormReport1.h"

namespace velmora {

QtReportForm::QtReportForm(TFormReg1& frame) : frame_(frame), form_(new TFormReport1) {
    form_->SetMessages(frame.toolkit().messages);
}

QtReportForm::~QtReportForm() {
    delete form_.data();
}

void* QtReportForm::handle() {
    return form_.data();
}

void QtReportForm::show() {
    // A view the host has not placed yet would open as a window of its own.
    if (form_ && form_->parentWidget()) form_->show();
}

void QtReportForm::hide() {
    if (form_) form_->hide();
}

void QtReportForm::setEditorFont(const std::string& name, int size) {
    if (form_) form_->SetEditorFont(name, size);
}

bool QtReportForm::buildReport() {
    if (!shown_ || !form_) return true;
    try {
        const ReportInput input = HostReportInput(frame_);
        form_->SetReport(BuildReport(input));
        form_->SetPrintCaption(ReportCaption(input.project));
        const std::string project = frame_.projectDirectory();
        form_->SetSaveFolder(project.empty() ? std::filesystem::path()
                                             : std::filesystem::path(project) / "Velmora");
        return true;
    } catch (const std::exception& e) {
        Log(std::string("buildReport: ") + e.what());
        return false;
    }
}

void QtReportForm::localize() {
    if (!form_) return;
    form_->Localize();
    // The document's title, as the host shows it, in the language now chosen.
    form_->setWindowTitle(QString::fromStdString(OwnText("Controller Report")));
    if (!buildReport()) form_->SetText(Text(3019));
}

void QtReportForm::setText(const std::string& text) {
    if (form_) form_->SetText(text);
}

void QtReportForm::appendLine(const std::string& line) {
    if (form_) form_->AppendLine(line);
}

}  // namespace velmora
