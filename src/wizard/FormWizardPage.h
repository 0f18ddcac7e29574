#pragma once
// What every wizard page shares: OK marker, the close rule that discards a
// new controller, help on F1, captions relocalized on a language change, and
// a few small widgets of the VCL originals.
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QStringList>
#include <memory>
#include <string>

#include "wizard/PidParameters.h"
#include "wizard/WizardContext.h"
#include "wizard/WizardSequence.h"

class QBoxLayout;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velmora::wizard {

QString QText(std::uint32_t id);
QString QStr(const std::string& text);
std::string Std(const QString& text);
// The lines of a localized text (items of a list or radio group).
QStringList QTextLines(std::uint32_t id);

// An edit that reports when the user leaves it, where the page applies its
// limit rule.
class LeaveEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit LeaveEdit(const QString& objectName, QWidget* parent = nullptr);
    std::string text8() const { return Std(text()); }
    void setText8(const std::string& text) { setText(QStr(text)); }

signals:
    void left();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

// A titled group of exclusive choices addressed by index, like a radio group.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(const QString& objectName, QWidget* parent = nullptr);
    void setItems(const QStringList& items);  // keeps the chosen index
    int itemIndex() const;
    void setItemIndex(int index);  // -1 chooses nothing
    QRadioButton* button(int index) const;

signals:
    void itemIndexChanged(int index);

private:
    QList<QRadioButton*> buttons_;
};

class WizardPageForm : public QDialog {
    Q_OBJECT
public:
    WizardPageForm(WizardContext& context, QWidget* owner, const QString& objectName, int helpContext);
    ~WizardPageForm() override;

    // Sets every caption from the loaded text table.
    virtual void localize();
    virtual std::string helpTopic() const = 0;
    int helpContext() const { return helpContext_; }
    int okMarker() const { return okMarker_; }
    WizardContext& context() { return context_; }

    // The OK handler: checks, writes, marks and closes; a failed check keeps
    // the page open.
    void Button1Click();
    void done(int result) override;

protected:
    // Checks the fields and writes the page's keys; false keeps the page open.
    virtual bool acceptPage() = 0;
    // Runs after the page's keys are written (the start page generates always).
    virtual void afterAccepted();
    virtual void Button3Click() {}

    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // The bottom row; Button3 only when the page reads from the PLC.
    void addButtons(QBoxLayout* layout, bool withUpload);
    QLabel* label(const QString& objectName);
    // False, after telling the user, when a read from the PLC brought nothing.
    bool plcAnswered(bool answered);
    char separator() const { return context_.decimalSeparator; }
    const std::string section() const { return context_.section(); }
    IniFile& file();

    WizardContext& context_;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* HelpButton1 = nullptr;  // "?": the page's help topic, as F1

private:
    int helpContext_;
    int okMarker_ = 0;
    bool closed_ = false;
};

// The storage options of the controller pages: structure, retained registers
// with their explanation, and the fixed placement of both.
class StorageOptionsBox {
public:
    // Creates the widgets on the page, then lays them out below what it holds.
    void create(WizardPageForm* page, QBoxLayout* layout);
    void setPlacementVisible(bool visible);
    void show(const StorageOptions& options);
    void read(StorageOptions& options) const;
    void localize();
    void CheckBoxRemanent1Click();
    void updatePlacement();

    QCheckBox *CheckBoxStruct1 = nullptr, *CheckBoxRemanent1 = nullptr, *chk1 = nullptr, *chk2 = nullptr;
    LeaveEdit *edtoff1 = nullptr, *edtoff2 = nullptr;
    QLabel *Warning1 = nullptr, *LabelR1 = nullptr, *LabelR2 = nullptr;

private:
    WizardContext* context_ = nullptr;
};

// A name edit with its variable selection button.
QHBoxLayout* VariableRow(WizardPageForm* page, WizardContext& context, LeaveEdit* edit,
                         const QString& buttonName);

// The page form of one wizard page, created with the frame's window as owner.
std::unique_ptr<WizardPageForm> CreateWizardPage(WizardPage page, WizardContext& context, QWidget* owner);

// Shows pages as modal dialogs.
class QtPageRunner : public PageRunner {
public:
    explicit QtPageRunner(QWidget* owner) : owner_(owner) {}
    bool show(WizardPage page, WizardContext& context) override;

private:
    QWidget* owner_;
};

// The frame's entry points: the new-controller wizard, and one page of an
// existing controller (which regenerates the controller's code on OK).
bool RunControllerWizard(WizardContext& context, QWidget* owner,
                         const std::function<bool()>& newControllerDialog);
bool ShowControllerPage(WizardPage page, WizardContext& context, QWidget* owner);

}  // namespace velmora::wizard
