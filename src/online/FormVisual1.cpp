#include "online/FormVisual1.h"

#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <functional>

#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/ControllerKeys.h"
#include "online/CommLabelWidget.h"
#include "online/OnlineSession.h"
#include "online/ParameterPanelWidget.h"
#include "online/StructureTable.h"
#include "online/TrendGraphWidget.h"
#include "online/TrendSettings.h"
#include "online/TuningWidget.h"

namespace velmora::online {

namespace {

using E = SchemaElement;

const QColor kErrorRed(0xe0, 0x20, 0x20);

QString QText(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}
QString QStr(const std::string& s) {
    return QString::fromStdString(s);
}

// Images 31, 32 and 33 of the communication buttons: grey, green and red lamps.
QIcon LampIcon(const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(12, 12), 16);
    g.setColorAt(0, colour.lighter(170));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.setPen(QPen(colour.darker(160), 1.5));
    p.drawEllipse(QRectF(4, 4, 24, 24));
    return QIcon(pixmap);
}

QIcon CommImage(int image) {
    if (image == 32) return LampIcon(QColor(0x2e, 0xa0, 0x3a));
    if (image == 33) return LampIcon(QColor(0xc8, 0x2a, 0x2a));
    return LampIcon(QColor(0x9a, 0x9a, 0x9a));
}

QIcon TextIcon(const QString& glyph, const QColor& colour) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colour);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(20);
    p.setFont(f);
    p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// Where each element stands on the schema (left to the implementer).
QRect PlaceOf(E e) {
    switch (e) {
        case E::Y2Input2:
            return {20, 20, 120, 70};
        case E::WInput1:
            return {20, 130, 120, 70};
        case E::WFiltr1:
            return {210, 130, 120, 70};
        case E::PID1:
            return {395, 105, 170, 120};
        case E::Tuner1:
            return {320, 5, 320, 88};  // room for its four buttons in every language
        case E::Y3Input1:
            return {580, 20, 120, 70};
        case E::UPanel1:
            return {580, 130, 120, 70};
        case E::Technologie1:
            return {740, 130, 120, 70};
        case E::Y1Input1:
            return {580, 250, 120, 70};
        case E::Y2Input1:
            return {580, 335, 120, 70};
        default:
            return {};
    }
}
constexpr int kLineY = 165;
const QPoint kProduct(175, kLineY), kSum1(365, kLineY), kSum2(365, 285);
constexpr int kNodeRadius = 12;
constexpr int kRightTurn = 900;
constexpr int kStripY = 425;

const char* ImageName(E e) {
    switch (e) {
        case E::WInput1:
            return "W1Image1";
        case E::WFiltr1:
            return "WFImage1";
        case E::PID1:
            return "PIDImage1";
        case E::Tuner1:
            return "TunerImage1";
        case E::UPanel1:
            return "UImage1";
        case E::Technologie1:
            return "TechImage1";
        case E::Y1Input1:
            return "Y1Image1";
        case E::Y2Input1:
            return "Y2Image1";
        case E::Y2Input2:
            return "Y2Image2";
        case E::Y3Input1:
            return "Y3Image1";
        default:
            return "";
    }
}

const char* BoxName(SchemaValue v) {
    switch (v) {
        case SchemaValue::Setpoint:
            return "W1Edit1";
        case SchemaValue::W:
            return "WFEdit1";
        case SchemaValue::Manual:
            return "Edit1";
        case SchemaValue::Y1:
            return "Y1Edit1";
        case SchemaValue::Y2:
            return "Y2Edit1";
        case SchemaValue::Y3:
            return "Y3Edit1";
        default:
            return "";
    }
}

QString Title(E e) {
    switch (e) {
        case E::WInput1:
            return "w";
        case E::WFiltr1:
            return QStr(OwnText("w filter"));
        case E::PID1:
            return "PID";
        case E::Tuner1:
            return QStr(OwnText("Tuner"));
        case E::UPanel1:
            return "u";
        case E::Technologie1:
            return QStr(OwnText("Plant"));
        case E::Y1Input1:
            return "y1";
        case E::Y2Input1:
        case E::Y2Input2:
            return "y2";
        case E::Y3Input1:
            return "y3";
        default:
            return {};
    }
}

// A value box: white, or red with white text for an error. Painted from the
// palette: a style sheet would cost a re-polish at every change and more at every paint.
void StyleBox(QLabel* box, bool error) {
    const QVariant was = box->property("errorShown");
    if (was.isValid() && was.toBool() == error) return;
    box->setProperty("errorShown", error);
    box->setAutoFillBackground(true);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setMargin(2);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, error ? kErrorRed : QColor(Qt::white));
    pal.setColor(QPalette::WindowText, error ? QColor(Qt::white) : QColor(Qt::black));
    box->setPalette(pal);
}

}  // namespace

