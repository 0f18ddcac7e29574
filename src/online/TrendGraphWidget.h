#pragma once
// The graph page of the online view: six trends with their band axes, the
// tool buttons, the scroll bar over the recording, zoom ("Lupa"), measuring
// ("Odmerovani") and a measuring cursor pair, the axis dialogs, the data
// file, and the picture and CSV export.
#include <QWidget>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/Toolkit.h"
#include "controllers/ControllerKeys.h"
#include "online/TrendBuffer.h"
#include "online/TrendSettings.h"
#include "online/TrendTime.h"

class QLabel;
class QPainter;
class QScrollBar;
class QToolButton;
class QMenu;

namespace velmora {
class IniFile;
}

namespace velmora::online {

// What one picture of the graph shows.
struct TrendPicture {
    const TrendSettings* settings = nullptr;
    const TrendBuffer* buffer = nullptr;
    TimeSpan shown;
    std::optional<double> markA, markB;       // the measuring cursor pair
    std::optional<std::pair<int, int>> band;  // "Lupa" drag, in pixels
    char decimalSeparator = '.';
};

// Where the plot lies in a picture of that size with these axes.
QRect TrendPlotRect(const TrendSettings& settings, QSize size);
// Background, grid, axes with their labels in the channel colours, the
// traces and the time axis. Costs O(plot width × channels) plus one search
// per pixel column, whatever the number of samples.
void PaintTrend(QPainter& painter, QSize size, const TrendPicture& picture);

enum class TrendCursor { Lupa1, Lupa2, Mark, DragUp, DragDn };
// CR_LUPA1, CR_LUPA2, CR_MARK, CR_DRAGUP, CR_DRAGDN, drawn here.
QCursor MakeTrendCursor(TrendCursor which);

class TrendPlot;

class TrendGraphWidget : public QWidget {
    Q_OBJECT

public:
    // The section's graph keys are read at once and written back by the
    // layout buttons and the dialogs; the recording belongs to the view.
    TrendGraphWidget(IniFile& file, std::string section, velmora::ControllerKind kind, TrendBuffer& recording,
                     MessageBoxes* messages = nullptr, QWidget* parent = nullptr);
    ~TrendGraphWidget() override;

    const TrendSettings& settings() const { return settings_; }
    TimeSpan shown() const { return shown_; }
    void setShown(TimeSpan shown);
    const TrendPicture picture() const;
    std::optional<double> markA() const { return markA_; }
    std::optional<double> markB() const { return markB_; }
    char decimalSeparator = '.';

    // The tools' captions and hints in the module's language.
    void localize();

    // The view stored a sample: redraw, and with follow on keep the newest in view.
    void sampleAdded();
    // Where "Otevrit", "Ulozit" and the exports start (the plug-in's folder of the project).
    void setDataFolder(std::filesystem::path folder) { dataFolder_ = std::move(folder); }
    // Asks for a file (save or open, with the filters of the dialog); empty: cancelled.
    // A file dialog unless replaced.
    std::function<std::filesystem::path(bool save, const QString& filter, const QString& suffix)> chooseFile;
    // The file dialog's title in the module's language ("Save As" or "Open").
    static QString FileDialogTitle(bool save);
    // Help at a topic, for the axis dialogs' Help button and F1.
    std::function<void(const std::string& topic)> showHelp;

    // The operations behind the buttons.
    void ToolButton3Click();   // "Novy"
    void ToolButton4Click();   // "Otevrit"
    void ToolButton5Click();   // "Ulozit"
    void ToolButton8Click();   // "Lupa"
    void ToolButton10Click();  // "Sledovat posledni hodnotu"
    void ToolButton11Click();  // "Na celou vysku"
    void ToolButton12Click();  // "Pod sebe"
    void ToolButton14Click();  // "Odmerovani"
    void ToolButton15Click();  // "Sloucit stejne osy"
    void ToolButton16Click();  // "Rozdelit osy"
    void ToolButton18Click();  // Y axes dialog
    void ToolButton19Click();  // X axis dialog
    void CopyToClipboardAsWMF1Click();
    void SaveToFileAsWMF1Click();
    void ToolButtonCsv1Click();
    void ToolButtonMeasure1Click();
    void ScrollBar1Scroll(int position);

    // With a chosen file.
    bool openDataFile(const std::filesystem::path& path);
    bool saveDataFile(const std::filesystem::path& path);
    bool savePicture(const std::filesystem::path& path);  // ".svg" or ".png"
    bool saveCsv(const std::filesystem::path& path);
    // New settings from a dialog (a changed buffer length clears the recording).
    void applySettings(const TrendSettings& settings);

    // The texts under the pointer and of the measuring pair.
    QString readoutText() const;

signals:
    // The layout or the axes changed and were stored.
    void settingsChanged();

private:
    friend class TrendPlot;
    void build();
    void storeLayout();
    void redraw();
    // Tools that would change nothing now are disabled.
    void updateTools();
    void updateScrollBar();
    void error(const std::string& text);
    std::optional<double> timeAt(int x) const;
    // Pointer events of the plot.
    void plotPress(QPoint at, Qt::MouseButton button);
    void plotMove(QPoint at, Qt::MouseButtons buttons);
    void plotRelease(QPoint at, Qt::MouseButton button);
    void plotDoubleClick();
    void plotWheel(QPoint at, int delta);

    IniFile& file_;
    std::string section_;
    velmora::ControllerKind kind_;
    TrendBuffer& recording_;
    MessageBoxes* messages_;
    TrendSettings settings_;
    TimeSpan shown_;
    std::filesystem::path dataFolder_;
    bool scrolling_ = false;
    std::optional<double> zoomFrom_;
    std::optional<std::pair<int, int>> zoomBand_;
    std::optional<int> dragFrom_;
    double dragStart_ = 0;
    std::optional<double> markA_, markB_;
    std::optional<double> pointer_;

    TrendPlot* plot_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    QLabel* readout_ = nullptr;
    QToolButton *lupa_ = nullptr, *follow_ = nullptr, *measuring_ = nullptr, *measurePair_ = nullptr;
    QMenu* exportMenu_ = nullptr;
};

}  // namespace velmora::online
