#include "online/ParameterPanel.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/ControllerFile.h"
#include "controllers/InputValue.h"
#include "controllers/PidParameterBlock.h"
#include "controllers/SectionReader.h"

namespace velmora::online {

namespace {

using P = PanelEdit;

struct EditRule {
    const char* component;
    const char* pidName;
    const char* pidmaName;  // nullptr: not used by PIDMA
    double onError;
    double low, high;  // PID limits; PIDMA keeps only the lower limit 0
    int decimals;      // -1: five significant digits
};

// Indexed by PanelEdit.
constexpr EditRule kRules[kPanelEdits] = {
    {"EditPBnd1", "PBnd", nullptr, 100, kBandLow, kBandHigh, 1},
    {"EditG1", "K+", "k", 1, 0, 0, 2},
    {"EditRegCool1", "RelCool", "b", 100, kBandLow, kBandHigh, -1},
    {"EditG2", "K-", "c", 1, 0, 0, 2},
    {"EditTi1", "Ti", "ti", 10, 0, 3000, -1},
    {"EditTd1", "Td", "td", 1, 0, 3000, -1},
    {"EditEGap1", "EGap", "tt", 1, 0, 100, -1},
    {"EditIGap1", "IGap", "nd", 100, 0, 100, -1},
    {"EditDGap1", "DGap", nullptr, 100, 0, 100, -1},
};

const EditRule& RuleOf(PanelEdit e) {
    return kRules[static_cast<std::size_t>(e)];
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string WithSeparator(std::string text, char separator) {
    for (char& c : text)
        if (c == '.') c = separator;
    return text;
}

// Fixed-point with the edit's decimals, or five significant digits without
// trailing zeros.
std::string Shown(double value, int decimals, char separator) {
    char buffer[64];
    if (decimals >= 0) {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        return WithSeparator(buffer, separator);
    }
    const double magnitude = std::fabs(value);
    const int whole = magnitude < 1 ? 1 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    std::snprintf(buffer, sizeof buffer, "%.*f", std::max(0, 5 - whole), value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return WithSeparator(text, separator);
}

std::string Real(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%4.3f", v);
    return buffer;
}

float ImageReal(const std::array<std::uint8_t, plc::kPidaStructSize>& image, int at) {
    return plc::GetReal(image.data() + at);
}

// "name\tvalue" of a REAL member of the image.
std::string Field(const std::array<std::uint8_t, plc::kPidaStructSize>& image, std::string_view name) {
    for (const plc::PidaMember& m : plc::kPidaMembers)
        if (m.name == name) return std::string(name) + "\t" + Real(ImageReal(image, m.offset));
    return {};
}

std::string Lines(const std::array<std::uint8_t, plc::kPidaStructSize>& image,
                  std::initializer_list<std::string_view> names) {
    std::string out;
    for (const std::string_view name : names) out += "\r\n " + Field(image, name);
    return out;
}

}  // namespace

const char* PanelEditName(PanelEdit edit) {
    return RuleOf(edit).component;
}

bool PanelEditUsed(PanelEdit edit, ControllerKind kind) {
    return kind == ControllerKind::Pid || RuleOf(edit).pidmaName != nullptr;
}

std::optional<PanelEdit> PanelEditByName(std::string_view name, ControllerKind kind) {
    for (std::size_t i = 0; i < kPanelEdits; ++i) {
        const auto e = static_cast<PanelEdit>(i);
        if (!PanelEditUsed(e, kind)) continue;
        const EditRule& r = kRules[i];
        const char* member = kind == ControllerKind::Pid ? r.pidName : r.pidmaName;
        if (SameName(name, r.component) || SameName(name, member)) return e;
    }
    return std::nullopt;
}

const char* TunerLampName(TunerLamp lamp) {
    switch (lamp) {
        case TunerLamp::Lime:
            return "lime";
        case TunerLamp::Red:
            return "red";
        default:
            return "grey";
    }
}

// ---- ParameterValues ----

ParameterValues::ParameterValues(ControllerKind kind, char decimalSeparator)
    : kind_(kind), separator_(decimalSeparator) {
    for (std::size_t i = 0; i < kPanelEdits; ++i) set(static_cast<PanelEdit>(i), kRules[i].onError);
}

void ParameterValues::set(PanelEdit edit, double value) {
    values_[index(edit)] = value;
    texts_[index(edit)] = Shown(value, RuleOf(edit).decimals, separator_);
}

void ParameterValues::load(const IniFile& file, const std::string& controllerName) {
    const SectionReader in(file, ControllerSection(controllerName), kind_, Reader::OnlineView);
    if (kind_ == ControllerKind::Pidma) {
        const std::pair<PanelEdit, Key> members[] = {
            {P::G1, key::k},  {P::RelCool, key::b}, {P::G2, key::c},   {P::Ti, key::ti},
            {P::Td, key::td}, {P::EGap, key::tt},   {P::IGap, key::nd}};
        for (const auto& [e, k] : members) set(e, std::max(0.0, in.decimal(k)));
        return;
    }
    const std::pair<PanelEdit, Key> members[] = {
        {P::Ti, key::Ti}, {P::Td, key::Td}, {P::EGap, key::EGap}, {P::IGap, key::IGap}, {P::DGap, key::DGap}};
    for (const auto& [e, k] : members) set(e, std::clamp(in.scaled(k), RuleOf(e).low, RuleOf(e).high));
    set(P::RelCool, LimitBand(in.scaled(key::RelCool)));
    bandRule(in.scaled(key::PBnd));
}

namespace {
// The tuner's REALs as the numbers they print as: 0.7f is kept as 0.7, not as
// 0.699999988079071, so "Save vals" stores what the user saw.
double AsPrinted(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double out = value;
    std::from_chars(text, end, out);
    return out;
}
}  // namespace

void ParameterValues::setTuned(float k, float ti, float td, float nd, float b, float c) {
    set(P::G1, AsPrinted(k));
    set(P::Ti, AsPrinted(ti));
    set(P::Td, AsPrinted(td));
    set(P::IGap, AsPrinted(nd));
    set(P::RelCool, AsPrinted(b));
    set(P::G2, AsPrinted(c));
}

void ParameterValues::bandRule(double pBnd) {
    set(P::PBnd, LimitBand(pBnd));
    set(P::G1, GainOfBand(value(P::PBnd)));
    coolRule(value(P::RelCool));
}

void ParameterValues::coolRule(double relCool) {
    set(P::RelCool, LimitBand(relCool));
    set(P::G2, CoolingGain(value(P::RelCool), value(P::PBnd)));
}

void ParameterValues::leave(PanelEdit edit) {
    const EditRule& rule = RuleOf(edit);
    const double typed = ReadRealText(text(edit)).value_or(rule.onError);
    if (kind_ == ControllerKind::Pidma) {
        set(edit, std::isfinite(typed) ? std::max(0.0, typed) : 0.0);
        return;
    }
    switch (edit) {
        case P::PBnd:
            bandRule(typed);
            break;
        case P::G1:
            bandRule(BandOfGain(typed));
            break;
        case P::RelCool:
            coolRule(typed);
            break;
        case P::G2:
            coolRule(RelCoolOfGain(typed, value(P::PBnd)));
            break;
        default:
            set(edit, std::isnan(typed) ? rule.onError : std::clamp(typed, rule.low, rule.high));
            break;
    }
}

PidParameterBlock ParameterValues::pidBlock() const {
    return PidParameterBlock::FromShown(value(P::PBnd), value(P::RelCool), value(P::Ti), value(P::Td),
                                        value(P::EGap), value(P::DGap), value(P::IGap));
}

PidmaParameterBlock ParameterValues::pidmaBlock() const {
    const auto f = [this](PanelEdit e) { return static_cast<float>(value(e)); };
    return {f(P::G1), f(P::Ti), f(P::Td), f(P::IGap), f(P::RelCool), f(P::G2), f(P::EGap)};
}

void ParameterValues::save(IniFile& file, const std::string& controllerName) const {
    IniFile::Batch batch(file);
    SectionWriter out(file, ControllerSection(controllerName), kind_);
    if (kind_ == ControllerKind::Pidma) {
        // In this order; "Ti" is spelled as the key always was.
        out.setDecimal(key::k, value(P::G1));
        out.setDecimal(Key{"Ti"}, value(P::Ti));
        out.setDecimal(key::td, value(P::Td));
        out.setDecimal(key::b, value(P::RelCool));
        out.setDecimal(key::c, value(P::G2));
        out.setDecimal(key::tt, value(P::EGap));
        out.setDecimal(key::nd, value(P::IGap));
    } else {
        const std::pair<Key, PanelEdit> members[] = {
            {key::PBnd, P::PBnd}, {key::RelCool, P::RelCool}, {key::Ti, P::Ti},    {key::Td, P::Td},
            {key::EGap, P::EGap}, {key::IGap, P::IGap},       {key::DGap, P::DGap}};
        for (const auto& [k, e] : members) out.setScaled(k, value(e));
    }
    batch.commit();
}

// ---- tuner texts ----

std::string TunerReportText(int code, const std::array<std::uint8_t, plc::kPidaStructSize>& image) {
    switch (code) {
        case 0:
            return Text(3385) + Lines(image, {"pk", "pti", "ptd", "pnd", "pb", "pc"});
        case 1: {
            // The values in use beside the tuner's.
            std::string text = Text(3383);
            const std::pair<std::string_view, std::string_view> pairs[] = {
                {"k", "pk"}, {"ti", "pti"}, {"td", "ptd"}, {"nd", "pnd"}, {"b", "pb"}, {"c", "pc"}};
            for (const auto& [old, tuned] : pairs)
                text += "\r\n " + Field(image, old) + "\t" + Field(image, tuned);
            return text + "\r\n\r\n" + Text(3384);
        }
        case 2:
            return Text(3389) + Lines(image, {"pk", "pti", "ptd", "pnd", "pb"});
        default:
            return Text(3388);
    }
}

std::string TunerErrorQuestion(int ite) {
    const std::string reason =
        ite >= 0 && ite <= 10 ? Text(static_cast<std::uint32_t>(3371 + ite)) : std::string();
    return Text(3370) + "\r\n" + reason + "\r\n\r\n" + Text(3382);
}

double SecondInputRaw(double entered, bool measure, double x1, double x2, double y1, double y2) {
    // The measurement maps raw x to units y; a flat line has no inverse.
    if (!measure || y2 == y1) return entered;
    return x1 + (entered - y1) * (x2 - x1) / (y2 - y1);
}

// ---- ParameterPanel ----

ParameterPanel::ParameterPanel(OnlineExchange& exchange, PanelHost& host, char decimalSeparator)
    : exchange_(exchange),
      host_(host),
      separator_(decimalSeparator),
      values_(exchange.kind(), decimalSeparator) {
    reload();
}

ExchangeSettings ParameterPanel::settings() const {
    return exchange_.settings();
}

void ParameterPanel::reload() {
    IniFile file(host_.controllerFile());
    const SectionReader in(file, ControllerSection(exchange_.name()), Reader::OnlineView);
    values_ = ParameterValues(in.kind(), separator_);
    values_.load(file, exchange_.name());
    tags_ = {};
    active_.reset();
    useEnabled_ = saveEnabled_ = useWaiting_ = false;
}

void ParameterPanel::enter(PanelEdit edit) {
    if (active_ && *active_ != edit) leave(*active_);
    active_ = edit;
    tags_[static_cast<std::size_t>(edit)] = true;
    saveEnabled_ = true;
    useEnabled_ = !useWaiting_;
}

void ParameterPanel::leave(PanelEdit edit) {
    values_.leave(edit);
    if (active_ == edit) active_.reset();
}

void ParameterPanel::UseSettingsBtn1Click() {
    // The edit being typed in validates first, as when focus leaves it.
    if (active_) leave(*active_);
    if (pidma())
        exchange_.markParameters(values_.pidmaBlock());
    else
        exchange_.markParameters(values_.pidBlock());
    useEnabled_ = false;
    useWaiting_ = true;
}

bool ParameterPanel::SaveSettingsBtn1Click() {
    if (active_) leave(*active_);
    useEnabled_ = false;
    try {
        IniFile file(host_.controllerFile());
        values_.save(file, exchange_.name());
    } catch (const std::exception& e) {
        if (MessageBoxes* m = host_.messages())
            m->show(Text(3019), Text(3022) + "\r\n" + e.what(), MessageIcon::Stop, MessageButtons::Ok);
        return false;
    }
    tags_ = {};
    saveEnabled_ = false;
    return true;
}

std::optional<std::string> ParameterPanel::pendingText(SchemaValue box) const {
    return boxTexts_[static_cast<std::size_t>(box)];
}

bool ParameterPanel::boxEnabled(SchemaValue box) const {
    if (pendingText(box)) return false;
    // The manual output is live in manual mode; for PIDMA the mode click
    // disables it until the mode is written and read back.
    if (box == SchemaValue::Manual)
        return pidma() ? !modeWaiting_ && !modeSettling_ && exchange_.hasData() &&
                             exchange_.pidmaImage()[plc::PidaOffset("MAN")]
                       : !autoDown_;
    return true;
}

std::string ValuePrompt(const ValueRequest& request, char decimalSeparator) {
    std::string text = OwnText("Enter %1 (from %2 to %3):");
    const std::pair<const char*, std::string> args[] = {
        {"%1", OwnText(request.what)},
        {"%2", FormatDecimal(request.minimum, decimalSeparator)},
        {"%3", FormatDecimal(request.maximum, decimalSeparator)}};
    for (const auto& [mark, value] : args)
        if (const auto at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

void ParameterPanel::W1Edit1MouseDown() {
    if (!boxEnabled(SchemaValue::Setpoint)) return;
    const SchemaValues shown = ShownSchemaValues(exchange_, separator_);
    const auto v = host_.askValue(
        {shown[static_cast<std::size_t>(SchemaValue::Setpoint)].text, -10000, 10000, "set point"});
    if (!v) return;
    if (pidma()) {
        exchange_.markSp(static_cast<float>(*v));
    } else {
        // The PID setpoint is the raw measured range's value of the percentage.
        const ExchangeSettings s = settings();
        const double raw = s.minY + *v * (s.maxY - s.minY) / 100.0;
        exchange_.markGw(static_cast<std::int16_t>(
            std::clamp(std::trunc(raw + (raw < 0 ? -0.5 : 0.5)), -32768.0, 32767.0)));
    }
    boxTexts_[static_cast<std::size_t>(SchemaValue::Setpoint)] = FormatPercent(*v, separator_);
}

void ParameterPanel::WFEdit1MouseDown() {
    if (pidma() || !boxEnabled(SchemaValue::W)) return;
    const int tiW = exchange_.hasData() ? plc::GetInt16(exchange_.tpid() + plc::PidOffset("tiW")) : 0;
    const auto v = host_.askValue({std::to_string(tiW), 0, 32767, "w filter time constant"});
    if (!v) return;
    const auto value = static_cast<std::int16_t>(std::clamp(std::trunc(*v + 0.5), 0.0, 32767.0));
    exchange_.markTiW(value);
    boxTexts_[static_cast<std::size_t>(SchemaValue::W)] = std::to_string(value);
}

void ParameterPanel::Edit1MouseDown() {
    if (!boxEnabled(SchemaValue::Manual)) return;
    IniFile file(host_.controllerFile());
    const SectionReader in(file, ControllerSection(exchange_.name()), kind(), Reader::OnlineView);
    const SchemaValues shown = ShownSchemaValues(exchange_, separator_);
    const std::string text = shown[static_cast<std::size_t>(SchemaValue::Manual)].text;
    std::optional<double> v;
    if (pidma()) {
        v = host_.askValue({text, in.decimal(key::lolim), in.decimal(key::hilim), "manual output"});
        if (!v) return;
        exchange_.markHv(static_cast<float>(*v));
    } else {
        v = host_.askValue({text, in.scaled(key::UMin), in.scaled(key::UMax), "manual output"});
        if (!v) return;
        exchange_.markOutput(
            static_cast<std::int16_t>(std::clamp(std::trunc(*v * 100 + 0.5), -32768.0, 32767.0)));
    }
    boxTexts_[static_cast<std::size_t>(SchemaValue::Manual)] = FormatPercent(*v, separator_);
}

void ParameterPanel::Y2Edit2MouseDown() {
    if (pidma() || !settings().hasInput2() || !boxEnabled(SchemaValue::Y2)) return;
    const SchemaValues shown = ShownSchemaValues(exchange_, separator_);
    const auto v = host_.askValue(
        {shown[static_cast<std::size_t>(SchemaValue::Y2)].text, -10000, 10000, "second input"});
    if (!v) return;
    IniFile file(host_.controllerFile());
    const SectionReader in(file, ControllerSection(exchange_.name()), kind(), Reader::OnlineView);
    const auto& y2 = key::Y[1];
    const double raw = SecondInputRaw(*v, in.flag(y2.measure), in.decimal(y2.x1), in.decimal(y2.x2),
                                      in.decimal(y2.y1), in.decimal(y2.y2));
    if (exchange_.itemIsReal(ItemRole::Y2))
        exchange_.markSecondInput(static_cast<float>(raw));
    else
        exchange_.markSecondInput(static_cast<std::int16_t>(
            std::clamp(std::trunc(raw + (raw < 0 ? -0.5 : 0.5)), -32768.0, 32767.0)));
    boxTexts_[static_cast<std::size_t>(SchemaValue::Y2)] = FormatDecimal(*v, separator_);
}

std::uint16_t ParameterPanel::controlWord() const {
    return exchange_.hasData() ? plc::GetUInt16(exchange_.tpid() + plc::PidOffset("Control")) : 0;
}

void ParameterPanel::AutoButton1Click(bool autoDown) {
    autoDown_ = autoDown;
    modeWaiting_ = true;
    if (pidma()) {
        exchange_.markMan(!autoDown);
    } else {
        const std::uint16_t word = controlWord();
        exchange_.markControl(autoDown ? word | kControlAM : word & ~kControlAM);
    }
}

void ParameterPanel::RestartButton1Click(bool down) {
    restartDown_ = down;
    restartEnabled_ = false;
    exchange_.markTaff(down ? 1 : 0);
}

void ParameterPanel::StartTuneButton1Click() {
    exchange_.markTune();
}
void ParameterPanel::BreakTuneButton1Click() {
    exchange_.markTbrk();
}
void ParameterPanel::ParamsButton1Click() {
    exchange_.markTunedRead(TunedReadReason::ParamsButton);
}

void ParameterPanel::ErrorButton1Click() {
    MessageBoxes* m = host_.messages();
    if (!m) return;
    const auto& image = exchange_.pidmaImage();
    if (exchange_.hasData() && image[plc::PidaOffset("TE")]) {
        const std::int32_t ite = plc::GetInt32(image.data() + plc::PidaOffset("ite"));  // a DINT
        if (m->show(Text(3368), TunerErrorQuestion(ite), MessageIcon::Question, MessageButtons::YesNo) ==
            MessageAnswer::Yes)
            exchange_.markClearTuneError();
    } else {
        m->show(Text(3368), Text(3369), MessageIcon::Information, MessageButtons::Ok);
    }
}

bool ParameterPanel::TunerImage1Click() {
    if (!host_.openTunerPage()) return false;
    reload();
    useEnabled_ = saveEnabled_ = false;
    return true;
}

std::string ParameterPanel::lampHint() const {
    switch (lamp_) {
        case TunerLamp::Lime:
            return Text(3387);
        case TunerLamp::Red:
            return Text(3388);
        default:
            return Text(3386);
    }
}

void ParameterPanel::refreshPendingControls() {
    const OnlineExchange::Pending p = exchange_.pending();
    if (useWaiting_ && !p.parameters) {
        useWaiting_ = false;
        useEnabled_ = saveEnabled_;
    }
    const auto done = [&](SchemaValue box, bool pending) {
        if (!pending) boxTexts_[static_cast<std::size_t>(box)].reset();
    };
    done(SchemaValue::Setpoint, pidma() ? p.sp : p.gW);
    done(SchemaValue::W, p.tiW);
    done(SchemaValue::Manual, pidma() ? p.hv : p.output);
    done(SchemaValue::Y2, p.secondInput);
    if (modeWaiting_ && !(pidma() ? p.man : p.control)) {
        // The image of this tick was read before the write: the next one tells.
        modeWaiting_ = false;
        modeSettling_ = true;
    }
    if (!restartEnabled_ && !p.taff) restartEnabled_ = true;
}

void ParameterPanel::commTicked() {
    if (!exchange_.hasData()) return;
    const bool followMode = !modeWaiting_ && !modeSettling_;
    modeSettling_ = false;
    if (pidma()) {
        const auto& image = exchange_.pidmaImage();
        if (followMode) autoDown_ = image[plc::PidaOffset("MAN")] == 0;
        const int status = (image[plc::PidaOffset("TBSY")] ? 1 : 0) | (image[plc::PidaOffset("TE")] ? 2 : 0);
        const TunerLamp before = lamp_;
        if (status == 0) lamp_ = TunerLamp::Grey;
        if (status == 1) lamp_ = TunerLamp::Lime;
        if (status == 2) lamp_ = TunerLamp::Red;
        // The tuner finished or stopped on an error: read what it found, then report.
        const bool finished = before == TunerLamp::Lime && lamp_ == TunerLamp::Grey;
        const bool failed = before != TunerLamp::Red && lamp_ == TunerLamp::Red;
        if (finished || failed) exchange_.markTunedRead(TunedReadReason::TunerFinished);
    } else if (followMode) {
        autoDown_ = (controlWord() & kControlAM) != 0;
    }
    deliver();
}

void ParameterPanel::deliver() {
    while (!posted_.empty()) {
        const int code = posted_.front();
        posted_.pop_front();
        showReport(code);
    }
}

void ParameterPanel::showReport(int code) {
    MessageBoxes* m = host_.messages();
    const auto& image = exchange_.pidmaImage();
    const std::string text = TunerReportText(code, image);
    const auto tuned = [&] {
        values_.setTuned(ImageReal(image, plc::PidaOffset("pk")), ImageReal(image, plc::PidaOffset("pti")),
                         ImageReal(image, plc::PidaOffset("ptd")), ImageReal(image, plc::PidaOffset("pnd")),
                         ImageReal(image, plc::PidaOffset("pb")), ImageReal(image, plc::PidaOffset("pc")));
    };
    switch (code) {
        case 0:
            if (m) m->show(Text(3368), text, MessageIcon::Information, MessageButtons::Ok);
            tuned();
            saveEnabled_ = true;
            break;
        case 1:
            // The view may set the tuner's result beside the running parameters first.
            if (beforeTunerQuestion) beforeTunerQuestion();
            if (m && m->show(Text(3368), text, MessageIcon::Question, MessageButtons::YesNo) ==
                         MessageAnswer::Yes) {
                RestartButton1Click(true);
                tuned();
                saveEnabled_ = true;
            }
            break;
        case 2:
            if (m) m->show(Text(3368), text, MessageIcon::Information, MessageButtons::Ok);
            break;
        default:
            if (m) m->show(Text(3368), text, MessageIcon::Stop, MessageButtons::Ok);
            break;
    }
}

void ParameterPanel::onlineChanged(bool online) {
    if (online) return;
    // Offline: the exchange dropped every mark; the edits show the file again.
    boxTexts_ = {};
    modeWaiting_ = modeSettling_ = false;
    restartEnabled_ = true;
    reload();
}

}  // namespace velmora::online
