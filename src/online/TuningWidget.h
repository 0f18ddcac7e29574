#pragma once
// The graph page's tuning panel: a process model fitted to the recording
// between the A and B marks, drawn over the recorded y; the slow, normal and
// fast suggestions beside the parameters the PLC runs now and parameters the
// user types; their set-point and load step responses on the model with
// overshoot, settling, IAE, Ms and margins; and "Use vals", which writes a
// chosen row through the parameter panel as its own "Use vals" does.
// TuningSource gives what it starts from.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "online/TuningSource.h"
#include "tuning/TuningReport.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace velmora::online {

class ParameterPanel;
class TrendBuffer;
class TuningPlot;

class TuningWidget : public QWidget {
    Q_OBJECT
public:
    // Fits at once; a window that cannot be fitted shows why instead.
    // Without a panel (offline) "Use vals" stays disabled. `viewExchange`: the
    // view's exchange period when it simulates the plant (ViewExchangePeriod).
    TuningWidget(std::vector<tuning::RecordedSample> recording, std::optional<double> from,
                 std::optional<double> to, const tuning::LoopController& current, ParameterPanel* panel,
                 char decimalSeparator, QWidget* parent = nullptr, double viewExchange = 0);
    ~TuningWidget() override;

    const tuning::TuningResult& result() const { return result_; }
    // The message in the panel: why nothing was fitted, or a typed or written row's problem.
    QString message() const;
    // The typed row from "PBnd=50,Ti=20,Td=2" or "k=2,ti=10"; false (and why in
    // the message) when the text is not parameters of the kind.
    bool previewTyped(const std::string& text);
    // The PIDMA tuner's result as a row of its own ("tuner", after the suggestions):
    // the old/new comparison on the tuner's experiment once its window is marked.
    void addTunerRow(const tuning::LoopController& tuned);
    // The rows of the table: current, slow, normal, fast, tuner and typed (when there are).
    int rowCount() const { return static_cast<int>(result_.rows.size()); }
    void selectRow(int row);
    // "Use vals" on the selected row; false (and why) when it cannot be written.
    // A PID row whose set-point modification differs from the running one
    // proposes it through `proposeSetpoint` (the set-point page, whose OK
    // writes it), which answers whether it was written.
    bool useSelected();
    std::function<bool(bool ramp, int tiW)> proposeSetpoint;

private:
    void build();
    void showResult();
    void showRows();
    void showCurves();
    // A refusal in red, a note or a confirmation in the text's own colour.
    void say(const std::string& text, bool refusal = false);
    std::string notes() const;

    std::vector<tuning::RecordedSample> recording_;
    tuning::TuningRequest request_;
    tuning::LoopController current_;
    tuning::TuningResult result_;
    std::size_t fixedRows_ = 0;  // the rows before the typed one
    ParameterPanel* panel_;
    char separator_;

    QLabel* model_ = nullptr;
    QLabel* message_ = nullptr;
    TuningPlot* fitPlot_ = nullptr;
    TuningPlot* stepPlot_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLineEdit* typed_ = nullptr;
    QPushButton *previewButton_ = nullptr, *useButton_ = nullptr;
};

// The panel in a dialog over the view, on the graph page's recording and marks,
// with the tuner's result as a row when there is one. The dialog is shown, not modal.
struct TuningDialogSetup {
    const TrendBuffer& recording;
    std::optional<double> markA, markB;
    tuning::LoopController current;
    std::optional<tuning::LoopController> tuned;
    ParameterPanel* panel = nullptr;
    char decimalSeparator = '.';
    double viewExchange = 0;
    std::function<bool(bool ramp, int tiW)> proposeSetpoint;
};
QWidget* OpenTuningDialog(QWidget* parent, const TuningDialogSetup& setup);

}  // namespace velmora::online
