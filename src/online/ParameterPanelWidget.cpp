#include "online/ParameterPanelWidget.h"

#include <QBoxLayout>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Texts.h"
#include "controllers/FormInput1.h"
#include "online/FormVisual1.h"

namespace velmora::online {

namespace {

QString QStr(const std::string& s) {
    return QString::fromStdString(s);
}

// The schema's value boxes that open the input dialog.
constexpr std::pair<const char*, SchemaValue> kInputBoxes[] = {
    {"W1Edit1", SchemaValue::Setpoint},
    {"WFEdit1", SchemaValue::W},
    {"Edit1", SchemaValue::Manual},
    {"Y2Edit2", SchemaValue::Y2},
};

QString PidLabel(PanelEdit e) {
    switch (e) {
        case PanelEdit::PBnd:
            return "PBnd [%]";
        case PanelEdit::G1:
            return "K +";
        case PanelEdit::RelCool:
            return "RelCool [%]";
        case PanelEdit::G2:
            return "K -";
        case PanelEdit::Ti:
            return QStr("Ti [" + OwnText("s") + "]");
        case PanelEdit::Td:
            return QStr("Td [" + OwnText("s") + "]");
        case PanelEdit::EGap:
            return "EGap [%]";
        case PanelEdit::IGap:
            return "IGap [%]";
        default:
            return "DGap [%]";
    }
}

const char* PidmaLabel(PanelEdit e) {
    switch (e) {
        case PanelEdit::G1:
            return "k";
        case PanelEdit::RelCool:
            return "b";
        case PanelEdit::G2:
            return "c";
        case PanelEdit::Ti:
            return "ti";
        case PanelEdit::Td:
            return "td";
        case PanelEdit::EGap:
            return "tt";
        case PanelEdit::IGap:
            return "nd";
        default:
            return "";
    }
}

}  // namespace

ParameterPanelWidget::ParameterPanelWidget(VisualHost& host, OnlineExchange& exchange, QWidget* schema,
                                           QWidget* parent)
    : QWidget(parent), host_(host), exchange_(exchange), schema_(schema) {
    setObjectName("ParamPanel1");
    panel_ = std::make_unique<ParameterPanel>(exchange_, *this, host_.decimalSeparator());
    build();
    reload();
}

ParameterPanelWidget::~ParameterPanelWidget() = default;

void ParameterPanelWidget::build() {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        const auto e = static_cast<PanelEdit>(i);
        labels_[i] = new QLabel(this);
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(PanelEditName(e));
        edits_[i]->setAlignment(Qt::AlignRight);
        edits_[i]->installEventFilter(this);
        connect(edits_[i], &QLineEdit::textEdited, this,
                [this, e](const QString& text) { panel_->values().type(e, text.toStdString()); });
        grid->addWidget(labels_[i], static_cast<int>(i), 0);
        grid->addWidget(edits_[i], static_cast<int>(i), 1);
    }
    column->addLayout(grid);
    // Focus goes here before "Use vals", so the edit being typed in validates.
    dummy_ = new QLineEdit(this);
    dummy_->setObjectName("_DUMMY");
    dummy_->setFixedSize(0, 0);
    column->addWidget(dummy_);
    UseSettingsBtn1 = new QPushButton(this);
    UseSettingsBtn1->setObjectName("UseSettingsBtn1");
    SaveSettingsBtn1 = new QPushButton(this);
    SaveSettingsBtn1->setObjectName("SaveSettingsBtn1");
    column->addWidget(UseSettingsBtn1);
    column->addWidget(SaveSettingsBtn1);
    column->addStretch(1);
    connect(UseSettingsBtn1, &QPushButton::clicked, this, [this] {
        dummy_->setFocus();
        panel_->UseSettingsBtn1Click();
        showTexts();
        refresh();
    });
    connect(SaveSettingsBtn1, &QPushButton::clicked, this, [this] {
        dummy_->setFocus();
        panel_->SaveSettingsBtn1Click();
        showTexts();
        refresh();
    });

