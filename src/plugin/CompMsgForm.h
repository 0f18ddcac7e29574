#pragma once
// The small always-on-top window that shows which file is being generated
// while the controllers are generated before a compilation.
#include <QDialog>

#include <string>

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

}  // namespace velmora