// A panel of the schema: an image showing what the element is, a title and,
// for most, a value box. A click anywhere on it opens what the element opens.
class SchemaPanel : public QFrame {
public:
    SchemaPanel(E element, QWidget* parent, std::function<void(E)> clicked, std::function<QString(E)> hint)
        : QFrame(parent), element_(element), clicked_(std::move(clicked)), hint_(std::move(hint)) {
        setObjectName(SchemaElementName(element));
        setFrameShape(QFrame::StyledPanel);
        setAutoFillBackground(true);
        setCursor(Qt::PointingHandCursor);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 3, 4, 4);
        layout->setSpacing(2);
        image_ = new QLabel(this);
        image_->setObjectName(ImageName(element));
        image_->setMinimumHeight(26);
        image_->installEventFilter(this);
        image_->setAlignment(Qt::AlignCenter);
        layout->addWidget(image_, 1);
    }
    E element() const { return element_; }
    QLabel* image() const { return image_; }
    QVBoxLayout* column() const { return static_cast<QVBoxLayout*>(layout()); }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            clicked_(element_);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The hint is built when it is asked for, from the section as it is now.
        if (watched == image_ && event->type() == QEvent::ToolTip) {
            const QString text = hint_(element_);
            auto* help = static_cast<QHelpEvent*>(event);
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, image_);
            return true;
        }
        return QFrame::eventFilter(watched, event);
    }

private:
    E element_;
    std::function<void(E)> clicked_;
    std::function<QString(E)> hint_;
    QLabel* image_;
};

// The drawing surface of the schema: connects the panels with lines and
// arrow heads and draws the combining nodes.
class SchemaCanvas : public QWidget {
public:
    explicit SchemaCanvas(QWidget* parent) : QWidget(parent) {
        setObjectName("SchemaCanvas1");
        setMinimumSize(940, 500);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0xf4, 0xf6, 0xf8));
        setPalette(pal);
    }
    SchemaVisibility visibility;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0x20, 0x30, 0x50), 1.6));
        const auto on = [this](E e) { return visibility.visible(e); };
        const auto left = [](E e) {
            const QRect r = PlaceOf(e);
            return QPoint(r.left(), r.center().y());
        };
        const auto right = [](E e) {
            const QRect r = PlaceOf(e);
            return QPoint(r.right() + 1, r.center().y());
        };

        // Setpoint path: w (× y2 for a ratio) → filter → Σ.
        const QPoint afterW = on(E::WFiltr1) ? left(E::WFiltr1) : kSum1 - QPoint(kNodeRadius, 0);
        if (on(E::Product1)) {
            arrow(p, right(E::WInput1), kProduct - QPoint(kNodeRadius, 0));
            arrow(p, kProduct + QPoint(kNodeRadius, 0), afterW);
            node(p, kProduct, "x");
            if (on(E::Y2Input2)) {
                const QPoint from = right(E::Y2Input2);
                line(p, from, {kProduct.x(), from.y()});
                arrow(p, {kProduct.x(), from.y()}, kProduct - QPoint(0, kNodeRadius));
            }
        } else {
            arrow(p, right(E::WInput1), afterW);
        }
        if (on(E::WFiltr1)) arrow(p, right(E::WFiltr1), kSum1 - QPoint(kNodeRadius, 0));
        node(p, kSum1, QString());
        p.drawText(kSum1 + QPoint(4, kNodeRadius + 12), "-");
        arrow(p, kSum1 + QPoint(kNodeRadius, 0), left(E::PID1));

        // Controller → output → plant.
        const QPoint plantIn = left(E::Technologie1);
        if (on(E::UPanel1)) {
            arrow(p, right(E::PID1), left(E::UPanel1));
            arrow(p, right(E::UPanel1), plantIn);
        } else {
            arrow(p, right(E::PID1), plantIn);
        }
        if (on(E::Tuner1)) {
            const QRect t = PlaceOf(E::Tuner1), c = PlaceOf(E::PID1);
            arrow(p, {t.center().x() - 20, t.bottom() + 1}, {c.center().x() - 20, c.top()});
            arrow(p, {c.center().x() + 20, c.top()}, {t.center().x() + 20, t.bottom() + 1});
        }
        if (on(E::Y3Input1)) {
            // The actuator's real value closes the inner loop of a cascade.
            const int x = (PlaceOf(E::UPanel1).right() + plantIn.x()) / 2;
            const QPoint y3 = right(E::Y3Input1);
            line(p, {x, kLineY}, {x, y3.y()});
            arrow(p, {x, y3.y()}, y3);
            const QPoint from = left(E::Y3Input1);
            const int pidX = PlaceOf(E::PID1).right() - 20;
            line(p, from, {pidX, from.y()});
            arrow(p, {pidX, from.y()}, {pidX, PlaceOf(E::PID1).top()});
        }

        // Feedback: plant → y1 (and y2) → Σ.
        const QPoint plantOut = right(E::Technologie1);
        line(p, plantOut, {kRightTurn, kLineY});
        const QPoint y1 = right(E::Y1Input1);
        line(p, {kRightTurn, kLineY}, {kRightTurn, y1.y()});
        arrow(p, {kRightTurn, y1.y()}, y1);
        const QPoint y1Out = left(E::Y1Input1);
        if (on(E::Sum2)) {
            arrow(p, y1Out, kSum2 + QPoint(kNodeRadius, 0));
            const QPoint y2 = right(E::Y2Input1);
            line(p, {kRightTurn, y1.y()}, {kRightTurn, y2.y()});
            arrow(p, {kRightTurn, y2.y()}, y2);
            const QPoint y2Out = left(E::Y2Input1);
            line(p, y2Out, {kSum2.x(), y2Out.y()});
            arrow(p, {kSum2.x(), y2Out.y()}, kSum2 + QPoint(0, kNodeRadius));
            node(p, kSum2, QString());
            arrow(p, kSum2 - QPoint(0, kNodeRadius), kSum1 + QPoint(0, kNodeRadius));
        } else {
            line(p, y1Out, {kSum1.x(), y1Out.y()});
            arrow(p, {kSum1.x(), y1Out.y()}, kSum1 + QPoint(0, kNodeRadius));
        }
    }

