#include "plugin/CompMsgForm.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include "base/Texts.h"

namespace velmora {

namespace {

constexpr int kClientWidth = 361;
constexpr int kClientHeight = 135;
constexpr int kPanelWidth = 334;
constexpr int kPanelHeight = 22;
constexpr int kLabelWidth = 250;
constexpr int kLabelHeight = 20;
constexpr int kPanelLeft = (kClientWidth - kPanelWidth) / 2;
constexpr int kPanelTop = 8;
constexpr int kPanelGap = 8;

QString Q(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}

// The caption column is narrow (the value label takes 250 of 334 pixels): a
// caption that does not fit, as Russian "Warning" does not, gets a smaller font.
void SetFittingText(QLabel* label, const QString& text) {
    QFont font = label->parentWidget()->font();
    const int room = label->width() - 2;
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->setText(text);
}

}  // namespace

TCompMsgFrm::TCompMsgFrm(QWidget* parent) : QDialog(parent) {
    setObjectName("CompMsgFrm");
    // A dialog frame with a caption and no border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = addPanel("Panel1", kPanelTop, PanelCaption1, lProjekt, "lProjekt");
    Panel2 = addPanel("Panel2", kPanelTop + (kPanelHeight + kPanelGap), PanelCaption2, lComp, "lComp");
    Panel3 =
        addPanel("Panel3", kPanelTop + 2 * (kPanelHeight + kPanelGap), PanelCaption3, lWarning, "lWarning");

    // The file line stands out: bold and green, caption and value alike.
    QFont bold = Panel2->font();
    bold.setBold(true);
    Panel2->setFont(bold);
    QPalette green = Panel2->palette();
    green.setColor(QPalette::WindowText, QColor(0, 128, 0));
    Panel2->setPalette(green);

    btOK = new QPushButton(this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btOK->setAutoDefault(true);
    const int buttonTop = kPanelTop + 3 * (kPanelHeight + kPanelGap) + 4;
    btOK->setGeometry((kClientWidth - 75) / 2, buttonTop, 75, 25);
    // Default and cancel button alike: Enter and Escape both end with result 1.
    connect(btOK, &QPushButton::clicked, this, [this] { done(1); });

    localize();
    setCounter("0");

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
}

QFrame* TCompMsgFrm::addPanel(const char* name, int top, QLabel*& caption, QLabel*& value,
                              const char* valueName) {
    auto* panel = new QFrame(this);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setGeometry(kPanelLeft, top, kPanelWidth, kPanelHeight);

    caption = new QLabel(panel);
    caption->setObjectName(QString(name) + "Caption");
    caption->setGeometry(4, 1, kPanelWidth - kLabelWidth - 5, kLabelHeight);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    value = new QLabel(panel);
    value->setObjectName(valueName);
    value->setGeometry(kPanelWidth - kLabelWidth - 1, 1, kLabelWidth, kLabelHeight);
    value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    value->setIndent(6);
    return panel;
}

void TCompMsgFrm::localize() {
    setWindowTitle(Q(2054));
    SetFittingText(PanelCaption1, Q(2031));
    SetFittingText(PanelCaption2, Q(2054));
    SetFittingText(PanelCaption3, Q(2038));
    btOK->setText(Q(2005));
}

void TCompMsgFrm::setProject(const std::string& plcName) {
    lProjekt->setText(QString::fromStdString(plcName));
}

void TCompMsgFrm::setFile(const std::string& file) {
    lComp->setText(QString::fromStdString(file));
}

void TCompMsgFrm::setCounter(const std::string& counter) {
    lWarning->setText(QString::fromStdString(counter));
}

void QtCompileMessages::show() {
    form_->show();
    form_->raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace velmora
