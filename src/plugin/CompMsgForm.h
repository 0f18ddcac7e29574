#pragma once
// The small always-on-top window that shows which file is being generated
// while the controllers are generated before a compilation.
#include <QDialog>

#include <memory>
#include <string>

#include "plugin/FormFactory.h"

class QFrame;
class QLabel;
class QPushButton;

namespace velmora {

class TCompMsgFrm : public QDialog {
    Q_OBJECT
public:
    explicit TCompMsgFrm(QWidget* parent = nullptr);

    void localize();
    void setProject(const std::string& plcName);  // lProjekt
    void setFile(const std::string& file);        // lComp
    void setCounter(const std::string& counter);  // lWarning

    void reject() override { done(1); }  // Escape presses btOK, the cancel button too

private:
    QFrame* addPanel(const char* name, int top, QLabel*& caption, QLabel*& value, const char* valueName);

    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QLabel* PanelCaption1;
    QLabel* PanelCaption2;
    QLabel* PanelCaption3;
    QLabel* lProjekt;
    QLabel* lComp;
    QLabel* lWarning;
    QPushButton* btOK;
};

// The window as the frame's compile pass sees it. Showing it lets the event
// loop paint it, since the pass runs without returning to the loop.
class QtCompileMessages : public CompileMessageForm {
public:
    QtCompileMessages() : form_(std::make_unique<TCompMsgFrm>()) {}
    void setProject(const std::string& plcName) override { form_->setProject(plcName); }
    void setFile(const std::string& fileName) override { form_->setFile(fileName); }
    void setCounter(const std::string& text) override { form_->setCounter(text); }
    void show() override;
    void hide() override { form_->hide(); }
    TCompMsgFrm& form() { return *form_; }

private:
    std::unique_ptr<TCompMsgFrm> form_;
};

}  // namespace velmora