private:
    static void line(QPainter& p, QPoint a, QPoint b) { p.drawLine(a, b); }
    static void arrow(QPainter& p, QPoint a, QPoint b) {
        p.drawLine(a, b);
        const QLineF l(b, a);
        if (l.length() < 1) return;
        const QPointF u = (l.p2() - l.p1()) / l.length();
        const QPointF n(-u.y(), u.x());
        QPainterPath head;
        head.moveTo(b);
        head.lineTo(QPointF(b) + u * 9 + n * 4);
        head.lineTo(QPointF(b) + u * 9 - n * 4);
        head.closeSubpath();
        p.save();
        p.setBrush(p.pen().color());
        p.drawPath(head);
        p.restore();
    }
    static void node(QPainter& p, QPoint c, const QString& mark) {
        p.save();
        p.setBrush(Qt::white);
        p.drawEllipse(c, kNodeRadius, kNodeRadius);
        if (mark.isEmpty()) {
            p.drawLine(c - QPoint(7, 0), c + QPoint(7, 0));
            p.drawLine(c - QPoint(0, 7), c + QPoint(0, 7));
        } else {
            p.drawText(QRect(c - QPoint(kNodeRadius, kNodeRadius), QSize(2 * kNodeRadius, 2 * kNodeRadius)),
                       Qt::AlignCenter, mark);
        }
        p.restore();
    }
};

namespace {

// The element's title in the room its picture leaves: a smaller font for a
// longer title (the Russian ones), cut short only as the last resort.
void DrawTitle(QPainter& p, const QString& title, int room) {
    QFont f = p.font();
    for (int size = 10; size > 7 && QFontMetrics(f).horizontalAdvance(title) > room; --size)
        f.setPixelSize(size - 1);
    p.setFont(f);
    p.drawText(QRect(0, 0, room, 14), Qt::AlignLeft | Qt::AlignTop,
               QFontMetrics(f).elidedText(title, Qt::ElideRight, room));
}

// The picture of an element's panel; the output shows its characteristic.
QPixmap ElementPicture(E e, const OutputCharacteristic& output) {
    // The controller and the tuner have wide panels: their titles get the room.
    const int width = e == E::Tuner1 ? 200 : e == E::PID1 ? 150 : 108;
    const int box = width - 52;
    QPixmap pixmap(width, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x40, 0x40, 0x40));
    if (e != E::UPanel1) {
        const int room = e == E::PID1 || e == E::Tuner1 ? box - 4 : e == E::Technologie1 ? 48 : 62;
        DrawTitle(p, Title(e), room);
    }
    f.setBold(false);
    f.setPixelSize(9);
    p.setFont(f);
    p.setPen(QPen(QColor(0x20, 0x40, 0x80), 1.5));
    switch (e) {
        case E::UPanel1:
            p.drawLine(30, 15, 90, 15);  // axes
            p.drawLine(60, 2, 60, 28);
            p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 1.8));
            if (output.minusSide)
                p.drawLine(38, 27, 82, 3);
            else
                p.drawPolyline(QPolygon({QPoint(38, 15), QPoint(60, 15), QPoint(82, 3)}));
            p.setPen(Qt::black);
            p.drawText(QRect(0, 0, 36, 12), Qt::AlignRight, "100%");
            if (output.minusSide) p.drawText(QRect(0, 18, 36, 12), Qt::AlignRight, "-100%");
            break;
        case E::PID1:
        case E::Tuner1: {
            p.drawRect(box, 4, 40, 22);
            p.drawText(QRect(box, 4, 40, 22), Qt::AlignCenter, e == E::PID1 ? "PID" : "AT");
            break;
        }
        case E::Technologie1: {
            QPainterPath curve;
            curve.moveTo(50, 26);
            curve.cubicTo(70, 26, 75, 4, 100, 4);
            p.drawPath(curve);
            break;
        }
        default: {
            // A measuring point or a setpoint source: a small gauge.
            p.drawEllipse(QPoint(76, 15), 11, 11);
            p.drawLine(QPoint(76, 15), QPoint(83, 8));
            break;
        }
    }
    return pixmap;
}

}  // namespace

TFormVisual1::TFormVisual1(VisualHost& host, std::string controllerName, QWidget* parent)
    : QWidget(parent), host_(host), name_(std::move(controllerName)) {
    setObjectName("FormVisual1");
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    exchange_ = std::make_unique<OnlineExchange>(host_.session(), name_, this);
    shownTexts_.fill(std::string());
    build();
    loadController();
    selectTab(SchemaPage);
}

