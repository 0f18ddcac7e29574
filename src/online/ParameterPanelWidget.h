#pragma once
// The graph page's side panel of the online view (parameter edits, "Use
// vals", "Save vals"), and the schema's live controls: the value boxes that
// open the input dialog, Man/Auto/Restart and the tuner's buttons and lamp.
// What they do is ParameterPanel's; this only shows it.
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "online/ParameterPanel.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora::online {

class VisualHost;

class ParameterPanelWidget : public QWidget, public PanelHost {
    Q_OBJECT
public:
    // `schema` holds the live controls, found by their component names.
    ParameterPanelWidget(VisualHost& host, OnlineExchange& exchange, QWidget* schema, QWidget* parent);
    ~ParameterPanelWidget() override;

    ParameterPanel& panel() { return *panel_; }
    // Shows the value boxes again from the exchange (their cache is stale).
    std::function<void()> redrawValues;

    // The controller was loaded again: labels, rows and values from the file.
    void reload();
    // The buttons and the units in the module's language.
    void localize();
    // Enabled states, lamp and pending texts from the panel.
    void refresh();

    // From the view's OnlineViewSink.
    void refreshPendingControls();
    void commTicked();
    void tunerReport(int code);
    void onlineChanged(bool online);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    // PanelHost
    MessageBoxes* messages() override;
    std::filesystem::path controllerFile() override;
    std::optional<double> askValue(const ValueRequest& request) override;
    bool openTunerPage() override;

private:
    void build();
    void showTexts();
    void leaveEdit(PanelEdit edit);

    VisualHost& host_;
    OnlineExchange& exchange_;
    QWidget* schema_;
    std::unique_ptr<ParameterPanel> panel_;
    std::array<QLineEdit*, kPanelEdits> edits_{};
    std::array<QLabel*, kPanelEdits> labels_{};
    QLineEdit* dummy_ = nullptr;
    QPushButton *UseSettingsBtn1 = nullptr, *SaveSettingsBtn1 = nullptr;
    bool delivering_ = false;
};

}  // namespace velmora::online
