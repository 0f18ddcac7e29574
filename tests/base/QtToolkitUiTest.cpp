// The Qt side of the toolkit seams: message boxes are built and inspected, not run.
#include <gtest/gtest.h>

#include "support/UiApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPushButton>

#include "base/QtToolkit.h"
#include "base/Texts.h"

namespace velmora {
namespace {

TEST(QtMessageBox, HasNoOwnerStaysOnTopShowsTheTextAsGivenAndOffersSafeButtonsInThePluginsLanguage) {
    testing::UiApp();
    auto box = BuildMessageBox("Warning", "Overwrite <b>PID_1</b>?\r\nSure", MessageIcon::Exclamation,
                               MessageButtons::YesNo);
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(box->windowTitle(), "Warning");
    EXPECT_EQ(box->textFormat(), Qt::PlainText) << "texts are never read as markup";
    EXPECT_EQ(box->text(), "Overwrite <b>PID_1</b>?\nSure");
    box->show();  // showing must not lose the flag either
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    box->hide();
    // The button pressed becomes the answer; Escape, or closing the box by other
    // means, gives the answer that changes nothing.
    using B = QMessageBox;
    using A = MessageAnswer;
    struct Case {
        MessageButtons buttons;
        QMessageBox::StandardButtons offered;
        QMessageBox::StandardButton byDefault, byEscape;
        MessageAnswer onDefault, onEscape;
    };
    const Case cases[] = {
        {MessageButtons::Ok, B::Ok, B::Ok, B::Ok, A::Ok, A::Ok},
        {MessageButtons::OkCancel, B::Ok | B::Cancel, B::Ok, B::Cancel, A::Ok, A::Cancel},
        {MessageButtons::YesNo, B::Yes | B::No, B::Yes, B::No, A::Yes, A::No},
        {MessageButtons::YesNoCancel, B::Yes | B::No | B::Cancel, B::Yes, B::Cancel, A::Yes, A::Cancel},
    };
    for (const Case& c : cases) {
        box = BuildMessageBox("c", "t", MessageIcon::Question, c.buttons);
        EXPECT_EQ(box->standardButtons(), c.offered);
        EXPECT_EQ(box->defaultButton(), box->button(c.byDefault));
        EXPECT_EQ(box->escapeButton(), box->button(c.byEscape));
        EXPECT_EQ(AnswerOf(c.byDefault, c.buttons), c.onDefault);
        EXPECT_EQ(AnswerOf(c.byEscape, c.buttons), c.onEscape);
        EXPECT_EQ(AnswerOf(-1, c.buttons), c.onEscape);
    }
    ModuleTexts().chooseLanguage(0);
    box = BuildMessageBox("c", "t", MessageIcon::Question, MessageButtons::YesNoCancel);
    for (const auto& [button, text] : {std::pair{B::Yes, 2003}, {B::No, 2004}, {B::Cancel, 2006}})
        EXPECT_EQ(box->button(button)->text().toStdString(), Text(text)) << text;
    box = BuildMessageBox("c", "t", MessageIcon::None, MessageButtons::Ok);
    EXPECT_EQ(box->button(B::Ok)->text().toStdString(), Text(2005));
    ModuleTexts().chooseLanguage(1);
}

// Runs the event loop until the condition holds or two seconds passed.
template <typename F>
bool SpinUntil(F condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

TEST(QtTimer, TicksWhileEnabledStopsWhenDisabledAndNeverWithoutAnInterval) {
    testing::UiApp();
    QtTimerFactory factory;
    std::unique_ptr<Timer> timer = factory.create();
    int ticks = 0;
    timer->onTick = [&] { ++ticks; };
    timer->setInterval(5);
    EXPECT_FALSE(timer->enabled());
    timer->setEnabled(true);
    EXPECT_TRUE(SpinUntil([&] { return ticks >= 3; }));
    timer->setEnabled(false);
    const int stoppedAt = ticks;
    QElapsedTimer waited;
    waited.start();
    SpinUntil([&] { return waited.elapsed() > 60; });  // a dozen periods
    EXPECT_EQ(ticks, stoppedAt);
    // A zero interval never fires until one is set.
    QtTimer idle;
    int idleTicks = 0;
    idle.onTick = [&] { ++idleTicks; };
    idle.setEnabled(true);
    EXPECT_TRUE(idle.enabled());
    EXPECT_FALSE(idle.running());
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(idleTicks, 0);
    idle.setInterval(125);
    EXPECT_TRUE(idle.running()) << "an interval set later starts the enabled timer";
    EXPECT_EQ(idle.interval(), 125);
}

}  // namespace
}  // namespace velmora
