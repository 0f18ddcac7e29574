#include "simulation/FormSim1.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/ControllerFile.h"
#include "simulation/SimulationSettings.h"

namespace velmora {

namespace {

// The dialog's own wording: its texts have no numbers in the text tables.
enum Word {
    wCaption,
    wActive,
    wType,
    wNone,
    wFirst,
    wSecond,
    wSecondOsc,
    wThird,
    wThirdOsc,
    wSu,
    wSu2,
    wTau1,
    wTau2,
    wTau3,
    wDelta,
    wOmega,
    wAstat,
    wTauA,
    wMinSU,
    wMaxSU,
    wDelay,
    wY0,
    wYs,
    wSimT,
    wAdd,
    wAddNone,
    wAddWord,
    wAddReal,
    wAddName,
    wPreview,
    wNoPicker,
    wNeedName,
    wWords
};
struct Wording {
    const char *en, *cs, *ru;
};
constexpr Wording kWords[wWords] = {
    {"Plant simulation", "Simulace soustavy", "Моделирование объекта"},
    {"Simulation active", "Simulace aktivní", "Моделирование включено"},
    {"Simulated plant type", "Typ simulované soustavy", "Тип моделируемого объекта"},
    {"none", "žádná", "нет"},
    {"1st order", "1. řádu", "1-го порядка"},
    {"2nd order", "2. řádu", "2-го порядка"},
    {"2nd order (oscillating)", "2. řádu (kmitavá)", "2-го порядка (колебательный)"},
    {"3rd order", "3. řádu", "3-го порядка"},
    {"3rd order (oscillating)", "3. řádu (kmitavá)", "3-го порядка (колебательный)"},
    {"Static gain for u > 0", "Statické zesílení pro u > 0", "Коэффициент усиления при u > 0"},
    {"Static gain for u < 0", "Statické zesílení pro u < 0", "Коэффициент усиления при u < 0"},
    {"First time constant [s]", "První časová konstanta [s]", "Первая постоянная времени [с]"},
    {"Second time constant [s]", "Druhá časová konstanta [s]", "Вторая постоянная времени [с]"},
    {"Third time constant [s]", "Třetí časová konstanta [s]", "Третья постоянная времени [с]"},
    {"Relative damping", "Relativní tlumení", "Относительное затухание"},
    {"Natural frequency [rad/s]", "Vlastní frekvence [rad/s]", "Собственная частота [рад/с]"},
    {"Integrating stage", "Astatická část", "Интегрирующее звено"},
    {"Time constant [s]", "Časová konstanta [s]", "Постоянная времени [с]"},
    {"Lower limit [%]", "Dolní mez [%]", "Нижний предел [%]"},
    {"Upper limit [%]", "Horní mez [%]", "Верхний предел [%]"},
    {"Dead time [steps of 0.1 s]", "Dopravní zpoždění [kroky 0,1 s]",
     "Транспортное запаздывание [шаги 0,1 с]"},
    {"Initial state [%]", "Výchozí stav [%]", "Начальное состояние [%]"},
    {"Equilibrium state [%]", "Rovnovážný stav [%]", "Равновесное состояние [%]"},
    {"Simulation step [s]", "Krok simulace [s]", "Шаг моделирования [с]"},
    {"Add to the output", "Přičíst na výstup", "Добавить к выходу"},
    {"nothing", "nic", "ничего"},
    {"PLC variable (word -10000 (-100%) to 10000 (100%))",
     "proměnnou automatu (word -10000 (-100%) až 10000 (100%))",
     "переменную ПЛК (word от -10000 (-100%) до 10000 (100%))"},
    {"PLC variable (float -100.00 to 100.00)", "proměnnou automatu (float -100,00 až 100,00)",
     "переменную ПЛК (float от -100,00 до 100,00)"},
    {"Variable name", "Jméno proměnné", "Имя переменной"},
    {"Open-loop step response, u = %1 %", "Přechodová charakteristika, u = %1 %",
     "Переходная характеристика, u = %1 %"},
    {"This host offers no variable selection.", "Tento hostitel nenabízí výběr proměnné.",
     "Эта среда не предлагает выбор переменной."},
    {"The disturbance needs the name of a PLC variable.", "Porucha potřebuje jméno proměnné automatu.",
     "Для возмущения нужно имя переменной ПЛК."},
};

QString W(Word w) {
    const Wording& t = kWords[w];
    const int language = ModuleTexts().language();
    return QString::fromUtf8(language == 0 ? t.cs : language == 4 ? t.ru : t.en);
}

constexpr Word kFieldWords[kSimFields] = {wSu,   wSu2,   wTau1,  wTau2,  wTau3, wDelta, wOmega,
                                          wTauA, wMinSU, wMaxSU, wDelay, wY0,   wYs,    wSimT};
constexpr const char* kEditNames[kSimFields] = {
    "EditSu1",   "EditSu21",   "EditTau11",  "EditTau21",   "EditTau31", "EditDelta1", "EditOmega1",
    "EditTauA1", "EditMinSU1", "EditMaxSU1", "EditDDelta1", "EditY01",   "EditYs1",    "EditSimT1"};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

// The step response, drawn over 0..100 % against time.
class StepPreview : public QWidget {
public:
    StepPreview(const std::vector<double>& values, const double& seconds, QWidget* parent)
        : QWidget(parent), values_(values), seconds_(seconds) {
        setMinimumSize(300, 170);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::white);
        const QRect plot = rect().adjusted(40, 8, -10, -22);
        p.setPen(QColor(0xd8, 0xd8, 0xd8));
        for (int pct = 0; pct <= 100; pct += 25) {
            const int y = plot.bottom() - plot.height() * pct / 100;
            p.drawLine(plot.left(), y, plot.right(), y);
        }
        p.setPen(Qt::black);
        p.drawRect(plot);
        QFont f = p.font();
        f.setPixelSize(10);
        p.setFont(f);
        for (int pct : {0, 50, 100})
            p.drawText(QRect(0, plot.bottom() - plot.height() * pct / 100 - 6, 36, 12), Qt::AlignRight,
                       QString("%1 %").arg(pct));
        p.drawText(QRect(plot.left(), plot.bottom() + 4, plot.width(), 14), Qt::AlignLeft, "0");
        p.drawText(QRect(plot.left(), plot.bottom() + 4, plot.width(), 14), Qt::AlignRight,
                   QString("%1 s").arg(seconds_, 0, 'g', 4));
        if (values_.size() < 2) return;
        QPainterPath curve;
        const double last = static_cast<double>(values_.size() - 1);
        // One point per pixel column is enough.
        const std::size_t stride =
            std::max<std::size_t>(1, values_.size() / static_cast<std::size_t>(plot.width()));
        for (std::size_t i = 0; i < values_.size(); i += stride) {
            const QPointF at(plot.left() + plot.width() * (i / last),
                             plot.bottom() - plot.height() * std::clamp(values_[i], 0.0, 100.0) / 100.0);
            if (i == 0)
                curve.moveTo(at);
            else
                curve.lineTo(at);
        }
        p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 1.8));
        p.drawPath(curve);
    }

