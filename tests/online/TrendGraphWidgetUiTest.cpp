// Wiring of the graph page: its buttons to the operations, the dialogs to the
// controller file's keys, the pointer to zoom and measuring, the files it writes.
#include <QtWidgets>

#include <cmath>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "online/TrendDataFile.h"
#include "online/TrendGraphWidget.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora::online {
namespace {

using velmora::testing::ReadBytes;
using velmora::testing::TempDir;

const char* kSection = "Regulator Boiler";

// w steps from 30 to 60 and then to 45; the other channels follow it with some noise.
void Record(TrendBuffer& b, int samples, double period) {
    for (int i = 0; i < samples; ++i) {
        const float t = static_cast<float>(i * period), noise = static_cast<float>(std::sin(i * 0.37));
        const float w = t < samples * period * 0.3 ? 30 : (t < samples * period * 0.7 ? 60 : 45),
                    y = w - 5 + noise;
        b.append(t, {w, w - y, std::round(40 * noise), y, y * 0.8f + 5, 50 + 20 * noise});
    }
}

class TrendGraphUi : public ::testing::Test {
protected:
    void SetUp() override {
        testing::UiApp();
        file.writeString(kSection, "Type", "PID");
        Record(recording, 600, 0.5);
        widget = std::make_unique<TrendGraphWidget>(file, kSection, ControllerKind::Pid, recording);
        widget->resize(900, 420);
        widget->chooseFile = [this](bool, const QString&, const QString&) { return chosen; };
        widget->show();
        QCoreApplication::processEvents();
    }
    template <class T = QToolButton>
    T* child(const char* name) {
        T* w = widget->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::string key(const std::string& name) { return file.readString(kSection, name, "<none>"); }
    QWidget* plot() { return child<QWidget>("GrafImage"); }
    QPoint plotPoint(double fraction) {
        const QRect r = TrendPlotRect(widget->settings(), plot()->size());
        return {r.left() + static_cast<int>(r.width() * fraction), r.center().y()};
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(type, QPointF(at), plot()->mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button),
                      Qt::NoModifier);
        QApplication::sendEvent(plot(), &e);
    }
    // Runs a modal dialog's script once it is shown.
    static void whenDialog(std::function<void(QDialog&)> script) {
        testing::AnswerNextModal([script](QWidget* modal) { script(*qobject_cast<QDialog*>(modal)); });
    }
    TempDir dir;
    IniFile file{dir / "PLC1.rglx"};
    TrendBuffer recording{kDefaultBufferLength};
    std::unique_ptr<TrendGraphWidget> widget;
    std::filesystem::path chosen;
};

TEST_F(TrendGraphUi, LayoutButtonsStoreTheLayoutKeysAndNovyFollowAndScrollMoveTheWindow) {
    // Split, stacked, merge, full height: each button's operation reaches the file (one key it changes).
    const struct {
        const char *button, *key, *value;
    } steps[] = {{"ToolButton16", "Prubeh2Stejne", "-1"},
                 {"ToolButton12", "Prubeh4Pocatek", "16.6666666666667"},
                 {"ToolButton15", "Prubeh2Stejne", "1"},
                 {"ToolButton11", "Prubeh1Pocatek", "0"}};
    for (const auto& s : steps) {
        ASSERT_TRUE(child(s.button)->isEnabled()) << s.button;
        child(s.button)->click();
        EXPECT_EQ(key(s.key), s.value) << s.button;
        EXPECT_FALSE(child(s.button)->isEnabled()) << s.button << ": a second click would change nothing";
    }
    EXPECT_DOUBLE_EQ(widget->shown().start, 199.5);  // 299.5 s recorded, 100 s shown
    child<QScrollBar>("ScrollBar1")->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_DOUBLE_EQ(widget->shown().start, 0);
    EXPECT_FALSE(child("ToolButton10")->isChecked());
    child("ToolButton8")->click();  // "Lupa" down, then follow releases it
    child("ToolButton10")->click();
    EXPECT_DOUBLE_EQ(widget->shown().start, 199.5);
    EXPECT_FALSE(child("ToolButton8")->isChecked());
    child("ToolButton3")->click();
    EXPECT_TRUE(recording.empty() && !child("ToolButton3")->isEnabled());
}

TEST_F(TrendGraphUi, LupaDragZoomsToTheDraggedRangeAndTheWheelOnlyWhileMeasuring) {
    child("ToolButton8")->click();
    widget->setShown({100, 100});
    mouse(QEvent::MouseButtonPress, plotPoint(0.75));
    mouse(QEvent::MouseMove, plotPoint(0.25));
    mouse(QEvent::MouseButtonRelease, plotPoint(0.25));
    EXPECT_NEAR(widget->shown().start, 125, 0.5);
    EXPECT_NEAR(widget->shown().width, 50, 0.5);
    child("ToolButton8")->click();
    widget->setShown({100, 100});
    QWheelEvent wheel(QPointF(plotPoint(0.5)), plot()->mapToGlobal(QPointF(plotPoint(0.5))), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot(), &wheel);
    EXPECT_DOUBLE_EQ(widget->shown().width, 100);
    child("ToolButton14")->click();
    QApplication::sendEvent(plot(), &wheel);
    EXPECT_NEAR(widget->shown().width, 50, 1e-9);
    mouse(QEvent::MouseMove, plotPoint(0.5));
    EXPECT_TRUE(widget->readoutText().contains("y1 = ") && !widget->readoutText().contains("y1 = -"))
        << widget->readoutText().toStdString();
    // After the last sample (299.5 s) nothing was measured.
    widget->setShown({250, 100});
    mouse(QEvent::MouseMove, plotPoint(0.9));
    EXPECT_TRUE(widget->readoutText().contains("y1 = -") && widget->readoutText().contains("w = -"))
        << widget->readoutText().toStdString();
}

TEST_F(TrendGraphUi, MeasuringPairShowsDeltaTimeAndTheSixDeltas) {
    widget->setShown({0, 100});
    child("ToolButtonMeasure1")->click();
    mouse(QEvent::MouseButtonPress, plotPoint(0.1));
    mouse(QEvent::MouseButtonPress, plotPoint(0.5));
    ASSERT_TRUE(widget->markA() && widget->markB());
    const QString text = child<QLabel>("MeasureLabel1")->text();
    // The marks sit on whole pixels: 40 s to within two pixels of the plot.
    ASSERT_TRUE(text.startsWith("Δt = ")) << text.toStdString();
    EXPECT_NEAR(text.mid(5).section(QChar(0x20), 0, 0).toDouble(), 40, 200.0 / plot()->width())
        << text.toStdString();
    // w steps from 30 to 60 at 90 s: no change between 10 s and 50 s.
    EXPECT_TRUE(text.contains("Δw = 0")) << text.toStdString();
    for (const char* name : {"Δe = ", "Δu = ", "Δy1 = ", "Δy2 = ", "Δy3 = "})
        EXPECT_TRUE(text.contains(name)) << name;
}

TEST_F(TrendGraphUi, FilesGoThroughTheirButtons) {
    chosen = dir / "rec.txt";
    child("ToolButton5")->click();
    EXPECT_EQ(ReadBytes(chosen), TrendDataText(recording));
    child("ToolButton3")->click();
    child("ToolButton4")->click();
    EXPECT_EQ(recording.count(), 600) << "loaded back";
    chosen = dir / "shown.csv";
    widget->setShown({10, 1});
    child("ToolButtonCsv1")->click();
    EXPECT_EQ(ReadBytes(chosen), TrendCsvText(recording, {10, 1}));
    auto* menu = child<QToolButton>("ToolButton27")->menu();
    for (const auto& [name, magic] :
         {std::pair{"pic.svg", std::string("<?xml")}, std::pair{"pic.png", std::string("\x89PNG")}}) {
        chosen = dir / name;
        menu->findChild<QAction*>("SaveToFileAsWMF1")->trigger();
        EXPECT_EQ(ReadBytes(chosen).substr(0, magic.size()), magic) << name;
    }
    menu->findChild<QAction*>("CopyToClipboardAsWMF1")->trigger();
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(clip->hasImage() && clip->data("image/svg+xml").startsWith("<?xml"));
}

TEST_F(TrendGraphUi, AxisDialogsStoreTheirKeysAndAChangedLengthClears) {
    whenDialog([](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("CheckListBox1");
        list->item(3)->setCheckState(Qt::Unchecked);
        list->setCurrentRow(2);
        d.findChild<QLineEdit*>("EditMax1")->setText("250");
        d.findChild<QComboBox*>("ComboStejne1")->setCurrentIndex(0);  // own axis
        d.findChild<QPushButton*>("ButtonMin1")->click();             // from the recording
        d.findChild<QPushButton*>("ButtonUp1")->click();              // u before e
        d.accept();
    });
    child("ToolButton18")->click();
    EXPECT_EQ(std::tuple(key("Prubeh3"), key("Prubeh2Max"), key("Prubeh2Stejne")),
              std::tuple("0", "250", "-1"));
    EXPECT_EQ(std::stod(key("Prubeh2Min")), recording.extent(2, 0, recording.count()).min);
    EXPECT_LT(std::stoi(key("Prubeh2Poradi")), std::stoi(key("Prubeh1Poradi")));
    whenDialog([](QDialog& d) {
        d.findChild<QLineEdit*>("EditBuffer1")->setText("abc");
        d.findChild<QLineEdit*>("EditRozsah1")->setText("12,5");
        d.findChild<QComboBox*>("ComboFormat1")->setCurrentIndex(2);
        d.findChild<QCheckBox*>("CheckMrizka1")->setChecked(false);
        d.accept();
    });
    child("ToolButton19")->click();
    EXPECT_EQ(std::tuple(key("DelkaBuffer"), key("OsaXRozsah"), key("OsaXFormatCasu"), key("OsaXMrizka")),
              std::tuple("50", "12.5", "2", "0"));
    EXPECT_EQ(std::tuple(recording.empty(), recording.capacity(), widget->shown().width),
              std::tuple(true, 50, 12.5));
    whenDialog([](QDialog& d) {
        d.findChild<QPushButton*>("ButtonVse1")->click();
        d.reject();
    });
    child("ToolButton19")->click();
    EXPECT_EQ(key("OsaXRozsah"), "12.5");  // cancelled
}

TEST_F(TrendGraphUi, AxisDialogsSpeakTheModulesLanguageAndOpenTheGraphsHelp) {
    std::vector<std::string> topics;
    widget->showHelp = [&](const std::string& topic) { topics.push_back(topic); };
    ModuleTexts().chooseLanguage(0);
    for (const char* button : {"ToolButton18", "ToolButton19"}) {
        whenDialog([&](QDialog& d) {
            EXPECT_EQ(d.windowTitle().toStdString(), button[11] == '8' ? "Osy Y" : "Osa X");
            EXPECT_EQ(d.findChild<QCheckBox*>("CheckMrizka1")->text().toStdString(), "Zobrazit mrizku");
            EXPECT_EQ(d.findChild<QPushButton*>("Button1")->text().toStdString(), Text(2005));
            d.findChild<QPushButton*>("ButtonHelp1")->click();
            EXPECT_TRUE(d.isVisible()) << "Help leaves the dialog open";
            d.reject();
        });
        child(button)->click();
    }
    EXPECT_EQ(topics, std::vector<std::string>(2, "Velmora_graph"));
    // The file dialogs' titles are ours, not Qt's English default.
    EXPECT_EQ(TrendGraphWidget::FileDialogTitle(true).toStdString(), "Uložit jako");
    ModuleTexts().chooseLanguage(1);
}

}  // namespace
}  // namespace velmora::online
