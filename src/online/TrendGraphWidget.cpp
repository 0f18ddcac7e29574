#include "online/TrendGraphWidget.h"

#include <QApplication>
#include <QBitmap>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "online/FormOsaX1.h"
#include "online/FormOsyY1.h"
#include "online/TrendAxes.h"
#include "online/TrendDataFile.h"

namespace velmora::online {

namespace {

constexpr int kAxisWidth = 56;
constexpr int kTop = 14, kBottom = 24, kRight = 12;

// A file dialog's filter list in the module's language.
QString Filters(std::initializer_list<const char*> filters) {
    QStringList out;
    for (const char* f : filters) out << QString::fromStdString(OwnText(f));
    return out.join(";;");
}

QColor ColourOf(const TrendChannel& c) {
    return QColor(c.red(), c.green(), c.blue());
}

// The plot's bottom edge and height as an axis map takes them.
AxisMap MapOf(const TrendChannel& axis, const QRect& plot) {
    return AxisMap(axis, plot.bottom() + 1, plot.height());
}

QString Number(double v, char separator) {
    return QString::fromStdString(FormatDecimal(std::round(v * 1e6) / 1e6, separator));
}

// Six significant digits, as many as a stored sample holds, so that 55.39
// does not read 55.389999.
double Significant(double v) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6);
    std::from_chars(text, written.ptr, v);
    return v;
}

QString Reading(double v, char separator) {
    return QString::fromStdString(FormatDecimal(Significant(v), separator));
}

void PaintAxes(QPainter& p, const TrendPicture& pic, const QRect& plot) {
    const TrendSettings& s = *pic.settings;
    const std::vector<AxisPlace> axes = AxesShown(s);
    const int columns = AxisColumns(axes);
    const QFontMetrics fm(p.font());
    // Rows already labelled in each column: axes stacked in one column meet at their band edges.
    std::vector<std::vector<double>> labelled(static_cast<std::size_t>(columns));
    for (const AxisPlace& place : axes) {
        const TrendChannel& axis = s.channels[static_cast<std::size_t>(place.channel)];
        const QColor colour = ColourOf(axis);
        const AxisMap map = MapOf(axis, plot);
        const int x = plot.left() - (columns - place.column - 1) * kAxisWidth - 1;
        const double lo = std::min(map.bottom, map.top()), hi = std::max(map.bottom, map.top());
        p.setPen(colour);
        p.drawLine(QPointF(x, lo), QPointF(x, hi));
        const auto values = GridValues(axis.min, axis.max, axis.gridStep, 50);
        QColor light = colour;
        light.setAlpha(60);
        auto& rows = labelled[static_cast<std::size_t>(place.column)];
        // Where the grid is too dense for a label at each line, every k-th multiple of the step is labelled.
        const double perLine =
            values.size() > 1 ? std::abs(map.y(values[1]) - map.y(values[0])) : fm.height();
        const long long stride =
            std::max(1LL, static_cast<long long>(std::ceil(fm.height() / std::max(perLine, 1e-9))));
        const double step = values.size() > 1 ? values[1] - values[0] : 1;
        for (double v : values) {
            const double y = map.y(v);
            p.setPen(colour);
            p.drawLine(QPointF(x - 4, y), QPointF(x, y));
            if (std::llround(v / step) % stride == 0 && std::none_of(rows.begin(), rows.end(), [&](double r) {
                    return std::abs(r - y) < fm.height();
                })) {
                const QString text = Number(v, pic.decimalSeparator);
                p.drawText(QRectF(x - kAxisWidth + fm.height() + 2, y - fm.height() / 2.0,
                                  kAxisWidth - fm.height() - 8, fm.height()),
                           Qt::AlignRight | Qt::AlignVCenter, text);
                rows.push_back(y);
            }
            if (axis.grid) {
                p.setPen(QPen(light, 0, Qt::DotLine));
                p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            }
        }
        // The caption runs up the column's left edge, in the middle of the band.
        const std::string caption =
            axis.label.empty() ? std::string(TrendChannelName(place.channel)) : axis.label;
        const QString text =
            fm.elidedText(QString::fromStdString(caption), Qt::ElideRight, static_cast<int>(hi - lo));
        p.save();
        p.setPen(colour);
        p.translate(x - kAxisWidth + 2, (lo + hi) / 2);
        p.rotate(-90);
        p.drawText(QRectF(-(hi - lo) / 2, 0, hi - lo, fm.height()), Qt::AlignHCenter | Qt::AlignTop, text);
        p.restore();
    }
}