private:
    const std::vector<double>& values_;
    const double& seconds_;
};

}  // namespace

TFormSim1::TFormSim1(FormSim1Context context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)) {
    setObjectName("FormSim1");
    build();
    Localize();
    FormActivate();
}

void TFormSim1::build() {
    auto* top = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    top->addLayout(columns);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right, 1);

    CheckBoxSim1 = new QCheckBox(this);
    CheckBoxSim1->setObjectName("CheckBoxSim1");
    left->addWidget(CheckBoxSim1);

    auto* type = new QGroupBox(this);
    type->setObjectName("RadioGroupType1");
    groupType_ = type;
    auto* typeGrid = new QGridLayout(type);
    for (int i = 0; i < 6; ++i) {
        auto* b = new QRadioButton(type);
        b->setObjectName(QString("RadioButton%1").arg(i + 1));
        typeGrid->addWidget(b, i % 3, i / 3);
        typeButtons_[static_cast<std::size_t>(i)] = b;
        connect(b, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    }
    left->addWidget(type);

    const auto makeEdit = [this](SimField f, QWidget* owner) {
        const auto i = static_cast<std::size_t>(f);
        auto* e = new QLineEdit(owner);
        e->setObjectName(kEditNames[i]);
        e->setAlignment(Qt::AlignRight);
        e->setMaximumWidth(110);
        connect(e, &QLineEdit::textChanged, this, [this] { updatePreview(); });
        edits_[i] = e;
        labels_[i] = new QLabel(owner);
        labels_[i]->setBuddy(e);
        return e;
    };
    auto* plant = new QGridLayout;
    int row = 0;
    for (SimField f : {SimField::Su, SimField::Su2, SimField::Tau1, SimField::Tau2, SimField::Tau3,
                       SimField::Delta, SimField::Omega}) {
        QLineEdit* e = makeEdit(f, this);
        plant->addWidget(labels_[static_cast<std::size_t>(f)], row, 0);
        plant->addWidget(e, row++, 1);
    }
    left->addLayout(plant);

    auto* astat = new QGroupBox(this);
    astat->setObjectName("GroupBoxAstat1");
    groupAstat_ = astat;
    auto* astatGrid = new QGridLayout(astat);
    CheckBoxAstat1 = new QCheckBox(astat);
    CheckBoxAstat1->setObjectName("CheckBoxAstat1");
    connect(CheckBoxAstat1, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    astatGrid->addWidget(CheckBoxAstat1, 0, 0, 1, 2);
    row = 1;
    for (SimField f : {SimField::TauA, SimField::MinSU, SimField::MaxSU}) {
        QLineEdit* e = makeEdit(f, astat);
        astatGrid->addWidget(labels_[static_cast<std::size_t>(f)], row, 0);
        astatGrid->addWidget(e, row++, 1);
    }
    left->addWidget(astat);

    auto* rest = new QGridLayout;
    CheckBoxDelay1 = new QCheckBox(this);
    CheckBoxDelay1->setObjectName("CheckBoxDelay1");
    connect(CheckBoxDelay1, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    rest->addWidget(CheckBoxDelay1, 0, 0);
    rest->addWidget(makeEdit(SimField::DDelta, this), 0, 1);
    labels_[static_cast<std::size_t>(SimField::DDelta)]->hide();  // the check box names it
    row = 1;
    for (SimField f : {SimField::Y0, SimField::Ys, SimField::SimT}) {
        QLineEdit* e = makeEdit(f, this);
        rest->addWidget(labels_[static_cast<std::size_t>(f)], row, 0);
        rest->addWidget(e, row++, 1);
    }
    left->addLayout(rest);
    left->addStretch(1);

    auto* add = new QGroupBox(this);
    add->setObjectName("RadioGroupAdd1");
    groupAdd_ = add;
    auto* addColumn = new QVBoxLayout(add);
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(add);
        b->setObjectName(QString("RadioButtonAdd%1").arg(i + 1));
        addColumn->addWidget(b);
        addButtons_[static_cast<std::size_t>(i)] = b;
        connect(b, &QRadioButton::toggled, this, [this] { updateEnabled(); });
    }
    auto* nameRow = new QHBoxLayout;
    LabelAddOutName1 = new QLabel(add);
    EditAddOutName1 = new QLineEdit(add);
    EditAddOutName1->setObjectName("EditAddOutName1");
    EditAddOutName1->setMinimumWidth(200);
    LabelAddOutName1->setBuddy(EditAddOutName1);
    ButtonAddOut1 = new QPushButton("...", add);
    ButtonAddOut1->setObjectName("ButtonAddOut1");
    ButtonAddOut1->setAutoDefault(false);
    ButtonAddOut1->setFixedWidth(32);
    connect(ButtonAddOut1, &QPushButton::clicked, this, &TFormSim1::ButtonAddOut1Click);
    nameRow->addWidget(LabelAddOutName1);
    nameRow->addWidget(EditAddOutName1, 1);
    nameRow->addWidget(ButtonAddOut1);
    addColumn->addLayout(nameRow);
    right->addWidget(add);

    previewTitle_ = new QLabel(this);
    right->addWidget(previewTitle_);
    Preview1 = new StepPreview(preview_, previewSeconds_, this);
    Preview1->setObjectName("Preview1");
    right->addWidget(Preview1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("Button1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Button2");
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormSim1::Button1Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
}

void TFormSim1::Localize() {
    setWindowTitle(W(wCaption) + " - " + Q(context_.controllerName));
    CheckBoxSim1->setText(W(wActive));
    static_cast<QGroupBox*>(groupType_)->setTitle(W(wType));
    const Word typeWords[6] = {wNone, wFirst, wSecond, wSecondOsc, wThird, wThirdOsc};
    for (std::size_t i = 0; i < 6; ++i) typeButtons_[i]->setText(W(typeWords[i]));
    for (std::size_t i = 0; i < kSimFields; ++i) labels_[i]->setText(W(kFieldWords[i]));
    CheckBoxAstat1->setText(W(wAstat));
    CheckBoxDelay1->setText(W(wDelay));
    static_cast<QGroupBox*>(groupAdd_)->setTitle(W(wAdd));
    const Word addWords[3] = {wAddNone, wAddWord, wAddReal};
    for (std::size_t i = 0; i < 3; ++i) addButtons_[i]->setText(W(addWords[i]));
    LabelAddOutName1->setText(W(wAddName));
    previewTitle_->setText(W(wPreview).arg(previewInput_, 0, 'g', 3));
    ButtonAddOut1->setToolTip(context_.selectVariable ? QString() : W(wNoPicker));
}

void TFormSim1::FormActivate() {
    const std::string section = ControllerSection(context_.controllerName);
    loaded_ = context_.file ? ReadPlantSettings(*context_.file, section) : PlantSettings{};
    CheckBoxSim1->setChecked(loaded_.simulation);
    // A value outside the buttons leaves none checked.
    for (QRadioButton* b : typeButtons_)
        b->setAutoExclusive(false), b->setChecked(false), b->setAutoExclusive(true);
    if (loaded_.plantType >= 0 && loaded_.plantType < 6)
        typeButtons_[static_cast<std::size_t>(loaded_.plantType)]->setChecked(true);
    for (QRadioButton* b : addButtons_)
        b->setAutoExclusive(false), b->setChecked(false), b->setAutoExclusive(true);
    if (loaded_.addOut >= 0 && loaded_.addOut < 3)
        addButtons_[static_cast<std::size_t>(loaded_.addOut)]->setChecked(true);
    CheckBoxAstat1->setChecked(loaded_.astat);
    CheckBoxDelay1->setChecked(loaded_.delay);
    EditAddOutName1->setText(Q(loaded_.addOutName));
    for (std::size_t i = 0; i < kSimFields; ++i)
        edits_[i]->setText(Q(FieldText(static_cast<SimField>(i), loaded_, context_.decimalSeparator)));
    updateEnabled();
}

SimChoices TFormSim1::choices() const {
    SimChoices c;
    c.simulation = CheckBoxSim1->isChecked();
    c.astat = CheckBoxAstat1->isChecked();
    c.delay = CheckBoxDelay1->isChecked();
    std::array<bool, 6> types{};
    for (std::size_t i = 0; i < 6; ++i) types[i] = typeButtons_[i]->isChecked();
    // No button checked keeps the type the file had (an unknown value stays as it is).
    c.plantType = std::any_of(types.begin(), types.end(), [](bool b) { return b; })
                      ? PlantTypeFromButtons(types)
                      : loaded_.plantType;
    c.addOut = DisturbanceFromButtons(addButtons_[1]->isChecked(), addButtons_[2]->isChecked());
    c.addOutName = S(EditAddOutName1->text().trimmed());
    return c;
}

std::array<std::string, kSimFields> TFormSim1::fieldTexts() const {
    std::array<std::string, kSimFields> texts;
    for (std::size_t i = 0; i < kSimFields; ++i) texts[i] = S(edits_[i]->text());
    return texts;
}

void TFormSim1::updateEnabled() {
    const SimChoices c = choices();
    for (std::size_t i = 0; i < kSimFields; ++i) {
        const bool on = FieldEnabled(static_cast<SimField>(i), c);
        edits_[i]->setEnabled(on);
        labels_[i]->setEnabled(on);
    }
    CheckBoxDelay1->setEnabled(DeadTimeEnabled(c.plantType));
    const bool named = c.addOut != kDisturbanceNone;
    EditAddOutName1->setEnabled(named);
    LabelAddOutName1->setEnabled(named);
    ButtonAddOut1->setEnabled(named && static_cast<bool>(context_.selectVariable));
    updatePreview();
}

std::optional<PlantSettings> TFormSim1::shownSettings() const {
    SimChoices c = choices();
    c.addOut = kDisturbanceNone;  // the preview runs without the PLC's disturbance
    return SettingsFromFields(fieldTexts(), c, loaded_).settings;
}

void TFormSim1::updatePreview() {
    if (!Preview1) return;
    // While a field is not a valid number the last good curve stays.
    if (const auto s = shownSettings()) {
        previewSeconds_ = PreviewSeconds(*s);
        previewInput_ = PreviewInput(*s);
        preview_ =
            StepResponse(*s, previewInput_, static_cast<int>(previewSeconds_ / PlantSimulation::kStep));
        if (previewTitle_) previewTitle_->setText(W(wPreview).arg(previewInput_, 0, 'g', 3));
    }
    Preview1->update();
}

void TFormSim1::ButtonAddOut1Click() {
    if (!context_.selectVariable) return;
    if (const auto chosen = context_.selectVariable(S(EditAddOutName1->text())))
        EditAddOutName1->setText(Q(*chosen));
}

void TFormSim1::Button1Click() {
    const SimParseResult r = SettingsFromFields(fieldTexts(), choices(), loaded_);
    const auto refuse = [this](const std::string& text, QWidget* focus) {
        if (context_.messages)
            context_.messages->show(Text(3019), text, MessageIcon::Stop, MessageButtons::Ok);
        focus->setFocus();
    };
    if (r.problem) {
        const auto i = static_cast<std::size_t>(r.problem->field);
        // The dead time's edit is named by its check box.
        const QString name =
            r.problem->field == SimField::DDelta ? CheckBoxDelay1->text() : labels_[i]->text();
        refuse(Text(static_cast<std::uint32_t>(r.problem->textId)) + "\n" + S(name), edits_[i]);
        return;
    }
    if (r.missingDisturbanceName || !r.settings) {
        refuse(S(W(wNeedName)), EditAddOutName1);
        return;
    }
    if (!context_.file) return;
    try {
        WritePlantSettings(*context_.file, ControllerSection(context_.controllerName), *r.settings);
    } catch (const std::exception& e) {
        refuse(e.what(), this);
        return;
    }
    accept();
}

}  // namespace velmora
