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

TEST(CommLabelWidget, PaintsBothPartsInTheirColours) {
    testing::UiApp();
    TCommLabel label;
    EXPECT_EQ(label.size(), QSize(105, 22));
    const QColor infoBackground = label.palette().color(QPalette::ToolTipBase);
    const struct {
        TCommState comm;
        TDataState data;
        QColor left, right;  // "Connecting" takes the whole strip
    } cases[] = {
        {TCommState::csRUN, TDataState::dsDataERR, QColor(192, 192, 192), QColor(0, 255, 0)},
        {TCommState::csCommErr, TDataState::dsDataOK, QColor(0, 255, 0), QColor(255, 0, 0)},
        {TCommState::csTrying, TDataState::dsDataOK, infoBackground, infoBackground},
    };
    for (const auto& c : cases) {
        label.SetCommState(c.comm);
        label.SetDataState(c.data);
        const QImage image = Render(label);
        EXPECT_EQ(QColor(image.pixel(3, 3)), c.left) << int(c.comm);
        EXPECT_EQ(QColor(image.pixel(101, 3)), c.right) << int(c.comm);
    }
    label.SetCommState(TCommState::csRUN);
    const QImage image = Render(label);
    EXPECT_EQ(image.pixel(1, 10), label.palette().color(QPalette::Dark).rgb()) << "sunken frame";
    EXPECT_EQ(image.pixel(104, 10), label.palette().color(QPalette::Light).rgb());
}

TEST(CommLabelWidget, RightClickChoosesThePartMenu) {
    testing::UiApp();
    TCommLabel label;
    QMenu own, comm, data;
    label.setPopupMenu(&own);
    label.Set_CommPopupMenu(&comm);
    label.Set_DataPopupMenu(&data);
    const auto press = [&](double x) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 10), QPointF(x, 10), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(&label, &e);
        return label.popupMenu();
    };
    EXPECT_EQ(press(90), &comm);
    EXPECT_EQ(press(10), &data);
    label.Set_CanSTDLabel(true);
    EXPECT_EQ(press(10), &own);
}

}  // namespace
}  // namespace velmora::online