void PaintTimeAxis(QPainter& p, const TrendPicture& pic, const QRect& plot) {
    const TrendSettings& s = *pic.settings;
    const QFontMetrics fm(p.font());
    p.setPen(Qt::black);
    p.drawLine(plot.bottomLeft() + QPoint(0, 1), plot.bottomRight() + QPoint(0, 1));
    const std::vector<double> times = GridTimes(pic.shown, s.time.gridStep, std::max(2, plot.width() / 4));
    const auto label = [&](double t) {
        return QString::fromStdString(FormatTrendTime(
            t, s.time.format, pic.buffer ? pic.buffer->startStamp() : 0, pic.decimalSeparator));
    };
    // One stride for the whole axis, from its widest label: 0 10 20 30, never 0 5 10 15 25.
    int widest = 0;
    for (double t : times) widest = std::max(widest, fm.horizontalAdvance(label(t)));
    const double step = times.size() > 1 ? times[1] - times[0] : s.time.gridStep;
    const int stride = TimeLabelStride(step / pic.shown.width * plot.width(), widest + 6);
    for (double t : times) {
        const double x = PixelOfTime(pic.shown, t, plot.left(), plot.width());
        if (s.time.grid) {
            p.setPen(QPen(QColor(0, 0, 0, 50), 0, Qt::DotLine));
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        p.setPen(Qt::black);
        p.drawLine(QPointF(x, plot.bottom() + 1), QPointF(x, plot.bottom() + 4));
        if (!LabelledGridTime(t, step, stride)) continue;
        const QString text = label(t);
        p.drawText(
            QPoint(static_cast<int>(x) - fm.horizontalAdvance(text) / 2, plot.bottom() + 5 + fm.ascent()),
            text);
    }
}

void PaintTraces(QPainter& p, const TrendPicture& pic, const QRect& plot) {
    const TrendSettings& s = *pic.settings;
    const TrendBuffer& b = *pic.buffer;
    if (b.empty() || plot.width() <= 0) return;
    const int columns = plot.width();
    std::vector<int> bounds;
    ColumnBounds(b, pic.shown.start, pic.shown.width, columns, bounds);
    std::vector<TracePoint> points;
    QPolygonF line;
    p.save();
    p.setClipRect(plot);
    for (const int i : s.drawingOrder()) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        if (!c.visible) continue;
        const AxisMap map = MapOf(s.channels[static_cast<std::size_t>(s.axisOwner(i))], plot);
        DecimateTrace(b, i, pic.shown.start, pic.shown.width, columns, bounds, points);
        line.resize(static_cast<int>(points.size()));
        for (std::size_t k = 0; k < points.size(); ++k)
            line[static_cast<int>(k)] =
                QPointF(plot.left() + points[k].x, std::clamp(map.y(points[k].value), -1e6, 1e6));
        p.setPen(QPen(ColourOf(c), 0));
        p.drawPolyline(line);
        // Points only where the samples themselves are drawn.
        const int shownSamples = bounds.back() - bounds.front();
        if (c.points && shownSamples <= columns) {
            p.setBrush(ColourOf(c));
            const double r = c.pointSize / 2.0;
            for (const QPointF& at : line) p.drawEllipse(at, r, r);
            p.setBrush(Qt::NoBrush);
        }
    }
    p.restore();
}

}  // namespace

QRect TrendPlotRect(const TrendSettings& settings, QSize size) {
    const int left = AxisColumns(AxesShown(settings)) * kAxisWidth + 4;
    return QRect(left, kTop, std::max(1, size.width() - left - kRight),
                 std::max(1, size.height() - kTop - kBottom));
}

