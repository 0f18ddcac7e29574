#include "base/QtToolkit.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLocale>

#include <utility>

#include "base/Texts.h"

namespace velmora {

namespace {

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// The texts come with Windows line ends; Qt wants plain line feeds.
QString BoxText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& caption, const std::string& text,
                                             MessageIcon icon, MessageButtons buttons) {
    auto box = std::make_unique<QMessageBox>();  // no owner: it must show even when no window of ours is up
    box->setWindowTitle(QString::fromStdString(caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(BoxText(text));
    box->setIcon(QtIcon(icon));
    switch (buttons) {
        case MessageButtons::Ok:
            box->setStandardButtons(QMessageBox::Ok);
            box->setDefaultButton(QMessageBox::Ok);
            box->setEscapeButton(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box->setDefaultButton(QMessageBox::Ok);
            box->setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::Cancel);
            break;
    }
    // Button captions in the plug-in's language, not the toolkit's.
    const std::pair<QMessageBox::StandardButton, std::uint32_t> captions[] = {{QMessageBox::Yes, 2003},
                                                                              {QMessageBox::No, 2004},
                                                                              {QMessageBox::Ok, 2005},
                                                                              {QMessageBox::Cancel, 2006}};
    for (auto [button, id] : captions)
        if (QAbstractButton* b = box->button(button)) b->setText(QString::fromStdString(Text(id)));
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

MessageAnswer AnswerOf(int execResult, MessageButtons buttons) {
    switch (execResult) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
            return MessageAnswer::No;
        case MessageButtons::OkCancel:
        case MessageButtons::YesNoCancel:
            break;
    }
    return MessageAnswer::Cancel;
}

MessageAnswer QtMessageBoxes::show(const std::string& caption, const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
    auto box = BuildMessageBox(caption, text, icon, buttons);
    return AnswerOf(box->exec(), buttons);
}

QtTimer::QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTick) onTick();
    });
}

void QtTimer::setInterval(int milliseconds) {
    interval_ = milliseconds;
    apply();
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    apply();
}

void QtTimer::apply() {
    // A zero-interval QTimer would fire on every idle pass; the rules expect silence.
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}

char SystemDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80) return static_cast<char>(point.at(0).unicode());
    return '.';
}

QtToolkit::QtToolkit() {
    toolkit_.messages = &messages_;
    toolkit_.timers = &timers_;
    toolkit_.clock = &clock_;
    toolkit_.decimalSeparator = SystemDecimalSeparator();
    toolkit_.processEvents = [] { QCoreApplication::processEvents(); };
}

}  // namespace velmora
