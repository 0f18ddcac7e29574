#include "online/OnlineExchange.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/Dates.h"
#include "base/OperandParser.h"
#include "base/Texts.h"
#include "controllers/SectionReader.h"
#include "online/OnlineSession.h"
#include "online/RequestLog.h"
#include "online/SymbolResolver.h"

namespace velmora::online {

namespace {

// Fixed counts of the structure items.
constexpr int kPidmaParameterBytes = plc::PidaOffset("hilim") - plc::PidaOffset("k");  // k … tt
constexpr int kTunedBytes = plc::PidaOffset("tt") - plc::PidaOffset("k");              // k … c, pk … pc
constexpr int kShortHead = plc::PidaOffset("hilim");                                   // dv … tt
constexpr int kShortTail = plc::PidaOffset("pk") - plc::PidaOffset("mv");              // mv … ite
constexpr int kAdditionalSlot = 4;

void AppendRaw(RequestBuilder& b, const PlcItem& item, const RawValue& value) {
    if (const auto* i = std::get_if<std::int16_t>(&value))
        b.addWrite(item, *i);
    else
        b.addWrite(item, std::get<float>(value));
}

// A pending value handed to its write: the mark is gone whatever the write does.
template <typename T>
std::optional<T> Take(std::optional<T>& mark) {
    auto value = mark;
    mark.reset();
    return value;
}
std::optional<std::uint8_t> TakeFlag(bool& flag, std::uint8_t value) {
    if (!flag) return std::nullopt;
    flag = false;
    return value;
}

}  // namespace

std::int64_t MillisecondsBetween(const LocalTime& a, const LocalTime& b) {
    return LocalMilliseconds(b) - LocalMilliseconds(a);
}

int TunerReportCode(TunedReadReason reason, std::uint8_t te, std::uint8_t taff) {
    if (reason == TunedReadReason::ParamsButton) return 2;
    if (te) return 3;
    return taff ? 0 : 1;
}

OnlineExchange::OnlineExchange(OnlineSession& session, std::string name, OnlineViewSink* sink)
    : session_(&session), name_(std::move(name)), sink_(sink) {
    settings_.name = name_;
    session_->attach(this);
}

OnlineExchange::~OnlineExchange() {
    *alive_ = false;
    if (session_) session_->detach(this);
}

void OnlineExchange::log(std::string_view text) const {
    if (session_) session_->log(text);
}

bool OnlineExchange::logEnabled() const {
    return session_ && session_->logEnabled();
}

LocalTime OnlineExchange::now() const {
    if (session_ && session_->env_.clock) return session_->env_.clock->now();
    return SystemClock().now();
}

void OnlineExchange::KomunikaceButton1Click(bool fromButton) {
    if (!session_) return;
    const OnlineEnvironment& env = session_->env_;
    if (fromButton && env.buttonPressed) env.buttonPressed(!online_);
    if (online_ && fromButton) {
        setOnline(false);
        return;
    }
    if (env.programChanged && env.programChanged()) {
        if (env.messages)
            env.messages->show(Text(2038), Text(3034), MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    if (!env.plc || env.plc->plcState() == kPlcStateNotConnected) {
        if (env.messages)
            env.messages->show(Text(2038), Text(3035), MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    const auto alive = alive_;
    settings_ = env.loadSettings ? env.loadSettings(name_) : ExchangeSettings{};
    settings_.name = name_;
    if (!settings_.present) {
        // Nothing to look up: the view says so and closes.
        setOnline(false);
        if (*alive && sink_) sink_->controllerVanished();
        return;
    }
    const int missing = lookUpSymbols();
    if (!*alive) return;
    if (missing > 0)
        setOnline(false);
    else if (showMessages_)
        setOnline(true);
}

int OnlineExchange::lookUpSymbols() {
    // The callback may run while a message box or a page is open; it leaves
    // a view alone until its table is complete.
    const auto alive = alive_;
    struct Busy {
        OnlineExchange& e;
        std::shared_ptr<bool> alive;
        Busy(OnlineExchange& x, std::shared_ptr<bool> a) : e(x), alive(std::move(a)) { e.lookingUp_ = true; }
        ~Busy() {
            if (*alive) e.lookingUp_ = false;
        }
    } busy(*this, alive);
    items_ = {};
    kinds_ = {};
    missing_ = 0;
    const OnlineEnvironment& env = session_->env_;
    for (const SymbolRequest& request : SymbolsToLookUp(settings_)) {
        const auto found = ResolveSymbol(request.symbol, env.lookup);
        if (found && buildItem(request.role, *found)) continue;
        ++missing_;
        if (missing_ != 1 || !showMessages_) continue;
        if (env.messages) {
            env.messages->show("Velmora - " + name_, Text(3412) + " '" + request.symbol + "' " + Text(3460),
                               MessageIcon::Stop, MessageButtons::Ok);
            if (!*alive) return 1;
        }
        if (request.page) {
            setOnline(false);
            if (sink_) sink_->openVariablePage(*request.page);
            if (!*alive) return 1;
        }
    }
    return missing_;
}

bool OnlineExchange::buildItem(ItemRole role, const ResolvedSymbol& found) {
    std::uint8_t count = found.item.count;
    switch (role) {
        case ItemRole::PidBlock:
            count = static_cast<std::uint8_t>(settings_.pidBlockSize());
            break;
        case ItemRole::PBnd:
            count = kPidParameterBytes;
            break;
        case ItemRole::RelCool:
        case ItemRole::Ti:
        case ItemRole::Td:
        case ItemRole::EGap:
        case ItemRole::DGap:
        case ItemRole::IGap:
        case ItemRole::TiW:
        case ItemRole::Gw:
        case ItemRole::Output:
        case ItemRole::Control:
            count = 2;
            break;
        case ItemRole::Dv:
            count = plc::kPidaStructSize;
            break;
        case ItemRole::Sp:
        case ItemRole::Hv:
            count = 4;
            break;
        case ItemRole::Man:
        case ItemRole::Tune:
        case ItemRole::Tbrk:
        case ItemRole::Taff:
        case ItemRole::Te:
        case ItemRole::Changed:
            count = 1;
            break;
        case ItemRole::K:
            count = kPidmaParameterBytes;
            break;
        case ItemRole::Pk:
            count = kTunedBytes;
            break;
        case ItemRole::AddOut:
            // The additional output has a 4-byte slot behind the image.
            if (count > kAdditionalSlot) return false;
            break;
        default:
            break;
    }
    // An item must stay inside the 16-bit offsets of its area.
    if (count == 0 || found.item.offset + count > plc::kAreaBytes) return false;
    const auto index = static_cast<std::size_t>(role);
    items_[index] = found.item.withCount(count);
    items_[index].valid = true;
    kinds_[index] = found.kind;
    return true;
}

void OnlineExchange::setOnline(bool on) {
    if (on) {
        wantData_ = true;
        hasImage_ = false;
        lastData_.reset();
        newestSample_.reset();
        if (sink_) {
            const auto alive = alive_;
            sink_->onlineChanged(true);
            if (!*alive) return;
        }
        online_ = true;
    } else {
        wantData_ = false;
        online_ = false;
        clearPending();
        if (sink_) sink_->onlineChanged(false);
    }
}

void OnlineExchange::ToolButtonStop1Click() {
    showMessages_ = false;
    setOnline(false);
}

void OnlineExchange::resumeAfterCompile() {
    if (online_) wantData_ = true;
}

void OnlineExchange::clearPending() {
    pidParams_.reset();
    tiW_.reset();
    gW_.reset();
    output_.reset();
    control_.reset();
    simulated_ = {};
    simulatedPending_ = false;
    secondInput_.reset();
    pidmaParams_.reset();
    sp_.reset();
    hv_.reset();
    pv_.reset();
    input_.reset();
    man_.reset();
    taff_.reset();
    tune_ = tbrk_ = clearTe_ = false;
    tunedRead_ = {};
}

void OnlineExchange::markSimulatedInputs(std::optional<RawValue> y1, std::optional<RawValue> y2,
                                         std::optional<RawValue> y3) {
    simulated_ = {y1, y2, y3};
    simulatedPending_ = y1 || y2 || y3;
}

OnlineExchange::Pending OnlineExchange::pending() const {
    Pending p;
    p.parameters = pidParams_.has_value() || pidmaParams_.has_value();
    p.tiW = tiW_.has_value();
    p.gW = gW_.has_value();
    p.simulatedInputs = simulatedPending_;
    p.secondInput = secondInput_.has_value();
    p.control = control_.has_value();
    p.output = output_.has_value();
    p.sp = sp_.has_value();
    p.man = man_.has_value();
    p.taff = taff_.has_value();
    p.tune = tune_;
    p.tbrk = tbrk_;
    p.hv = hv_.has_value();
    p.pv = pv_.has_value();
    p.input = input_.has_value();
    p.clearTe = clearTe_;
    p.tunedRead = tunedRead_[0] || tunedRead_[1];
    return p;
}

TickResult OnlineExchange::commTick() {
    TickResult result;
    if (lookingUp_ || !session_) return result;
    const auto alive = alive_;
    if (!wantData_) {
        if (logEnabled()) log("Want data = true pro " + name_);
        if (sink_) {
            sink_->refreshPendingControls();
            if (!*alive) return result;
        }
        wantData_ = true;
    }
    // Only data newer than the last stored sample count; the first data after
    // going online always do.
    const bool fresh = lastData_ && (!newestSample_ || MillisecondsBetween(*newestSample_, *lastData_) > 1);
    if (fresh) {
        result = {TDataState::dsDataOK, 32, true};
        newestSample_ = lastData_;
    } else {
        result = {TDataState::dsDataERR, 33, false};
    }
    if (sink_) sink_->commTicked(result);
    return result;
}

std::optional<int> OnlineExchange::send(PlcRequestFunction request, std::int32_t command, const char* logText,
                                        const RequestBuilder& builder, std::uint8_t* response, int capacity) {
    // The view may be destroyed while the host works on the request: nothing
    // of it is touched afterwards but what lives outside it.
    OnlineSession* session = session_;
    const auto alive = alive_;
    const auto& bytes = builder.bytes();
    std::int32_t received = capacity;
    const std::int32_t result = request(command, static_cast<std::int32_t>(bytes.size()), bytes.data(),
                                        &received, response, kPlcRequestTimeoutMs, kPlcRequestFlags);
    // A host that reports more than the buffer holds is not believed.
    const bool ok = result >= 0 && received >= 0 && received <= capacity;
    if (session && session->logEnabled()) {
        if (result < 0) session->log(FormatCommError(DescribeCommError(result, session->env_.errors)));
        const int shown = std::clamp<std::int32_t>(received, 0, capacity);
        session->log(
            FormatRequestLog(logText, command, bytes, received,
                             std::span<const std::uint8_t>(response, static_cast<std::size_t>(shown))));
    }
    if (!ok || !*alive) return std::nullopt;
    return received;
}

int OnlineExchange::NovaKomunikace(PlcRequestFunction request, bool dataValid) {
    if (!wantData_ || lookingUp_ || !session_) return 1;
    wantData_ = false;
    if (logEnabled()) log("Want data = false pro " + name_);
    if (!dataValid || !request) {
        if (!lastData_) lastData_ = now();
        return 1;
    }
    const StopCheck stop{alive_, &session_->offCount_, session_->offCount_};
    return settings_.kind == ControllerKind::Pid ? exchangePid(request, stop) : exchangePidma(request, stop);
}

bool OnlineExchange::sendStep(Pass& p, std::int32_t command, const char* text, int capacity, int expected) {
    const auto got = send(p.request, command, text, p.builder, p.response.data(), capacity);
    // A failed write's mark is gone already: it is not repeated. The comm log
    // says so; no message box, which would come back on every tick.
    if (command == kPlcWrite && !got && *p.stop.alive) {
        if (logEnabled()) log(std::string("Write failed: ") + text);
        if (sink_) sink_->writeFailed(text);
    }
    if (p.stop()) return false;
    p.answered = got && *got == expected;
    return true;
}

template <typename T>
bool OnlineExchange::writeValue(Pass& p, std::optional<T> value, const PlcItem& target, const char* text) {
    if (!value || !target.valid) return true;
    p.builder.clear();
    p.builder.addWrite(target, *value);
    return sendStep(p, kPlcWrite, text);
}

void OnlineExchange::storeAdditionalOutput(const std::uint8_t* bytes) {
    const PlcItem& add = item(ItemRole::AddOut);
    if (!add.valid) return;
    addOut_ = {};
    std::memcpy(addOut_.data(), bytes, add.count);
}

void OnlineExchange::imageReceived() {
    hasImage_ = true;
    lastData_ = now();
}

int OnlineExchange::exchangePid(PlcRequestFunction request, const StopCheck& stop) {
    Pass p{request, stop};
    if (!readPidBlock(p) || (structureView_ && !readSourceVariables(p))) return 0;
    // The control word needs the word last read, to know whether it changed.
    const std::uint16_t lastControl = plc::GetUInt16(tpid() + plc::PidOffset("Control"));
    const bool goOn = writePidParameters(p, lastControl) &&
                      writeValue(p, Take(tiW_), item(ItemRole::TiW), "zapis TiW") &&
                      writeValue(p, Take(gW_), item(ItemRole::Gw), "zapis gW") && writeSimulatedInputs(p) &&
                      writeSecondInput(p) && writeControl(p, lastControl) &&
                      writeValue(p, Take(output_), item(ItemRole::Output), "zapis OutPut");
    return goOn ? 1 : 0;
}

bool OnlineExchange::readPidBlock(Pass& p) {
    static const char* const kBlockTexts[4] = {
        "cteni struktury PID od Input1",
        "cteni struktury PID od Input2",
        "cteni struktury PID od Input3, bez Input2",
        "cteni struktury PID od Input3",
    };
    const PlcItem& block = item(ItemRole::PidBlock);
    const PlcItem& add = item(ItemRole::AddOut);
    if (!block.valid) return true;
    p.builder.clear();
    p.builder.addRead(block);
    if (add.valid) p.builder.addRead(add);
    const int pidCase = settings_.pidCase();
    if (!sendStep(p, kPlcRead, kBlockTexts[pidCase], block.count + (add.valid ? kAdditionalSlot : 0),
                  block.count + (add.valid ? add.count : 0)))
        return false;
    if (!p.answered) return true;
    // Input3 and Input2 have their slots ahead of T_PID whether they were read or not.
    const std::uint8_t* r = p.response.data();
    switch (pidCase) {
        case 0:
            std::memcpy(pidBlock_.data() + 4, r, 50);
            break;
        case 1:
            std::memcpy(pidBlock_.data() + 2, r, 52);
            break;
        case 2:  // Input3 lies directly ahead of the structure
            std::memcpy(pidBlock_.data(), r, 2);
            std::memcpy(pidBlock_.data() + 4, r + 2, 50);
            break;
        default:
            std::memcpy(pidBlock_.data(), r, 54);
            break;
    }
    storeAdditionalOutput(r + block.count);
    imageReceived();
    return true;
}

bool OnlineExchange::readSourceVariables(Pass& p) {
    const PlcItem* sources[3] = {&item(ItemRole::Y1), &item(ItemRole::Up),
                                 settings_.hasMinusOutput() ? &item(ItemRole::Um) : nullptr};
    p.builder.clear();
    int total = 0;
    for (const PlcItem* s : sources)
        if (s && s->valid) {
            p.builder.addRead(*s);
            total += s->count;
        }
    if (total == 0) return true;
    const char* text = sources[2] ? "Cteni Y1Name, UpName, UmName" : "Cteni Y1Name, UpName";
    if (!sendStep(p, kPlcRead, text, total, total)) return false;
    if (!p.answered) return true;
    int at = 0;
    for (int i = 0; i < 3; ++i) {
        if (!sources[i] || !sources[i]->valid) continue;
        sources_[i] = {};
        std::memcpy(sources_[i].data(), p.response.data() + at, sources[i]->count);
        at += sources[i]->count;
    }
    return true;
}

bool OnlineExchange::writePidParameters(Pass& p, std::uint16_t lastControl) {
    // The parameter block goes only while the graph page is shown, together
    // with the control word that tells the controller to take it.
    if (!pidParams_ || !graphShown_ || !hasImage_ || !item(ItemRole::Control).valid ||
        !item(ItemRole::PBnd).valid)
        return true;
    const auto bytes = EncodePidParameters(*Take(pidParams_));
    p.builder.clear();
    p.builder.addWrite(item(ItemRole::Control), static_cast<std::int16_t>(lastControl | kControlCHN));
    p.builder.addWrite(item(ItemRole::PBnd), bytes);
    return sendStep(p, kPlcWrite, "zapis Pbnd...IGap, Control change");
}

bool OnlineExchange::writeSimulatedInputs(Pass& p) {
    if (!std::exchange(simulatedPending_, false)) return true;
    p.builder.clear();
    const ItemRole roles[3] = {ItemRole::Y1, ItemRole::Y2, ItemRole::Y3};
    for (int i = 0; i < 3; ++i)
        if (const auto value = Take(simulated_[i]); value && item(roles[i]).valid)
            AppendRaw(p.builder, item(roles[i]), *value);
    return p.builder.bytes().empty() || sendStep(p, kPlcWrite, "zapis Y1, (Y2, (Y3))");
}

bool OnlineExchange::writeSecondInput(Pass& p) {
    const auto value = Take(secondInput_);
    if (!value || !item(ItemRole::Y2).valid) return true;
    p.builder.clear();
    AppendRaw(p.builder, item(ItemRole::Y2), *value);
    const bool real = std::holds_alternative<float>(*value);
    return sendStep(p, kPlcWrite, real ? "zapis Y2 pro RIO (float)" : "zapis Y2 pro RIO");
}

bool OnlineExchange::writeControl(Pass& p, std::uint16_t lastControl) {
    if (!control_ || !hasImage_) return true;
    const std::uint16_t word = *Take(control_);
    if (word == lastControl) return true;
    return writeValue(p, std::optional(static_cast<std::int16_t>(word)), item(ItemRole::Control),
                      "zapis Control");
}

int OnlineExchange::exchangePidma(PlcRequestFunction request, const StopCheck& stop) {
    const PlcItem& dv = item(ItemRole::Dv);
    if (!dv.valid) return 1;
    Pass p{request, stop};
    const bool goOn =
        readPidmaImage(p) && writePidmaParameters(p) &&
        writeValue(p, Take(sp_), item(ItemRole::Sp), "zapis _sp") &&
        writeValue(p, Take(man_), item(ItemRole::Man), "zapis MAN") &&
        writeValue(p, Take(taff_), item(ItemRole::Taff), "zapis TAFF") &&
        writeValue(p, TakeFlag(tune_, 1), item(ItemRole::Tune), "zapis TUNE") &&
        writeValue(p, TakeFlag(tbrk_, 1), item(ItemRole::Tbrk), "zapis TBRK") &&
        writeValue(p, Take(hv_), item(ItemRole::Hv), "zapis _hv") &&
        writeValue(p, Take(pv_), dv.at(plc::PidaOffset("pv"), 4), "zapis Y") && writeInputVariable(p) &&
        writeValue(p, TakeFlag(clearTe_, 0), item(ItemRole::Te), "zapis TE") && readTunedParameters(p);
    return goOn ? 1 : 0;
}

bool OnlineExchange::readPidmaImage(Pass& p) {
    // The structure view shows every member; otherwise the head up to tt and
    // the outputs from mv are enough.
    const PlcItem& dv = item(ItemRole::Dv);
    const PlcItem& add = item(ItemRole::AddOut);
    constexpr int kMv = plc::PidaOffset("mv");
    const int size = structureView_ ? plc::kPidaStructSize : kShortHead + kShortTail;
    p.builder.clear();
    if (structureView_) {
        p.builder.addRead(dv);
    } else {
        p.builder.addRead(dv.withCount(kShortHead));
        p.builder.addRead(dv.at(kMv, kShortTail));
    }
    if (add.valid) p.builder.addRead(add);
    const char* text = structureView_ ? "cteni struktury PIDMA od _dv" : "cteni struktury PIDMAshort od _dv";
    if (!sendStep(p, kPlcRead, text, size + (add.valid ? kAdditionalSlot : 0),
                  size + (add.valid ? add.count : 0)))
        return false;
    if (!p.answered) return true;
    if (structureView_) {
        std::memcpy(pidmaImage_.data(), p.response.data(), plc::kPidaStructSize);
    } else {
        std::memcpy(pidmaImage_.data(), p.response.data(), kShortHead);
        std::memcpy(pidmaImage_.data() + kMv, p.response.data() + kShortHead, kShortTail);
    }
    storeAdditionalOutput(p.response.data() + size);
    imageReceived();
    return true;
}

bool OnlineExchange::writePidmaParameters(Pass& p) {
    if (!pidmaParams_ || !graphShown_ || !item(ItemRole::Changed).valid || !item(ItemRole::K).valid)
        return true;
    const PidmaParameterBlock block = *Take(pidmaParams_);
    std::vector<std::uint8_t> data;
    for (const float v : {block.k, block.ti, block.td, block.nd, block.b, block.c, block.tt})
        plc::AppendReal(data, v);
    p.builder.clear();
    p.builder.addWrite(item(ItemRole::Changed), std::uint8_t{1});
    p.builder.addWrite(item(ItemRole::K), data);
    return sendStep(p, kPlcWrite, "zapis parametru PIDMA");
}

bool OnlineExchange::writeInputVariable(Pass& p) {
    // A REAL takes the value, an INT its rounded value; any other type is left alone.
    const auto value = Take(input_);
    const PlcItem& target = item(ItemRole::Input);
    if (!value || !target.valid) return true;
    if (itemIsReal(ItemRole::Input) && target.count == 4)
        return writeValue(p, value, target, "zapis Y do Input");
    if (target.count != 2 || !std::isfinite(*value)) return true;
    const auto rounded = static_cast<std::int16_t>(std::clamp(std::round(*value), -32768.0f, 32767.0f));
    return writeValue(p, std::optional(rounded), target, "zapis Y do Input");
}

bool OnlineExchange::readTunedParameters(Pass& p) {
    if (!(tunedRead_[0] || tunedRead_[1]) || !item(ItemRole::K).valid || !item(ItemRole::Pk).valid)
        return true;
    // The tuner's end and the "Params" button may ask in the same period: one read, both reports.
    const auto reasons = std::exchange(tunedRead_, {});
    p.builder.clear();
    p.builder.addRead(item(ItemRole::K).withCount(kTunedBytes));
    p.builder.addRead(item(ItemRole::Pk));
    if (!sendStep(p, kPlcRead, "cteni parametru PIDMA", 2 * kTunedBytes, 2 * kTunedBytes)) return false;
    if (!p.answered) return true;
    std::memcpy(pidmaImage_.data() + plc::PidaOffset("k"), p.response.data(), kTunedBytes);
    std::memcpy(pidmaImage_.data() + plc::PidaOffset("pk"), p.response.data() + kTunedBytes, kTunedBytes);
    const TunedReadReason order[2] = {TunedReadReason::TunerFinished, TunedReadReason::ParamsButton};
    for (int i = 0; i < 2; ++i) {
        if (!reasons[i] || !sink_) continue;
        sink_->tunerReport(TunerReportCode(order[i], pidmaImage_[plc::PidaOffset("TE")],
                                           pidmaImage_[plc::PidaOffset("TAFF")]));
        if (p.stop()) return false;
    }
    return true;
}

}  // namespace velmora::online