void PaintTrend(QPainter& p, QSize size, const TrendPicture& pic) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    if (!pic.settings) return;
    const QRect plot = TrendPlotRect(*pic.settings, size);
    p.fillRect(plot, QColor(252, 252, 246));
    PaintTimeAxis(p, pic, plot);
    PaintAxes(p, pic, plot);
    if (pic.buffer) PaintTraces(p, pic, plot);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    if (pic.band) {
        const int a = std::min(pic.band->first, pic.band->second),
                  b = std::max(pic.band->first, pic.band->second);
        p.fillRect(QRect(a, plot.top(), b - a, plot.height()), QColor(0, 90, 200, 40));
    }
    const auto mark = [&](double t, const char* name) {
        const double x = PixelOfTime(pic.shown, t, plot.left(), plot.width());
        if (x < plot.left() || x > plot.right()) return;
        p.setPen(QPen(QColor(120, 0, 160), 0, Qt::DashLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.drawText(QPointF(x + 3, plot.top() + 11), name);
    };
    if (pic.markA) mark(*pic.markA, "A");
    if (pic.markB) mark(*pic.markB, "B");
}

QCursor MakeTrendCursor(TrendCursor which) {
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen outline(Qt::white, 4), ink(Qt::black, 2);
    auto both = [&](auto&& draw) {
        p.setPen(outline);
        draw();
        p.setPen(ink);
        draw();
    };
    int hotX = 16, hotY = 16;
    switch (which) {
        case TrendCursor::Lupa1:
        case TrendCursor::Lupa2:
            hotX = hotY = 12;
            both([&] {
                p.drawEllipse(QPointF(12, 12), 8, 8);
                p.drawLine(QPointF(18, 18), QPointF(28, 28));
                p.drawLine(QPointF(8, 12), QPointF(16, 12));
                if (which == TrendCursor::Lupa1) p.drawLine(QPointF(12, 8), QPointF(12, 16));
            });
            break;
        case TrendCursor::Mark:
            both([&] {
                p.drawLine(QPointF(16, 2), QPointF(16, 30));
                p.drawLine(QPointF(8, 16), QPointF(24, 16));
                p.drawRect(QRectF(13, 13, 6, 6));
            });
            break;
        case TrendCursor::DragUp:
        case TrendCursor::DragDn: {
            const double lift = which == TrendCursor::DragUp ? 0 : 4;
            both([&] {
                p.drawLine(QPointF(4, 16), QPointF(28, 16));
                p.drawLine(QPointF(4, 16), QPointF(9, 11 + lift / 2));
                p.drawLine(QPointF(4, 16), QPointF(9, 21 - lift / 2));
                p.drawLine(QPointF(28, 16), QPointF(23, 11 + lift / 2));
                p.drawLine(QPointF(28, 16), QPointF(23, 21 - lift / 2));
                p.drawRoundedRect(QRectF(11, 6 + lift, 10, 6), 2, 2);
            });
            break;
        }
    }
    p.end();
    return QCursor(image, hotX, hotY);
}

// The plot ("GrafImage"): paints the picture and hands the pointer to the widget.
class TrendPlot : public QWidget {
public:
    explicit TrendPlot(TrendGraphWidget& owner) : QWidget(&owner), owner_(owner) {
        setObjectName("GrafImage");
        setMouseTracking(true);
        setMinimumSize(320, 160);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QRect plotRect() const { return TrendPlotRect(owner_.settings_, size()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintTrend(p, size(), owner_.picture());
    }
    void mousePressEvent(QMouseEvent* e) override { owner_.plotPress(e->position().toPoint(), e->button()); }
    void mouseMoveEvent(QMouseEvent* e) override { owner_.plotMove(e->position().toPoint(), e->buttons()); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        owner_.plotRelease(e->position().toPoint(), e->button());
    }
    void mouseDoubleClickEvent(QMouseEvent*) override { owner_.plotDoubleClick(); }
    void wheelEvent(QWheelEvent* e) override {
        owner_.plotWheel(e->position().toPoint(), e->angleDelta().y());
    }

private:
    TrendGraphWidget& owner_;
};

TrendGraphWidget::TrendGraphWidget(IniFile& file, std::string section, ControllerKind kind,
                                   TrendBuffer& recording, MessageBoxes* messages, QWidget* parent)
    : QWidget(parent),
      file_(file),
      section_(std::move(section)),
      kind_(kind),
      recording_(recording),
      messages_(messages),
      settings_(ReadTrendSettings(file, section_, kind)) {
    setObjectName("GrafPanel1");
    recording_.setCapacity(settings_.bufferLength);
    shown_ = {0, settings_.time.range};
    chooseFile = [this](bool save, const QString& filter, const QString& suffix) {
        QFileDialog dialog(this, FileDialogTitle(save), QString::fromStdString(dataFolder_.string()), filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::filesystem::path();
        return std::filesystem::path(dialog.selectedFiles().front().toStdString());
    };
    build();
    if (!recording_.empty()) shown_.start = FollowStart(recording_.newestTime(), shown_.width);
    updateScrollBar();
    updateTools();
}

TrendGraphWidget::~TrendGraphWidget() = default;

QString TrendGraphWidget::FileDialogTitle(bool save) {
    // Qt's own default title would be English in every language.
    return QString::fromStdString(OwnText(save ? "Save As" : "Open"));
}

void TrendGraphWidget::build() {
    // Two rows of tools: in one row the long Czech and Russian captions push
    // the last tools behind the bar's extension button, which a tool bar
    // outside a main window does not open.
    QToolBar* rows[2];
    for (int i = 0; i < 2; ++i) {
        rows[i] = new QToolBar(this);
        rows[i]->setObjectName(QString("GraphTools%1").arg(i + 1));
        rows[i]->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    QToolBar* tools = rows[0];
    auto button = [&](const char* name, void (TrendGraphWidget::*op)(), bool checkable = false) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setCheckable(checkable);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, op] { (this->*op)(); });
        tools->addWidget(b);
        return b;
    };
    button("ToolButton3", &TrendGraphWidget::ToolButton3Click);
    button("ToolButton4", &TrendGraphWidget::ToolButton4Click);
    button("ToolButton5", &TrendGraphWidget::ToolButton5Click);
    auto* picture = new QToolButton(this);
    picture->setObjectName("ToolButton27");
    picture->setPopupMode(QToolButton::InstantPopup);
    picture->setAutoRaise(true);
    exportMenu_ = new QMenu(picture);
    QAction* copy = exportMenu_->addAction(QString());
    copy->setObjectName("CopyToClipboardAsWMF1");
    connect(copy, &QAction::triggered, this, [this] { CopyToClipboardAsWMF1Click(); });
    QAction* save = exportMenu_->addAction(QString());
    save->setObjectName("SaveToFileAsWMF1");
    connect(save, &QAction::triggered, this, [this] { SaveToFileAsWMF1Click(); });
    picture->setMenu(exportMenu_);
    tools->addWidget(picture);
    button("ToolButtonCsv1", &TrendGraphWidget::ToolButtonCsv1Click);
    tools->addSeparator();
    lupa_ = button("ToolButton8", &TrendGraphWidget::ToolButton8Click, true);
    follow_ = button("ToolButton10", &TrendGraphWidget::ToolButton10Click, true);
    measuring_ = button("ToolButton14", &TrendGraphWidget::ToolButton14Click, true);
    measurePair_ = button("ToolButtonMeasure1", &TrendGraphWidget::ToolButtonMeasure1Click, true);
    tools = rows[1];
    button("ToolButton11", &TrendGraphWidget::ToolButton11Click);
    button("ToolButton12", &TrendGraphWidget::ToolButton12Click);
    button("ToolButton15", &TrendGraphWidget::ToolButton15Click);
    button("ToolButton16", &TrendGraphWidget::ToolButton16Click);
    tools->addSeparator();
    button("ToolButton18", &TrendGraphWidget::ToolButton18Click);
    button("ToolButton19", &TrendGraphWidget::ToolButton19Click);
    localize();
    follow_->setChecked(true);

    plot_ = new TrendPlot(*this);
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setObjectName("ScrollBar1");
    connect(scrollBar_, &QScrollBar::sliderPressed, this, [this] { scrolling_ = true; });
    connect(scrollBar_, &QScrollBar::sliderReleased, this, [this] { scrolling_ = false; });
    connect(scrollBar_, &QScrollBar::actionTriggered, this,
            [this](int) { ScrollBar1Scroll(scrollBar_->sliderPosition()); });
    readout_ = new QLabel(this);
    readout_->setObjectName("MeasureLabel1");
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long readout (the pair's seven values) wraps instead of widening the view.
    readout_->setWordWrap(true);
    readout_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    column->addWidget(rows[0]);
    column->addWidget(rows[1]);
    column->addWidget(plot_, 1);
    column->addWidget(scrollBar_);
    column->addWidget(readout_);
}

void TrendGraphWidget::localize() {
    // Caption and, where it says more, the hint of each tool.
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } tools[] = {
        {"ToolButton3", "New", nullptr},
        {"ToolButton4", "Open", nullptr},
        {"ToolButton5", "Save", nullptr},
        {"ToolButton27", "Picture", "Export the picture as SVG or PNG"},
        {"ToolButtonCsv1", "CSV", "Save the shown time window as CSV"},
        {"ToolButton8", "Zoom", nullptr},
        {"ToolButton10", "Follow the last value", nullptr},
        {"ToolButton14", "Measure", nullptr},
        {"ToolButtonMeasure1", "A-B", "Measuring cursor pair: Δt and the six Δ values"},
        {"ToolButton11", "Full height", nullptr},
        {"ToolButton12", "Stacked", nullptr},
        {"ToolButton15", "Merge equal axes", nullptr},
        {"ToolButton16", "Split axes", nullptr},
        {"ToolButton18", "Y axes", nullptr},
        {"ToolButton19", "X axis", nullptr},
    };
    for (const auto& t : tools) {
        auto* b = findChild<QToolButton*>(t.name);
        if (!b) continue;
        b->setText(QString::fromStdString(OwnText(t.caption)));
        b->setToolTip(QString::fromStdString(OwnText(t.hint ? t.hint : t.caption)));
    }
    for (QAction* a : exportMenu_->actions()) {
        if (a->objectName() == "CopyToClipboardAsWMF1")
            a->setText(QString::fromStdString(OwnText("Copy to clipboard as SVG and PNG")));
        else if (a->objectName() == "SaveToFileAsWMF1")
            a->setText(QString::fromStdString(OwnText("Save to file as SVG or PNG")));
    }
    // A row never narrower than its tools: the page widens instead of hiding them behind "»".
    for (QToolBar* row : findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        row->setMinimumWidth(row->sizeHint().width());
}

const TrendPicture TrendGraphWidget::picture() const {
    TrendPicture pic;
    pic.settings = &settings_;
    pic.buffer = &recording_;
    pic.shown = shown_;
    pic.markA = markA_;
    pic.markB = markB_;
    pic.band = zoomBand_;
    pic.decimalSeparator = decimalSeparator;
    return pic;
}

void TrendGraphWidget::setShown(TimeSpan shown) {
    shown_ = shown;
    updateScrollBar();
    redraw();
}

void TrendGraphWidget::redraw() {
    updateTools();
    if (plot_) plot_->update();
    if (readout_) readout_->setText(readoutText());
}

void TrendGraphWidget::updateScrollBar() {
    if (!scrollBar_) return;
    const QSignalBlocker quiet(scrollBar_);
    const double newest = recording_.newestTime();
    scrollBar_->setRange(0, ScrollMaximum(newest, shown_.width));
    scrollBar_->setPageStep(std::max(1, static_cast<int>(std::min(shown_.width, 1e9))));
    if (!scrolling_) scrollBar_->setValue(static_cast<int>(std::min(shown_.start, 2e9)));
}

void TrendGraphWidget::sampleAdded() {
    if (follow_ && follow_->isChecked() && !scrolling_)
        shown_.start = FollowStart(recording_.newestTime(), shown_.width);
    updateScrollBar();
    redraw();
}

void TrendGraphWidget::error(const std::string& text) {
    if (messages_)
        messages_->show(Text(3019), text, MessageIcon::Stop, MessageButtons::Ok);
    else
        QMessageBox::critical(nullptr, QString::fromStdString(Text(3019)), QString::fromStdString(text));
}

void TrendGraphWidget::updateTools() {
    const struct {
        const char* name;
        bool (*op)(TrendSettings&);
    } layouts[] = {
        {"ToolButton11", [](TrendSettings& t) { return LayoutFullHeight(t), true; }},
        {"ToolButton12", LayoutStacked},
        {"ToolButton15", [](TrendSettings& t) { return LayoutMergeEqual(t), true; }},
        {"ToolButton16", [](TrendSettings& t) { return LayoutSplit(t), true; }},
    };
    for (const auto& l : layouts)
        if (auto* b = findChild<QToolButton*>(l.name)) b->setEnabled(ChangesLayout(settings_, l.op));
    if (auto* b = findChild<QToolButton*>("ToolButton3")) b->setEnabled(!recording_.empty());
}

void TrendGraphWidget::storeLayout() {
    try {
        WriteTrendLayout(file_, section_, settings_, decimalSeparator);
    } catch (const std::exception& e) {
        error(e.what());
    }
    emit settingsChanged();
    redraw();
}

void TrendGraphWidget::applySettings(const TrendSettings& s) {
    const bool lengthChanged = s.bufferLength != settings_.bufferLength;
    settings_ = s;
    if (lengthChanged) {
        recording_.setCapacity(settings_.bufferLength);
        markA_.reset();
        markB_.reset();
    }
    shown_.width = settings_.time.range;
    if (follow_ && follow_->isChecked()) shown_.start = FollowStart(recording_.newestTime(), shown_.width);
    try {
        WriteTrendSettings(file_, section_, settings_, decimalSeparator);
    } catch (const std::exception& e) {
        error(e.what());
    }
    emit settingsChanged();
    updateScrollBar();
    redraw();
}

void TrendGraphWidget::ToolButton3Click() {
    recording_.clear();
    markA_.reset();
    markB_.reset();
    shown_.start = 0;
    updateScrollBar();
    redraw();
}

void TrendGraphWidget::ToolButton4Click() {
    const auto path = chooseFile(false, Filters({"Text files (*.txt)", "All files (*)"}), "txt");
    if (!path.empty()) openDataFile(path);
}

void TrendGraphWidget::ToolButton5Click() {
    const auto path = chooseFile(true, Filters({"Text files (*.txt)", "All files (*)"}), "txt");
    if (!path.empty()) saveDataFile(path);
}

bool TrendGraphWidget::openDataFile(const std::filesystem::path& path) {
    const TrendLoadResult r = LoadTrendDataFile(path, recording_);
    if (!r.message.empty()) error(r.message);
    if (!r.loaded) return false;
    markA_.reset();
    markB_.reset();
    if (follow_) follow_->setChecked(false);
    shown_.start = 0;
    updateScrollBar();
    redraw();
    return true;
}

bool TrendGraphWidget::saveDataFile(const std::filesystem::path& path) {
    const std::string failed = SaveTrendDataFile(path, recording_);
    if (!failed.empty()) error(failed);
    return failed.empty();
}

bool TrendGraphWidget::savePicture(const std::filesystem::path& path) {
    const QSize size = plot_->size();
    const TrendPicture pic = picture();
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    const std::string ext = LowerAscii(path.extension().string());
    if (ext == ".png") {
        QImage image(size, QImage::Format_RGB32);
        QPainter p(&image);
        PaintTrend(p, size, pic);
        p.end();
        image.save(&out, "PNG");
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle("Velmora trend " + QString::fromStdString(section_));
        QPainter p(&svg);
        PaintTrend(p, size, pic);
        p.end();
    }
    const auto result =
        WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                            WriteOptions{.sync = false});
    if (!result) error(result.message());
    return result.ok();
}

void TrendGraphWidget::SaveToFileAsWMF1Click() {
    const auto path = chooseFile(true, Filters({"SVG picture (*.svg)", "PNG picture (*.png)"}), "svg");
    if (!path.empty()) savePicture(path);
}

void TrendGraphWidget::CopyToClipboardAsWMF1Click() {
    const QSize size = plot_->size();
    const TrendPicture pic = picture();
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        PaintTrend(p, size, pic);
    }
    QByteArray svgBytes;
    QBuffer out(&svgBytes);
    out.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        QPainter p(&svg);
        PaintTrend(p, size, pic);
    }
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData("image/svg+xml", svgBytes);
    QApplication::clipboard()->setMimeData(data);
}

