// The comm label painted offscreen: the parts' colours where they belong, and
// the menu of the part under the pointer.
#include <QImage>
#include <QMenu>
#include <QMouseEvent>

#include "online/CommLabelWidget.h"
#include "support/UiApp.h"

namespace velmora::online {
namespace {

QImage Render(TCommLabel& label) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    return image;
}

TEST(CommLabelWidget, PaintsBothPartsAndAPressChoosesThePartMenu) {
    velmora::testing::UiApp();
    TCommLabel label;
    EXPECT_EQ(label.size(), QSize(105, 22));
    label.SetCommState(TCommState::csCommErr);
    label.SetDataState(TDataState::dsDataOK);
    QImage image = Render(label);
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(0, 255, 0)) << "data part";
    EXPECT_EQ(QColor(image.pixel(101, 3)), QColor(255, 0, 0)) << "comm part";
    EXPECT_EQ(image.pixel(1, 10), label.palette().color(QPalette::Dark).rgb()) << "sunken frame";
    EXPECT_EQ(image.pixel(104, 10), label.palette().color(QPalette::Light).rgb());

    QMenu own, comm, data;
    label.setPopupMenu(&own);
    label.Set_CommPopupMenu(&comm);
    label.Set_DataPopupMenu(&data);
    const auto press = [&](double x) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 10), QPointF(x, 10), Qt::LeftButton,
                      Qt::LeftButton, {});
        QApplication::sendEvent(&label, &e);
        return label.popupMenu();
    };
    EXPECT_EQ(press(90), &comm);
    EXPECT_EQ(press(52), &data) << "52 < 105 / 2";
    label.Set_CanSTDLabel(true);
    EXPECT_EQ(press(10), &own);

    label.Set_CanSTDLabel(false);
    label.SetCommState(TCommState::csTrying);  // the whole strip, in a system colour
    image = Render(label);
    for (int x : {3, 101})
        EXPECT_EQ(QColor(image.pixel(x, 3)), label.palette().color(QPalette::ToolTipBase)) << x;
}

}  // namespace
}  // namespace velmora::online
