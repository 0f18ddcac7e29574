#pragma once
// The one QApplication of a UI test program, made on first use and never
// destroyed (tearing it down among the program's statics crashes Qt).
#include <QApplication>

namespace velmora::testing {

inline QApplication& UiApp() {
    static int argc = 1;
    static char name[] = "velmora_ui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app =
        QApplication::instance() ? qobject_cast<QApplication*>(QApplication::instance()) : new QApplication(argc, argv);
    return *app;
}

}  // namespace velmora::testing