TFormVisual1::~TFormVisual1() {
    Log("FormDestroy Begin - " + name_);
    // The graph keeps references to the recording and the file: it goes first.
    delete graphPage_;
    graphPage_ = nullptr;
    graph_ = nullptr;
    exchange_.reset();
    file_.reset();
    Log("FormDestroy End - " + name_);
    host_.viewDestroyed();
}

void TFormVisual1::build() {
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);

    auto* tools = new QToolBar(this);
    tools->setObjectName("ToolBar1");
    tools->setIconSize(QSize(20, 20));
    const auto button = [&](const char* name, const QIcon& icon, void (TFormVisual1::*op)(), bool checkable) {
        auto* b = new QToolButton(tools);
        b->setObjectName(name);
        b->setIcon(icon);
        b->setCheckable(checkable);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [this, op] { (this->*op)(); });
        tools->addWidget(b);
        return b;
    };
    SchemaButton1 = button("SchemaButton1", TextIcon("S", QColor(0x20, 0x40, 0x80)),
                           &TFormVisual1::SchemaButton1Click, true);
    GrafButton1 =
        button("GrafButton1", TextIcon("G", QColor(0x20, 0x80, 0x40)), &TFormVisual1::GrafButton1Click, true);
    SchemaButton2 = button("SchemaButton2", TextIcon("T", QColor(0x60, 0x40, 0x20)),
                           &TFormVisual1::SchemaButton2Click, true);
    tools->addSeparator();
    KomunikaceButton1 = button("KomunikaceButton1", TextIcon("\u25B6", QColor(0x2e, 0x9d, 0x3a)),
                               &TFormVisual1::KomunikaceButton1_Click, true);
    ToolButtonStop1 = button("ToolButtonStop1", TextIcon("\u25A0", QColor(0xc8, 0x2a, 0x2a)),
                             &TFormVisual1::ToolButtonStop1Click, false);
    ToolButtonComm1 = button("ToolButtonComm1", CommImage(31), &TFormVisual1::ToolButtonComm1Click, false);
    commImage_ = 31;
    ToolButtonStop1->setEnabled(false);
    tools->addSeparator();
    CommLabel1 = new TCommLabel(tools);
    CommLabel1->setObjectName("CommLabel1");
    // The graph page has its own label beside the side panel: one there, not two.
    commLabel1Action_ = tools->addWidget(CommLabel1);
    SimLabel1 = new QLabel(tools);
    SimLabel1->setObjectName("SimLabel1");
    SimLabel1->setStyleSheet("QLabel{color:magenta;font-weight:bold;padding-left:8px;}");
    tools->addWidget(SimLabel1)->setVisible(false);
    top->addWidget(tools);

    pages_ = new QStackedWidget(this);
    pages_->setMinimumSize(240, 160);  // the pages scroll; the dock may be small
    top->addWidget(pages_, 1);

    // ---- Schema ----
    schemaScroll_ = new QScrollArea(pages_);
    schemaScroll_->setObjectName("SchemaPanel1");
    canvas_ = new SchemaCanvas(schemaScroll_);
    schemaScroll_->setWidget(canvas_);
    schemaScroll_->setWidgetResizable(false);
    pages_->addWidget(schemaScroll_);

    const auto clicked = [this](E e) { elementClicked(e); };
    const auto hint = [this](E e) { return QStr(ElementHint(e, settings_)); };
    const auto addBox = [this](SchemaPanel* panel, SchemaValue v) {
        auto* box = new QLabel("-", panel);
        box->setObjectName(BoxName(v));
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        StyleBox(box, false);
        panel->column()->addWidget(box);
        valueBoxes_[static_cast<std::size_t>(v)] = box;
    };
    for (E e : {E::WInput1, E::WFiltr1, E::PID1, E::Tuner1, E::UPanel1, E::Technologie1, E::Y1Input1,
                E::Y2Input1, E::Y2Input2, E::Y3Input1}) {
        auto* panel = new SchemaPanel(e, canvas_, clicked, hint);
        panel->setGeometry(PlaceOf(e));
        panels_[static_cast<std::size_t>(e)] = panel;
    }
    const auto panel = [this](E e) { return panels_[static_cast<std::size_t>(e)]; };
    addBox(panel(E::WInput1), SchemaValue::Setpoint);
    addBox(panel(E::WFiltr1), SchemaValue::W);
    addBox(panel(E::PID1), SchemaValue::Manual);
    addBox(panel(E::Y1Input1), SchemaValue::Y1);
    addBox(panel(E::Y3Input1), SchemaValue::Y3);
    addBox(panel(E::Y2Input1), SchemaValue::Y2);
    {
        // Both y2 panels show the second input; the ratio one keeps its own box.
        auto* box = new QLabel("-", panel(E::Y2Input2));
        box->setObjectName("Y2Edit2");
        box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        StyleBox(box, false);
        panel(E::Y2Input2)->column()->addWidget(box);
    }
    {
        // The controller's mode buttons and the tuner's controls; the side panel drives them.
        // A smaller font and little spacing keep the longer Czech and Russian captions whole.
        QFont small = font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        for (const char* name : {"ManButton1", "AutoButton1", "RestartButton1"}) {
            auto* b = new QPushButton(panel(E::PID1));
            b->setObjectName(name);
            b->setEnabled(false);
            b->setMaximumHeight(20);
            b->setFont(small);
            row->addWidget(b);
        }
        panel(E::PID1)->column()->addLayout(row);
        auto* tunerRow = new QHBoxLayout;
        tunerRow->setSpacing(2);
        auto* lamp = new QLabel(panel(E::Tuner1));
        lamp->setObjectName("Shape1");
        lamp->setFixedSize(12, 12);
        lamp->setStyleSheet("QLabel{background:#9a9a9a;border-radius:6px;}");
        tunerRow->addWidget(lamp);
        for (const char* name : {"TuneButton1", "BreakButton1", "ParamsButton1", "ErrorButton1"}) {
            auto* b = new QPushButton(panel(E::Tuner1));
            b->setObjectName(name);
            b->setEnabled(false);
            b->setMaximumHeight(20);
            b->setFont(small);
            tunerRow->addWidget(b);
        }
        panel(E::Tuner1)->column()->addLayout(tunerRow);
    }

    // The summing and product nodes are drawn; these markers carry their names.
    for (const auto& [e, centre] : {std::pair{E::Sum1, kSum1}, {E::Sum2, kSum2}, {E::Product1, kProduct}}) {
        auto* marker = new QWidget(canvas_);
        marker->setObjectName(SchemaElementName(e));
        marker->setGeometry(centre.x() - kNodeRadius, centre.y() - kNodeRadius, 2 * kNodeRadius,
                            2 * kNodeRadius);
        marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    // The channel strip: trend colour and value of w, e, u, y.
    struct StripItem {
        E colour;
        const char* box;
        int channel;
    };
    const StripItem strip[] = {{E::XPanelW1, "WEdit1", kChannelW}, {E::XPanelE1, "EEdit1", kChannelE},
                               {E::XPanelU1, "UEdit1", kChannelU}, {E::XPanelY1, "YEdit1", kChannelY1},
                               {E::XPanelY2, nullptr, kChannelY2}, {E::XPanelY3, nullptr, kChannelY3}};
    int x = 20;
    for (std::size_t i = 0; i < std::size(strip); ++i) {
        const StripItem& s = strip[i];
        auto* colour = new SchemaPanel(s.colour, canvas_, clicked, [](E) { return QString(); });
        colour->setGeometry(x, kStripY, 34, 26);
        colour->setToolTip(QStr(std::string(TrendChannelName(s.channel))));
        colour->image()->setText(QStr(std::string(TrendChannelName(s.channel))));
        colour->image()->setMinimumHeight(0);
        panels_[static_cast<std::size_t>(s.colour)] = colour;
        x += 38;
        if (s.box) {
            auto* box = new QLabel("-", canvas_);
            box->setObjectName(s.box);
            box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            box->setGeometry(x, kStripY, 84, 26);
            StyleBox(box, false);
            stripBoxes_[i] = box;
            x += 96;
        }
    }
    for (const auto& [e, text, at] :
         {std::tuple{E::StudenyStartButton1, 3189u, 20}, std::tuple{E::RezimButton1, 3128u, 240}}) {
        auto* b = new QPushButton(QText(text), canvas_);
        b->setObjectName(SchemaElementName(e));
        b->setGeometry(at, kStripY + 40, 210, 26);
        connect(b, &QPushButton::clicked, this, [this, e = e] { elementClicked(e); });
    }

    // ---- Graph ----
    graphPage_ = new QWidget(pages_);
    graphPage_->setObjectName("GrafPage1");
    auto* graphRow = new QHBoxLayout(graphPage_);
    graphRow->setContentsMargins(0, 0, 0, 0);
    file_ = std::make_unique<IniFile>(host_.controllerFile());
    graph_ = new TrendGraphWidget(*file_, ControllerSection(name_),
                                  SectionReader(*file_, ControllerSection(name_), Reader::OnlineView).kind(),
                                  recorder_.buffer(), host_.messages(), graphPage_);
    graph_->decimalSeparator = host_.decimalSeparator();
    graph_->showHelp = [this](const std::string& topic) { host_.showHelpTopic(topic); };
    graph_->setDataFolder(host_.controllerFile().parent_path());
    graphRow->addWidget(graph_, 1);
    auto* side = new QVBoxLayout;
    ParamPanel1 = new ParameterPanelWidget(host_, *exchange_, canvas_, graphPage_);
    ParamPanel1->setFixedWidth(200);
    ParamPanel1->panel().beforeTunerQuestion = [this] { previewTunerResult(); };
    ParamPanel1->redrawValues = [this] {
        shownTexts_.fill(std::string());
        showValues();
    };
    CommLabel2 = new TCommLabel(graphPage_);
    CommLabel2->setObjectName("CommLabel2");
    side->addWidget(CommLabel2);
    side->addWidget(ParamPanel1, 1);
    auto* tuning = new QPushButton(QString::fromStdString(OwnText("Model and tuning...")), graphPage_);
    tuning->setObjectName("TuningButton1");
    connect(tuning, &QPushButton::clicked, this, [this] { openTuning(graph_->markA(), graph_->markB()); });
    side->addWidget(tuning);
    graphRow->addLayout(side);
    pages_->addWidget(graphPage_);

    // ---- Structure ----
    auto* structure = new QWidget(pages_);
    structure->setObjectName("StructPage1");
    auto* structureColumn = new QVBoxLayout(structure);
    structureColumn->setContentsMargins(2, 2, 2, 2);
    tbHex1 = new QToolButton(structure);
    tbHex1->setObjectName("tbHex1");
    tbHex1->setText("HEX");  // a radix, the same in every language
    tbHex1->setCheckable(true);
    connect(tbHex1, &QToolButton::clicked, this, &TFormVisual1::tbHex1Click);
    structureColumn->addWidget(tbHex1, 0, Qt::AlignLeft);
    StringGrid2 = new QTableWidget(structure);
    StringGrid2->setObjectName("StringGrid2");
    StringGrid2->setColumnCount(3);
    StringGrid2->verticalHeader()->setVisible(false);
    StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid2->horizontalHeader()->setStretchLastSection(true);
    StringGrid2->setColumnHidden(2, true);
    structureColumn->addWidget(StringGrid2, 1);
    pages_->addWidget(structure);

    TabSet1 = new QTabBar(this);
    TabSet1->setObjectName("TabSet1");
    TabSet1->setShape(QTabBar::RoundedSouth);
    for (int i = 0; i < 3; ++i) TabSet1->addTab(QString());
    connect(TabSet1, &QTabBar::currentChanged, this, [this](int index) {
        fromTabSet_ = true;
        showPage(index);
        fromTabSet_ = false;
    });
    top->addWidget(TabSet1);
    resize(960, 600);
    Localize();
}

