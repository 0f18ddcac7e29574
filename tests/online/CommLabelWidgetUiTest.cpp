// The comm label painted offscreen: the parts' colours where the document
// puts them, and a screenshot to look at (build dir, commlabel.png).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "online/CommLabelWidget.h"

namespace velmora::online {
namespace {

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

QImage Render(TCommLabel& label) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    return image;
}

TEST(CommLabelWidget, PaintsBothPartsInTheirColours) {
    QApplication app(argc, argv);
    TCommLabel label;
    label.setObjectName("CommLabel1");
    EXPECT_EQ(label.size(), QSize(105, 22));
    label.SetCommState(TCommState::csRUN);
    label.SetDataState(TDataState::dsDataERR);
    label.Set_IsFixed(true);
    QImage image = Render(label);
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(192, 192, 192)) << "No Data on silver";
    EXPECT_EQ(QColor(image.pixel(101, 3)), QColor(0, 255, 0)) << "Run on lime";
    EXPECT_EQ(image.pixel(1, 10), label.palette().color(QPalette::Dark).rgb()) << "sunken frame";
    EXPECT_EQ(image.pixel(104, 10), label.palette().color(QPalette::Light).rgb());

    // Three states side by side for the eye.
    QImage sheet(105, 3 * 24, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.drawImage(0, 0, image);
    label.SetCommState(TCommState::csCommErr);
    label.SetDataState(TDataState::dsDataOK);
    image = Render(label);
    EXPECT_EQ(QColor(image.pixel(101, 3)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(0, 255, 0));
    painter.drawImage(0, 24, image);
    label.SetCommState(TCommState::csTrying);
    image = Render(label);
    EXPECT_EQ(image.pixel(3, 3), label.palette().color(QPalette::ToolTipBase).rgb())
        << "Connecting takes the whole strip";
    painter.drawImage(0, 48, image);
    painter.end();
    EXPECT_TRUE(sheet.save(VELMORA_BIN_DIR "/../commlabel.png"));
}

TEST(CommLabelWidget, RightClickChoosesThePartMenu) {
    QApplication app(argc, argv);
    TCommLabel label;
    QMenu own, comm, data;
    label.setPopupMenu(&own);
    label.Set_CommPopupMenu(&comm);
    label.Set_DataPopupMenu(&data);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(90, 10), QPointF(90, 10), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&label, &right);
    EXPECT_EQ(label.popupMenu(), &comm);
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&label, &left);
    EXPECT_EQ(label.popupMenu(), &data);
    label.Set_CanSTDLabel(true);
    QApplication::sendEvent(&label, &left);
    EXPECT_EQ(label.popupMenu(), &own);
}

}  // namespace
}  // namespace velmora::online
