#pragma once
// The report view inside the running plug-in: the Qt report window filled
// from the frame's open PLC and the host's project data.
#include <QPointer>

#include "plugin/FormFactory.h"
#include "report/FormReport1.h"

namespace velmora {

class QtReportForm : public ReportForm {
public:
    explicit QtReportForm(TFormReg1& frame);
    ~QtReportForm() override;

    void* handle() override;
    // The host places the view in its document area; until then it stays hidden.
    void show() override;
    void hide() override;
    void setEditorFont(const std::string& name, int size) override;
    bool buildReport() override;
    void setText(const std::string& text) override;
    void appendLine(const std::string& line) override;
    void localize() override;

    TFormReport1* form() const { return form_; }

private:
    TFormReg1& frame_;
    // The host may destroy the view with its document area first.
    QPointer<TFormReport1> form_;
};

}  // namespace velmora