void TFormVisual1::Localize() {
    setWindowTitle(QStr("Velmora - " + name_));
    const char* pageNames[] = {"Schema", "Graph", "Structure"};
    QToolButton* pageButtons[] = {SchemaButton1, GrafButton1, SchemaButton2};
    for (int i = 0; i < 3; ++i) {
        TabSet1->setTabText(i, QStr(OwnText(pageNames[i])));
        pageButtons[i]->setToolTip(TabSet1->tabText(i));
    }
    StringGrid2->setHorizontalHeaderLabels({QStr(OwnText("Name")), QStr(OwnText("Value")), "HEX"});
    SimLabel1->setText(QStr(OwnText("Simulation")));
    for (const auto& [name, text] : {std::pair{"ManButton1", "Man"},
                                     {"AutoButton1", "Auto"},
                                     {"RestartButton1", "Restart"},
                                     {"TuneButton1", "Tune"},
                                     {"BreakButton1", "Break"},
                                     {"ParamsButton1", "Params"},
                                     {"ErrorButton1", "Error"}})
        if (auto* b = findChild<QPushButton*>(name)) b->setText(QStr(OwnText(text)));
    for (SchemaPanel* p : panels_)
        if (p && p->image()->text().isEmpty()) p->setToolTip(Title(p->element()));
    if (loaded_) paintPictures();
    if (graph_) graph_->localize();
    if (ParamPanel1) ParamPanel1->localize();
    KomunikaceButton1->setToolTip(QText(3277));
    ToolButtonStop1->setToolTip(QText(3278));
    ToolButtonComm1->setToolTip(QText(3461));
    if (auto* b = findChild<QPushButton*>("StudenyStartButton1")) b->setText(QText(3189));
    if (auto* b = findChild<QPushButton*>("RezimButton1")) b->setText(QText(3128));
}