void TrendGraphWidget::ToolButtonCsv1Click() {
    const auto path = chooseFile(true, "CSV (*.csv)", "csv");
    if (!path.empty()) saveCsv(path);
}

bool TrendGraphWidget::saveCsv(const std::filesystem::path& path) {
    const std::string failed = SaveTrendCsvFile(path, recording_, shown_);
    if (!failed.empty()) error(failed);
    return failed.empty();
}

void TrendGraphWidget::ToolButton8Click() {
    zoomFrom_.reset();
    zoomBand_.reset();
    if (lupa_->isChecked()) {
        measuring_->setChecked(false);
        measurePair_->setChecked(false);
    }
    plot_->setCursor(lupa_->isChecked() ? MakeTrendCursor(TrendCursor::Lupa1) : QCursor(Qt::ArrowCursor));
    redraw();
}

void TrendGraphWidget::ToolButton10Click() {
    if (!follow_->isChecked()) return;
    shown_.start = FollowStart(recording_.newestTime(), shown_.width);
    if (lupa_->isChecked()) {
        lupa_->setChecked(false);
        ToolButton8Click();
    }
    updateScrollBar();
    redraw();
}

void TrendGraphWidget::ToolButton11Click() {
    LayoutFullHeight(settings_);
    storeLayout();
}