    // The schema's controls.
    for (const auto& [name, value] : kInputBoxes)
        if (auto* box = schema_->findChild<QLabel*>(name)) box->installEventFilter(this);
    const auto button = [this](const char* name) { return schema_->findChild<QPushButton*>(name); };
    if (auto* b = button("ManButton1"))
        connect(b, &QPushButton::clicked, this, [this] {
            panel_->AutoButton1Click(false);
            refresh();
        });
    if (auto* b = button("AutoButton1"))
        connect(b, &QPushButton::clicked, this, [this] {
            panel_->AutoButton1Click(true);
            refresh();
        });
    if (auto* b = button("RestartButton1")) {
        b->setCheckable(true);
        connect(b, &QPushButton::clicked, this, [this](bool down) {
            panel_->RestartButton1Click(down);
            refresh();
        });
    }
    const std::pair<const char*, void (ParameterPanel::*)()> tuner[] = {
        {"TuneButton1", &ParameterPanel::StartTuneButton1Click},
        {"BreakButton1", &ParameterPanel::BreakTuneButton1Click},
        {"ParamsButton1", &ParameterPanel::ParamsButton1Click},
        {"ErrorButton1", &ParameterPanel::ErrorButton1Click},
    };
    for (const auto& [name, op] : tuner)
        if (auto* b = button(name))
            connect(b, &QPushButton::clicked, this, [this, op = op] {
                ((*panel_).*op)();
                refresh();
            });
}

void ParameterPanelWidget::reload() {
    panel_->reload();
    const ControllerKind kind = panel_->kind();
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        const bool used = PanelEditUsed(static_cast<PanelEdit>(i), kind);
        labels_[i]->setVisible(used);
        edits_[i]->setVisible(used);
    }
    localize();
    showTexts();
    refresh();
}

void ParameterPanelWidget::localize() {
    UseSettingsBtn1->setText(QStr(OwnText("Use vals")));
    SaveSettingsBtn1->setText(QStr(OwnText("Save vals")));
    const bool pid = panel_->kind() == ControllerKind::Pid;
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        const auto e = static_cast<PanelEdit>(i);
        labels_[i]->setText(pid ? PidLabel(e) : QString(PidmaLabel(e)));
    }
}

void ParameterPanelWidget::showTexts() {
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        const QString text = QStr(panel_->values().text(static_cast<PanelEdit>(i)));
        if (edits_[i]->text() != text) edits_[i]->setText(text);
    }
}

void ParameterPanelWidget::refresh() {
    UseSettingsBtn1->setEnabled(panel_->useEnabled());
    SaveSettingsBtn1->setEnabled(panel_->saveEnabled());
    const bool online = exchange_.online();
    const bool pidma = panel_->kind() == ControllerKind::Pidma;
    const auto button = [this](const char* name) { return schema_->findChild<QPushButton*>(name); };
    if (auto* b = button("ManButton1")) {
        b->setEnabled(online);
        b->setDown(!panel_->autoDown());
    }
    if (auto* b = button("AutoButton1")) {
        b->setEnabled(online);
        b->setDown(panel_->autoDown());
    }
    if (auto* b = button("RestartButton1")) {
        b->setEnabled(online && pidma && panel_->restartEnabled());
        b->setChecked(panel_->restartDown());
    }
    for (const char* name : {"TuneButton1", "BreakButton1", "ParamsButton1", "ErrorButton1"})
        if (auto* b = button(name)) b->setEnabled(online && pidma);
    if (auto* lamp = schema_->findChild<QLabel*>("Shape1")) {
        const char* colour = panel_->lamp() == TunerLamp::Lime  ? "#32cd32"
                             : panel_->lamp() == TunerLamp::Red ? "#e02020"
                                                                : "#9a9a9a";
        lamp->setStyleSheet(QString("QLabel{background:%1;border-radius:6px;}").arg(colour));
        lamp->setToolTip(QStr(panel_->lampHint()));
    }
    for (const auto& [name, value] : kInputBoxes) {
        auto* box = schema_->findChild<QLabel*>(name);
        if (!box) continue;
        if (const auto text = panel_->pendingText(value)) box->setText(QStr(*text));
        box->setEnabled(online && panel_->boxEnabled(value));
        box->setCursor(box->isEnabled() ? Qt::IBeamCursor : Qt::ArrowCursor);
    }
}