bool TFormVisual1::loadController(bool activation) {
    const bool keepPlant = activation;
    if (vanished_) return false;
    IniFile file(host_.controllerFile());
    if (SectionReader(file, ControllerSection(name_), Reader::Lists).text(key::Name).empty()) {
        // The controller was removed or renamed behind the view's back.
        vanished_ = true;
        if (exchange_->online()) exchange_->setOnline(false);
        if (MessageBoxes* m = host_.messages())
            m->show("Velmora - " + name_, Text(3023), MessageIcon::Exclamation, MessageButtons::Ok);
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
        return false;
    }
    settings_ = ReadExchangeSettings(file, name_);
    const SchemaVisibility shown = VisibleElements(settings_);
    canvas_->visibility = shown;
    for (std::size_t i = 0; i < kSchemaElements; ++i) {
        const auto e = static_cast<E>(i);
        if (QWidget* w = canvas_->findChild<QWidget*>(SchemaElementName(e))) w->setVisible(shown.visible(e));
    }
    paintPictures();
    // Only an element that opens something looks clickable.
    for (SchemaPanel* p : panels_)
        if (p)
            p->setCursor(ClickTarget(p->element(), settings_.kind) == SchemaTarget::None
                             ? Qt::ArrowCursor
                             : Qt::PointingHandCursor);
    setSimulationActive(host_.reloadSimulation(*exchange_, keepPlant));
    loaded_ = true;
    canvas_->update();
    showValues();
    // An activation (back from Help or another window) keeps what was typed
    // into the side panel, or "Use vals" would send the file's values.
    if (ParamPanel1 && !(activation && ParamPanel1->panel().edited())) ParamPanel1->reload();
    return true;
}

void TFormVisual1::paintPictures() {
    const OutputCharacteristic output = OutputCharacteristicFor(settings_);
    for (SchemaPanel* p : panels_)
        if (p && p->image()->text().isEmpty()) p->image()->setPixmap(ElementPicture(p->element(), output));
}

