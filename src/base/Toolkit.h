#pragma once
// What the rules need from a window toolkit, asked through small interfaces so
// that core stays free of Qt. The Qt implementations live beside the forms;
// tests use scripted fakes.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system's local time with milliseconds.
class SystemClock : public Clock {
public:
    LocalTime now() const override;
};

enum class MessageIcon { None, Stop, Exclamation, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Modal message boxes: no owner, always on top.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer show(const std::string& caption, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    std::function<void()> onTick;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> create() = 0;
};

// A timer that only ticks when told to: the headless host and tests drive it.
class ManualTimer : public Timer {
public:
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }
    // Runs onTick when enabled; returns whether it ran.
    bool tick() {
        if (!enabled_ || !onTick) return false;
        onTick();
        return true;
    }

private:
    int interval_ = 0;
    bool enabled_ = false;
};

// Everything a toolkit offers to the rules.
struct Toolkit {
    MessageBoxes* messages = nullptr;
    TimerFactory* timers = nullptr;
    const Clock* clock = nullptr;
    char decimalSeparator = '.';
    // Lets the toolkit's message loop run (the compile pass calls it between files).
    std::function<void()> processEvents;
};

}  // namespace velmora