void TrendGraphWidget::ToolButton12Click() {
    if (LayoutStacked(settings_)) storeLayout();
}

void TrendGraphWidget::ToolButton15Click() {
    LayoutMergeEqual(settings_);
    storeLayout();
}

void TrendGraphWidget::ToolButton16Click() {
    LayoutSplit(settings_);
    storeLayout();
}

void TrendGraphWidget::ToolButton14Click() {
    if (measuring_->isChecked()) {
        lupa_->setChecked(false);
        measurePair_->setChecked(false);
    }
    plot_->setCursor(measuring_->isChecked() ? MakeTrendCursor(TrendCursor::Mark) : QCursor(Qt::ArrowCursor));
    redraw();
}

void TrendGraphWidget::ToolButtonMeasure1Click() {
    if (measurePair_->isChecked()) {
        lupa_->setChecked(false);
        measuring_->setChecked(false);
    } else {
        markA_.reset();
        markB_.reset();
    }
    plot_->setCursor(measurePair_->isChecked() ? MakeTrendCursor(TrendCursor::Mark)
                                               : QCursor(Qt::ArrowCursor));
    redraw();
}

void TrendGraphWidget::ToolButton18Click() {
    TFormOsyY1 dialog(settings_, &recording_, this, decimalSeparator, showHelp);
    if (dialog.exec() == QDialog::Accepted) applySettings(dialog.result());
}

