// The end of the new-controller wizard in velmora-host's window with the real
// plug-in: after the start page the simulation dialog comes up modally, its
// "..." picks the disturbance variable through the host's selection window,
// and the controller's view opens on what the dialog wrote.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <array>

#include "base/IniFile.h"
#include "support/RegisteredPlugin.h"

namespace velmora::host {
namespace {

using HostSimulation = RegisteredPlugin;

TEST_F(HostSimulation, WizardEndsInTheSimulationDialogThenTheView) {
    auto window = std::make_unique<MainWindow>();
    window->show();
    QWidget* manager = openManager(*window);
    ASSERT_NE(manager, nullptr);

    // Answers each modal window as a user would, recording which came up.
    QStringList seen, messages;
    QString picked;
    const auto answer = [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answered").toBool()) return;
        modal->setProperty("answered", true);
        const QString name = modal->objectName();
        seen << name;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            if (box->defaultButton())
                box->defaultButton()->click();
            else
                box->close();
        } else if (name == "FormNew1") {
            modal->findChild<QLineEdit*>("Edit1")->setText("Dryer2");
            auto* kind = modal->findChild<QComboBox*>("ComboBox1");
            kind->setCurrentIndex(kind->findText("PIDA"));
            modal->findChild<QPushButton*>("Button1")->click();
        } else if (name == "FormSim1") {
            modal->findChild<QCheckBox*>("CheckBoxSim1")->setChecked(true);
            modal->findChild<QRadioButton*>("RadioButton2")->setChecked(true);
            modal->findChild<QRadioButton*>("RadioButtonAdd3")->setChecked(true);
            modal->findChild<QPushButton*>("ButtonAddOut1")->click();  // the host's selection, modal
            picked = modal->findChild<QLineEdit*>("EditAddOutName1")->text();
            modal->findChild<QPushButton*>("Button1")->click();
        } else if (name == "FormPIDMA1") {
            modal->findChild<QLineEdit*>("EditName1")->setText("Dryer_Humidity");
            modal->findChild<QLineEdit*>("EditName2")->setText("Dryer_Heater");
            modal->findChild<QPushButton*>("Button1")->click();
        } else if (name == "VariableSelection") {
            modal->findChild<QLineEdit*>("Filter")->setText("Dryer_Heat");
            modal->findChild<QPushButton*>("OkButton")->click();
        } else if (auto* next = modal->findChild<QPushButton*>("Button1")) {
            next->click();
        }
    };
    // A window opened from inside an answer (the start page's OK opens the
    // simulation dialog, its "..." the host's selection) needs a timer of its own.
    std::array<QTimer, 3> drivers;
    for (QTimer& t : drivers) QObject::connect(&t, &QTimer::timeout, answer);
    // A window the driver cannot get past is cancelled after 20 s, so a failure does not hang.
    QTimer bail;
    QObject::connect(&bail, &QTimer::timeout, [&] {
        bail.setInterval(200);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    for (std::size_t i = 0; i < drivers.size(); ++i) drivers[i].start(30 + 10 * static_cast<int>(i));
    bail.start(20000);
    manager->findChild<QToolButton*>("ToolButton1")->click();
    for (QTimer& t : drivers) t.stop();
    bail.stop();

    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    const int start = static_cast<int>(seen.indexOf("FormStr1")),
              sim = static_cast<int>(seen.indexOf("FormSim1"));
    ASSERT_GE(sim, 0) << seen.join(", ").toStdString();
    EXPECT_LT(start, sim) << seen.join(", ").toStdString();
    EXPECT_EQ(seen.indexOf("VariableSelection"), sim + 1) << seen.join(", ").toStdString();
    EXPECT_EQ(picked, "Dryer_Heater");

    IniFile file(project / "Velmora" / "PLC1.rglx");
    for (const auto& [key, value] : {std::pair{"Simulation", "1"},
                                     {"TypSoustavy", "1"},
                                     {"AddOut", "2"},
                                     {"AddOutName", "Dryer_Heater"}})
        EXPECT_EQ(file.readString("Regulator Dryer2", key, ""), value) << key;
    EXPECT_NE(View("Dryer2"), nullptr) << "the view opens after the dialog";
    window->closeProject();
}

}  // namespace
}  // namespace velmora::host