void ParameterPanelWidget::leaveEdit(PanelEdit edit) {
    panel_->values().type(edit, edits_[static_cast<std::size_t>(edit)]->text().toStdString());
    panel_->leave(edit);
    showTexts();
}

bool ParameterPanelWidget::eventFilter(QObject* watched, QEvent* event) {
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        if (watched != edits_[i]) continue;
        const auto e = static_cast<PanelEdit>(i);
        if (event->type() == QEvent::FocusIn) {
            panel_->enter(e);
            refresh();
        } else if (event->type() == QEvent::FocusOut) {
            leaveEdit(e);
        } else if (event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) leaveEdit(e);
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
        for (const auto& [name, value] : kInputBoxes) {
            if (watched->objectName() != name) continue;
            // The box is not the element's panel: its click must not open a page.
            if (event->type() == QEvent::MouseButtonRelease) return true;
            if (!exchange_.online()) return true;
            switch (value) {
                case SchemaValue::Setpoint:
                    panel_->W1Edit1MouseDown();
                    break;
                case SchemaValue::W:
                    panel_->WFEdit1MouseDown();
                    break;
                case SchemaValue::Manual:
                    panel_->Edit1MouseDown();
                    break;
                default:
                    panel_->Y2Edit2MouseDown();
                    break;
            }
            refresh();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

MessageBoxes* ParameterPanelWidget::messages() {
    return host_.messages();
}

std::filesystem::path ParameterPanelWidget::controllerFile() {
    return host_.controllerFile();
}

std::optional<double> ParameterPanelWidget::askValue(const ValueRequest& request) {
    MessageBoxes* m = host_.messages();
    if (!m) return std::nullopt;
    TFormInput1 dialog(*m, this);
    dialog.setWindowTitle(QStr("Velmora - " + exchange_.name()));
    dialog.input().minimum = static_cast<float>(request.minimum);
    dialog.input().maximum = static_cast<float>(request.maximum);
    dialog.input().expressionMode = true;
    dialog.setText(request.text);
    // What is entered and within which limits, above the edit.
    if (auto* column = qobject_cast<QBoxLayout*>(dialog.layout())) {
        auto* prompt = new QLabel(QStr(ValuePrompt(request, host_.decimalSeparator())), &dialog);
        prompt->setObjectName("LabelPrompt1");
        prompt->setWordWrap(true);
        column->insertWidget(0, prompt);
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.input().value();
}

bool ParameterPanelWidget::openTunerPage() {
    return host_.openTarget(SchemaTarget::PidmaAutotuner, exchange_.name());
}

void ParameterPanelWidget::refreshPendingControls() {
    panel_->refreshPendingControls();
    if (redrawValues) redrawValues();
    refresh();
}

void ParameterPanelWidget::commTicked() {
    panel_->commTicked();
    showTexts();
    refresh();
}

void ParameterPanelWidget::tunerReport(int code) {
    // Posted: the report box opens after the callback has returned.
    panel_->post(code);
    QTimer::singleShot(0, this, [this] {
        panel_->deliver();
        showTexts();
        refresh();
    });
}

void ParameterPanelWidget::onlineChanged(bool online) {
    panel_->onlineChanged(online);
    showTexts();
    if (redrawValues) redrawValues();
    refresh();
}

}  // namespace velmora::online