void TrendGraphWidget::ToolButton19Click() {
    TFormOsaX1 dialog(settings_, recording_.newestTime(), this, decimalSeparator, showHelp);
    if (dialog.exec() == QDialog::Accepted) applySettings(dialog.result());
}

void TrendGraphWidget::ScrollBar1Scroll(int position) {
    shown_.start = ScrollStart(position, recording_.newestTime(), shown_.width);
    if (follow_) follow_->setChecked(false);
    redraw();
}

std::optional<double> TrendGraphWidget::timeAt(int x) const {
    const QRect plot = plot_->plotRect();
    return TimeAtPixel(shown_, x, plot.left(), plot.width());
}

void TrendGraphWidget::plotPress(QPoint at, Qt::MouseButton button) {
    const QRect plot = plot_->plotRect();
    if (!plot.contains(at)) return;
    if (lupa_->isChecked()) {
        if (button == Qt::LeftButton) {
            zoomFrom_ = timeAt(at.x());
            zoomBand_ = {at.x(), at.x()};
        } else if (button == Qt::RightButton) {
            plot_->setCursor(MakeTrendCursor(TrendCursor::Lupa2));
            setShown(ZoomAround(shown_, *timeAt(at.x()), false));
        }
        return;
    }
    if (measurePair_->isChecked() && button == Qt::LeftButton) {
        if (!markA_ || markB_) {
            markA_ = timeAt(at.x());
            markB_.reset();
        } else {
            markB_ = timeAt(at.x());
        }
        redraw();
        return;
    }
    if (!measuring_->isChecked() && button == Qt::LeftButton) {
        dragFrom_ = at.x();
        dragStart_ = shown_.start;
        plot_->setCursor(MakeTrendCursor(TrendCursor::DragDn));
    }
}

