#pragma once
// TFormVisual1: the online view of one controller. Three pages chosen by the
// tab set and the page buttons: the loop schema, the trend graph with the
// parameter panel, and the structure table. The data come from the view's
// OnlineExchange on the plug-in's session; what is shown is decided in
// LoopSchema and StructureTable.
#include <QWidget>
#include <array>
#include <filesystem>
#include <memory>
#include <string>

#include "online/ExchangeSettings.h"
#include "online/LoopSchema.h"
#include "online/OnlineExchange.h"
#include "online/TrendRecorder.h"
#include "online/TuningSource.h"

class QAction;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QTableWidget;
class QToolButton;

namespace velmora {
class IniFile;
class MessageBoxes;
}  // namespace velmora

namespace velmora::online {

class OnlineSession;
class TCommLabel;
class TrendGraphWidget;
class SchemaCanvas;
class SchemaPanel;
class ParameterPanelWidget;

// What the view asks of the plug-in around it.
class VisualHost {
public:
    virtual ~VisualHost() = default;
    virtual OnlineSession& session() = 0;
    // The open PLC's controller file.
    virtual std::filesystem::path controllerFile() = 0;
    virtual MessageBoxes* messages() = 0;
    virtual char decimalSeparator() = 0;
    // Opens the page or dialog of a schema element modally; true after "OK".
    virtual bool openTarget(SchemaTarget target, const std::string& controllerName) = 0;
    // The set-point page showing a proposed modification (ramp or filter, TiW
    // samples) instead of the file's; true after "OK", which writes it.
    virtual bool openSetpointPage(const std::string& controllerName, bool ramp, int tiW) = 0;
    // The page on which a missing variable is chosen; true after "OK".
    virtual bool openVariablePage(VariablePage page, const std::string& controllerName) = 0;
    virtual void showHelp() = 0;
    // Help at a topic (the graph's axis dialogs); the general help where the
    // host has no topics.
    virtual void showHelpTopic(const std::string& /*topic*/) { showHelp(); }
    // The view's plant simulation, kept by the host: reloaded with the
    // controller (true while it is on; a plant whose settings did not change
    // keeps running when asked), stepped by SimTimer1, and told when
    // CommTimer1's interval changed.
    virtual bool reloadSimulation(OnlineExchange&, bool /*keepUnchangedPlant*/) { return false; }
    virtual void simulationStep() {}
    virtual void sampleTimeChanged() {}
    // The view went online or offline (the manager's check boxes follow).
    virtual void communicationChanged() = 0;
    // The view leaves the host's desktop (RemoveDockableForm).
    virtual void removeFromDesktop(QWidget* view) = 0;
    // The view is being destroyed.
    virtual void viewDestroyed() = 0;
};

class TFormVisual1 : public QWidget, public OnlineViewSink {
    Q_OBJECT
public:
    enum Page { SchemaPage = 0, GraphPage = 1, StructurePage = 2 };

    TFormVisual1(VisualHost& host, std::string controllerName, QWidget* parent = nullptr);
    ~TFormVisual1() override;

    const std::string& controllerName() const { return name_; }
    OnlineExchange& exchange() { return *exchange_; }
    TrendRecorder& recorder() { return recorder_; }
    const ExchangeSettings& settings() const { return settings_; }
    int page() const { return page_; }
    bool graphShown() const { return page_ == GraphPage; }

    // FormActivate: reads the controller's section and sets labels, visible
    // elements and row names. False (after telling the user and closing the
    // view) when the section is gone.
    // activation: an unchanged plant goes on running and the side panel
    // keeps the user's edits.
    bool loadController(bool activation = false);
    // The tab set and the page buttons.
    void selectTab(int index);
    void SchemaButton1Click();
    void GrafButton1Click();
    void SchemaButton2Click();
    // The communication buttons.
    void KomunikaceButton1_Click();
    void ToolButtonStop1Click();
    void ToolButtonComm1Click();
    // The structure page's hexadecimal column.
    void tbHex1Click();
    // A click on a schema element.
    void elementClicked(SchemaElement element);
    // While the plant simulation runs.
    void setSimulationActive(bool active);
    // Shows the exchange's current data (every communication tick does).
    void showValues();
    void Localize();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // OnlineViewSink
    void showCommState(TCommState state, bool fixed) override;
    void onlineChanged(bool online) override;
    void commTicked(const TickResult& result) override;
    void closeMessage(bool sent) override;
    void openVariablePage(VariablePage page) override;
    void controllerVanished() override { loadController(); }
    void simulationStep() override { host_.simulationStep(); }
    void sampleTimeChanged() override { host_.sampleTimeChanged(); }
    void refreshPendingControls() override;
    void tunerReport(int code) override;

    void build();
    void showPage(int index);
    // The element pictures with their titles, in the module's language.
    void paintPictures();
    void showStructure();
    void setCommImage(int image);
    void afterModal(bool accepted);
    // The tuner's result on a model of its experiment, beside the old/new question.
    void previewTunerResult();
    // The model and tuning dialog on the recording between two marks.
    QWidget* openTuning(std::optional<double> markA, std::optional<double> markB);

    VisualHost& host_;
    std::string name_;
    std::unique_ptr<OnlineExchange> exchange_;
    TrendRecorder recorder_;
    TunerExperiment tunerExperiment_;
    ExchangeSettings settings_;
    std::unique_ptr<IniFile> file_;
    int page_ = -1;
    bool fromTabSet_ = false;
    bool loaded_ = false;
    bool vanished_ = false;  // told the user once; the close is on its way
    bool hex_ = false;
    int commImage_ = 0;
    std::array<std::string, kSchemaValues> shownTexts_;

    QTabBar* TabSet1 = nullptr;
    QStackedWidget* pages_ = nullptr;
    QScrollArea* schemaScroll_ = nullptr;
    SchemaCanvas* canvas_ = nullptr;
    std::array<SchemaPanel*, kSchemaElements> panels_{};
    std::array<QLabel*, kSchemaValues> valueBoxes_{};
    std::array<QLabel*, 4> stripBoxes_{};  // WEdit1, EEdit1, UEdit1, YEdit1
    QLabel* SimLabel1 = nullptr;
    QWidget* graphPage_ = nullptr;
    TrendGraphWidget* graph_ = nullptr;
    QAction* commLabel1Action_ = nullptr;  // CommLabel1 in the tool bar
    ParameterPanelWidget* ParamPanel1 = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QToolButton* tbHex1 = nullptr;
    QToolButton *SchemaButton1 = nullptr, *GrafButton1 = nullptr, *SchemaButton2 = nullptr;
    QToolButton *KomunikaceButton1 = nullptr, *ToolButtonStop1 = nullptr, *ToolButtonComm1 = nullptr;
    TCommLabel *CommLabel1 = nullptr, *CommLabel2 = nullptr;
};

}  // namespace velmora::online
