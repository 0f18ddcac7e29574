#include "online/CommLabelWidget.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace velmora::online {

TCommLabel::TCommLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
    resize(105, 22);
}

namespace {

QWidget* LiveWidget(void* handle) {
    if (!handle || !qApp) return nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (static_cast<void*>(w) == handle) return w;
    return nullptr;
}

}  // namespace

TCommLabel* TCommLabel::FromHandle(void* handle) {
    return qobject_cast<TCommLabel*>(LiveWidget(handle));
}

bool TCommLabel::MenuFromHandle(void* handle, QMenu*& menu) {
    menu = nullptr;
    if (!handle) return true;
    menu = qobject_cast<QMenu*>(LiveWidget(handle));
    return menu != nullptr;
}

void TCommLabel::SetCommState(TCommState state) {
    if (core_.SetCommState(state)) update();
}

void TCommLabel::SetDataState(TDataState state) {
    if (core_.SetDataState(state)) update();
}

void TCommLabel::Set_DataWidthPRC(int percent) {
    if (core_.Set_DataWidthPRC(percent)) update();
}

void TCommLabel::Set_CanSTDLabel(bool on) {
    if (core_.Set_CanSTDLabel(on)) update();
}

void TCommLabel::Set_IsFixed(bool fixed) {
    if (core_.Set_IsFixed(fixed)) update();
}

QColor TCommLabel::colour(const PartColour& c) const {
    using K = PartColour::Kind;
    switch (c.kind) {
        case K::Rgb:
            return QColor(c.r, c.g, c.b);
        case K::ButtonFace:
            return palette().color(QPalette::Button);
        case K::InfoBackground:
            return palette().color(QPalette::ToolTipBase);
        case K::LabelColour:
            return palette().color(backgroundRole());
        case K::ButtonShadow:
            return palette().color(QPalette::Dark);
        case K::ButtonHighlight:
            return palette().color(QPalette::Light);
    }
    return palette().color(backgroundRole());
}

void TCommLabel::paintEvent(QPaintEvent* event) {
    if (core_.Get_CanSTDLabel()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const auto measure = [&](const std::string& text) {
        return TextSize{metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
    };
    const LabelPaint p = core_.paint(width(), height(),
                                     measure(CommLabel::CommText(core_.GetCommState(), core_.Get_IsFixed())),
                                     measure(CommLabel::DataText(core_.GetDataState())));
    for (const PartPaint* part : {&p.data, &p.comm}) {
        const PartRect& r = part->rect;
        if (r.width() <= 0) continue;
        painter.fillRect(QRect(r.left, r.top, r.width(), r.bottom - r.top), colour(part->background));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(part->textX, part->textY + metrics.ascent(), QString::fromStdString(part->text));
        for (const LineSegment& line : part->frame) {
            painter.setPen(colour(line.colour));
            painter.drawLine(line.x1, line.y1, line.x2, line.y2);
        }
    }
}

void TCommLabel::mousePressEvent(QMouseEvent* event) {
    // The label's popup menu becomes the menu of the part under the pointer.
    popup_ = static_cast<QMenu*>(core_.mouseDown(event->position().toPoint().x(), width(), popup_));
    if (event->button() == Qt::RightButton && popup_) popup_->popup(event->globalPosition().toPoint());
    QLabel::mousePressEvent(event);
}

void TCommLabel::mouseMoveEvent(QMouseEvent* event) {
    const auto decision = core_.mouseMove(event->position().toPoint().x(), width(), toolTip().toStdString());
    if (decision) {
        if (!decision->hintsOn) {
            setToolTip({});
            QToolTip::hideText();
        } else if (decision->showNow) {
            setToolTip(QString::fromStdString(decision->hint));
            QToolTip::showText(event->globalPosition().toPoint(), toolTip(), this);
        }
    }
    QLabel::mouseMoveEvent(event);
}

}  // namespace velmora::online