void TrendGraphWidget::plotMove(QPoint at, Qt::MouseButtons buttons) {
    pointer_ = timeAt(at.x());
    if (zoomBand_ && (buttons & Qt::LeftButton)) {
        zoomBand_->second = std::clamp(at.x(), plot_->plotRect().left(), plot_->plotRect().right());
        plot_->update();
    } else if (dragFrom_ && (buttons & Qt::LeftButton)) {
        const double perPixel = shown_.width / std::max(1, plot_->plotRect().width());
        shown_.start = std::max(0.0, dragStart_ - (at.x() - *dragFrom_) * perPixel);
        follow_->setChecked(false);
        updateScrollBar();
    } else if (!lupa_->isChecked() && !measuring_->isChecked() && !measurePair_->isChecked()) {
        plot_->setCursor(plot_->plotRect().contains(at) ? MakeTrendCursor(TrendCursor::DragUp)
                                                        : QCursor(Qt::ArrowCursor));
    }
    redraw();
}

void TrendGraphWidget::plotRelease(QPoint at, Qt::MouseButton button) {
    if (zoomFrom_ && button == Qt::LeftButton) {
        const double from = *zoomFrom_;
        zoomFrom_.reset();
        zoomBand_.reset();
        follow_->setChecked(false);
        setShown(ZoomBetween(shown_, from, *timeAt(at.x())));
        return;
    }
    if (lupa_->isChecked() && button == Qt::RightButton)
        plot_->setCursor(MakeTrendCursor(TrendCursor::Lupa1));
    if (dragFrom_) {
        dragFrom_.reset();
        plot_->setCursor(MakeTrendCursor(TrendCursor::DragUp));
    }
}