void TFormVisual1::selectTab(int index) {
    if (index < 0 || index > 2) return;
    if (TabSet1->currentIndex() == index)
        showPage(index);  // a click on the current tab only redraws
    else
        TabSet1->setCurrentIndex(index);
}

void TFormVisual1::SchemaButton1Click() {
    selectTab(SchemaPage);
}
void TFormVisual1::GrafButton1Click() {
    selectTab(GraphPage);
}
void TFormVisual1::SchemaButton2Click() {
    selectTab(StructurePage);
}

void TFormVisual1::showPage(int index) {
    page_ = index;
    pages_->setCurrentIndex(index);
    SchemaButton1->setChecked(index == SchemaPage);
    GrafButton1->setChecked(index == GraphPage);
    SchemaButton2->setChecked(index == StructurePage);
    if (commLabel1Action_) commLabel1Action_->setVisible(index != GraphPage);
    exchange_->setStructureView(index == StructurePage);
    exchange_->setGraphShown(index == GraphPage);
    schemaScroll_->setHorizontalScrollBarPolicy(index == SchemaPage ? Qt::ScrollBarAsNeeded
                                                                    : Qt::ScrollBarAlwaysOff);
    // Samples stored while another page was shown: window, scroll bar and tools catch up.
    if (index == GraphPage) graph_->sampleAdded();
    if (index == StructurePage) showStructure();
    update();
}

void TFormVisual1::KomunikaceButton1_Click() {
    exchange_->KomunikaceButton1_Click();
    if (exchange_) KomunikaceButton1->setChecked(exchange_->online());
}

void TFormVisual1::ToolButtonStop1Click() {
    exchange_->ToolButtonStop1Click();
}

void TFormVisual1::ToolButtonComm1Click() {
    if (MessageBoxes* m = host_.messages())
        m->show(Text(3461), Text(3462) + Text(3463), MessageIcon::Information, MessageButtons::Ok);
}

void TFormVisual1::tbHex1Click() {
    hex_ = tbHex1->isChecked();
    StringGrid2->setColumnHidden(2, !hex_);
    showStructure();
}

void TFormVisual1::setSimulationActive(bool active) {
    // A tool bar shows and hides its widgets through their actions.
    if (auto* tools = findChild<QToolBar*>("ToolBar1"))
        for (QAction* a : tools->actions())
            if (tools->widgetForAction(a) == SimLabel1) a->setVisible(active);
}

void TFormVisual1::elementClicked(SchemaElement element) {
    const SchemaTarget target = ClickTarget(element, settings_.kind);
    if (target == SchemaTarget::None) return;
    if (target == SchemaTarget::Graph) {
        selectTab(GraphPage);
        return;
    }
    if (target == SchemaTarget::PidmaAutotuner) {
        // The tuner's settings change what "Use vals" would write: the panel decides.
        if (ParamPanel1->panel().TunerImage1Click()) loadController();
        return;
    }
    afterModal(host_.openTarget(target, name_));
}

void TFormVisual1::openVariablePage(VariablePage page) {
    afterModal(host_.openVariablePage(page, name_));
}

void TFormVisual1::afterModal(bool accepted) {
    // After "OK" the section may say something else: show what it says now.
    if (accepted) loadController();
}

void TFormVisual1::showValues() {
    const SchemaValues values = ShownSchemaValues(*exchange_, host_.decimalSeparator());
    for (std::size_t i = 0; i < kSchemaValues; ++i) {
        QLabel* box = valueBoxes_[i];
        const ShownValue& v = values[i];
        // Only a changed text costs a repaint.
        const std::string key = v.text + (v.error ? "!" : "");
        if (shownTexts_[i] == key) continue;
        shownTexts_[i] = key;
        if (box) {
            box->setText(QStr(v.text));
            StyleBox(box, v.error);
            box->setToolTip(QStr(v.hint));
        }
        if (i == static_cast<std::size_t>(SchemaValue::Y2))
            if (auto* ratio = panels_[static_cast<std::size_t>(E::Y2Input2)]->findChild<QLabel*>("Y2Edit2")) {
                ratio->setText(QStr(v.text));
                StyleBox(ratio, v.error);
            }
        const int strip = i == static_cast<std::size_t>(SchemaValue::W)    ? 0
                          : i == static_cast<std::size_t>(SchemaValue::E)  ? 1
                          : i == static_cast<std::size_t>(SchemaValue::U)  ? 2
                          : i == static_cast<std::size_t>(SchemaValue::Y1) ? 3
                                                                           : -1;
        if (strip >= 0 && stripBoxes_[static_cast<std::size_t>(strip)]) {
            stripBoxes_[static_cast<std::size_t>(strip)]->setText(QStr(v.text));
            StyleBox(stripBoxes_[static_cast<std::size_t>(strip)], v.error);
        }
    }
    // The manual box is live only in manual mode of a PIDMA controller.
    if (QLabel* manual = valueBoxes_[static_cast<std::size_t>(SchemaValue::Manual)])
        manual->setEnabled(settings_.kind == ControllerKind::Pidma && exchange_->hasData() &&
                           exchange_->pidmaImage()[plc::PidaOffset("MAN")] != 0);
}

