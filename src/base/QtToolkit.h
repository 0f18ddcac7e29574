#pragma once
// The toolkit seams of the rules (plugin/Toolkit.h) implemented with Qt.
#include <QMessageBox>
#include <QTimer>

#include <memory>
#include <string>

#include "base/Toolkit.h"

namespace velmora {

// The box that QtMessageBoxes::show executes: no owner, on top of every window,
// the caption and text exactly as given. Separate so that tests can look at it
// without running it.
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& caption, const std::string& text,
                                             MessageIcon icon, MessageButtons buttons);
// What a finished box means to the caller; a box closed without a button
// (window manager, Escape) counts as the safe answer of its button set.
MessageAnswer AnswerOf(int execResult, MessageButtons buttons);

class QtMessageBoxes : public MessageBoxes {
public:
    MessageAnswer show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
};

// A timer on the Qt event loop. Like the timers the rules were written for, it
// never fires with interval 0 and restarts its period when the interval changes.
class QtTimer : public Timer {
public:
    QtTimer();
    void setInterval(int milliseconds) override;
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    // Whether the underlying Qt timer is running (false with interval 0).
    bool running() const { return timer_.isActive(); }

private:
    void apply();

    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = false;
};

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<QtTimer>(); }
};

// The decimal separator of the system's locale as one character ('.' when the
// locale's separator is not a single ASCII character).
char SystemDecimalSeparator();

// Owns one of each Qt seam and hands them out as the rules' Toolkit.
class QtToolkit {
public:
    QtToolkit();
    QtToolkit(const QtToolkit&) = delete;
    QtToolkit& operator=(const QtToolkit&) = delete;

    Toolkit& toolkit() { return toolkit_; }

private:
    QtMessageBoxes messages_;
    QtTimerFactory timers_;
    SystemClock clock_;
    Toolkit toolkit_;
};

}  // namespace velmora