// A double click shows the whole recording.
void TrendGraphWidget::plotDoubleClick() {
    if (recording_.empty()) return;
    follow_->setChecked(false);
    const double first = recording_.time(0), last = recording_.newestTime();
    setShown({std::max(0.0, first), std::max(kMinimumWidth, last - std::max(0.0, first))});
}

void TrendGraphWidget::plotWheel(QPoint at, int delta) {
    if (!measuring_->isChecked() || delta == 0) return;
    follow_->setChecked(false);
    setShown(ZoomAround(shown_, *timeAt(at.x()), delta > 0));
}

QString TrendGraphWidget::readoutText() const {
    const auto valueAt = [this](double t, int channel) -> std::optional<float> {
        // Nothing is known after the newest sample: no value is made up there.
        if (recording_.empty() || t > recording_.newestTime()) return std::nullopt;
        // The newest sample not after t.
        const int i = recording_.lowerBound(std::nextafter(t, INFINITY)) - 1;
        if (i < 0) return std::nullopt;
        return recording_.value(channel, i);
    };
    const auto time = [this](double t) {
        return QString::fromStdString(
            FormatTrendTime(t, settings_.time.format, recording_.startStamp(), decimalSeparator));
    };
    QString text;
    if (markA_ && markB_) {
        // All six, hidden channels too: they are recorded all the same.
        text = QString("Δt = %1 s").arg(Reading(*markB_ - *markA_, decimalSeparator));
        for (int c = 0; c < kTrendChannels; ++c) {
            const auto a = valueAt(*markA_, c), b = valueAt(*markB_, c);
            text += QString("   Δ%1 = %2")
                        .arg(QString::fromStdString(std::string(TrendChannelName(c))),
                             a && b ? Reading(Significant(*b) - Significant(*a), decimalSeparator)
                                    : QString("-"));
        }
        return text;
    }
    if (markA_) return QString("A = %1").arg(time(*markA_));
    if (measuring_ && measuring_->isChecked() && pointer_) {
        text = time(*pointer_);
        for (int c = 0; c < kTrendChannels; ++c) {
            if (!settings_.channels[static_cast<std::size_t>(c)].visible) continue;
            const auto v = valueAt(*pointer_, c);
            text += QString("   %1 = %2")
                        .arg(QString::fromStdString(std::string(TrendChannelName(c))),
                             v ? Reading(*v, decimalSeparator) : QString("-"));
        }
    }
    return text;
}

}  // namespace velmora::online