void TFormVisual1::showStructure() {
    if (page_ != StructurePage) return;
    const auto rows = StructureRows(*exchange_, host_.decimalSeparator());
    StringGrid2->setUpdatesEnabled(false);
    StringGrid2->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const StructureRow& row = rows[static_cast<std::size_t>(r)];
        const std::string* cells[] = {&row.name, &row.value, &row.hex};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem* item = StringGrid2->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                StringGrid2->setItem(r, c, item);
            }
            const QString text = QStr(*cells[c]);
            if (item->text() != text) item->setText(text);
        }
    }
    StringGrid2->setUpdatesEnabled(true);
}

void TFormVisual1::setCommImage(int image) {
    if (image == commImage_) return;
    commImage_ = image;
    ToolButtonComm1->setIcon(CommImage(image));
}

void TFormVisual1::showCommState(TCommState state, bool fixed) {
    for (TCommLabel* label : {CommLabel1, CommLabel2}) {
        if (label->GetCommState() != state) label->SetCommState(state);
        if (label->Get_IsFixed() != fixed) label->Set_IsFixed(fixed);
    }
}

void TFormVisual1::onlineChanged(bool online) {
    KomunikaceButton1->setChecked(online);
    ToolButtonStop1->setEnabled(online);
    for (TCommLabel* label : {CommLabel1, CommLabel2}) label->SetDataState(TDataState::dsNoComm);
    setCommImage(31);
    ParamPanel1->onlineChanged(online);
    host_.communicationChanged();
}

void TFormVisual1::refreshPendingControls() {
    ParamPanel1->refreshPendingControls();
}
void TFormVisual1::tunerReport(int code) {
    ParamPanel1->tunerReport(code);
}

void TFormVisual1::commTicked(const TickResult& result) {
    setCommImage(result.image);
    for (TCommLabel* label : {CommLabel1, CommLabel2})
        if (label->GetDataState() != result.state) label->SetDataState(result.state);
    if (result.newSample && exchange_->lastDataTime()) {
        recorder_.sample(*exchange_->lastDataTime(), ShownChannelTexts(*exchange_, host_.decimalSeparator()));
        if (page_ == GraphPage) graph_->sampleAdded();
    }
    if (page_ == SchemaPage || result.newSample) showValues();
    if (page_ == StructurePage) showStructure();
    ParamPanel1->commTicked();
    tunerExperiment_.follow(ParamPanel1->panel().lamp() == TunerLamp::Lime, recorder_.buffer());
}

QWidget* TFormVisual1::openTuning(std::optional<double> markA, std::optional<double> markB) {
    const tuning::LoopController running = RunningController(*file_, name_, *exchange_);
    return OpenTuningDialog(this, {.recording = recorder_.buffer(),
                                   .markA = markA,
                                   .markB = markB,
                                   .current = running,
                                   .tuned = TunerResult(*exchange_, running),
                                   .panel = &ParamPanel1->panel(),
                                   .decimalSeparator = host_.decimalSeparator(),
                                   .viewExchange = ViewExchangePeriod(*file_, name_),
                                   .proposeSetpoint = [this](bool ramp, int tiW) {
                                       const bool written = host_.openSetpointPage(name_, ramp, tiW);
                                       afterModal(written);
                                       return written;
                                   }});
}

void TFormVisual1::previewTunerResult() {
    const auto window = tunerExperiment_.window(recorder_.buffer());
    if (!window || !TunerResult(*exchange_, RunningController(*file_, name_, *exchange_))) return;
    // Beside the question, which stays modal: the preview is there to be looked at before answering.
    QWidget* dialog = openTuning(window->first, window->second);
    // At the screen's top left, once the window manager has framed it; the
    // question box comes up in the middle.
    QTimer::singleShot(0, dialog, [dialog] {
        QWindow* window = dialog->windowHandle();
        if (const QScreen* screen = dialog->screen(); screen && window)
            window->setFramePosition(screen->availableGeometry().topLeft() + QPoint(8, 8));
    });
}

void TFormVisual1::closeMessage(bool) {
    // The closing pass reached this view: the callback is done with it.
    Log("Canclose = true");
    hide();
    deleteLater();
}

void TFormVisual1::closeEvent(QCloseEvent* event) {
    Log("RemoveDockableForm - FormVisual1");
    host_.removeFromDesktop(this);
    // Closing switches the view offline; while the host's loop runs it may
    // still hold the view, so the loop's next closing pass finishes the close.
    const bool wasOnline = exchange_->online();
    if (wasOnline) exchange_->setOnline(false);
    const OnlineSession& session = host_.session();
    if (!exchange_->closeRequested() && (session.insideCallback() || (wasOnline && !session.commPending()))) {
        exchange_->requestClose();
        Log("Canclose = false");
        hide();
        event->ignore();
        return;
    }
    Log("Canclose = true");
    event->accept();
}

void TFormVisual1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        host_.showHelp();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFormVisual1::event(QEvent* event) {
    // FormActivate: the view shows its controller as the file has it now;
    // the plant is reset only when its settings changed meanwhile.
    if (event->type() == QEvent::WindowActivate && loaded_) loadController(true);
    return QWidget::event(event);
}

void TFormVisual1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    showValues();
}

}  // namespace velmora::online
