#include "online/OnlineExchange.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/OperandParser.h"
#include "controllers/SectionReader.h"
#include "online/OnlineSession.h"
#include "online/RequestLog.h"
#include "online/SymbolResolver.h"
#include "base/Texts.h"

namespace velmora::online {

namespace {

// Fixed counts of the structure items.
constexpr std::uint8_t kPidParameterBytes = 14;  // PBnd … IGap
constexpr std::uint8_t kPidmaParameterBytes = 28;  // k … tt
constexpr std::uint8_t kTunedBytes = 24;           // k … c, pk … pc
constexpr std::uint8_t kShortHead = 84;            // dv … tt
constexpr std::uint8_t kShortTail = 20;            // mv … ite
constexpr int kAdditionalSlot = 4;
constexpr int kWriteResponseCapacity = 1;

std::int16_t RoundTenths(double value, double factor) {
    const double scaled = std::trunc(value * factor + 0.5);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t Milliseconds(const LocalTime& t) {
    return ((DaysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60000LL + t.second * 1000LL +
           t.millisecond;
}

void AppendRaw(RequestBuilder& b, const PlcItem& item, const RawValue& value) {
    if (const auto* i = std::get_if<std::int16_t>(&value))
        b.addWrite(item, *i);
    else
        b.addWrite(item, std::get<float>(value));
}

}  // namespace

std::int64_t MillisecondsBetween(const LocalTime& a, const LocalTime& b) { return Milliseconds(b) - Milliseconds(a); }

int TunerReportCode(TunedReadReason reason, std::uint8_t te, std::uint8_t taff) {
    if (reason == TunedReadReason::ParamsButton) return 2;
    if (te) return 3;
    return taff ? 0 : 1;
}

PidParameterBlock PidParameterBlock::FromShown(double pBnd, double relCool, double ti, double td, double eGap,
                                               double dGap, double iGap) {
    const auto scaled = [](double shown, Key key) { return RoundTenths(shown, KeyScale(key)); };
    return {scaled(pBnd, key::PBnd), scaled(relCool, key::RelCool), scaled(ti, key::Ti), scaled(td, key::Td),
            scaled(eGap, key::EGap), scaled(dGap, key::DGap), scaled(iGap, key::IGap)};
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

bool OnlineExchange::logEnabled() const { return session_ && session_->logEnabled(); }

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
        if (env.messages) env.messages->show(Text(2038), Text(3034), MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    if (!env.plc || env.plc->plcState() == kPlcStateNotConnected) {
        if (env.messages) env.messages->show(Text(2038), Text(3035), MessageIcon::Exclamation, MessageButtons::Ok);
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
        case ItemRole::PidBlock: count = static_cast<std::uint8_t>(settings_.pidBlockSize()); break;
        case ItemRole::PBnd: count = kPidParameterBytes; break;
        case ItemRole::RelCool:
        case ItemRole::Ti:
        case ItemRole::Td:
        case ItemRole::EGap:
        case ItemRole::DGap:
        case ItemRole::IGap:
        case ItemRole::TiW:
        case ItemRole::Gw:
        case ItemRole::Output:
        case ItemRole::Control: count = 2; break;
        case ItemRole::Dv: count = tpida::Size; break;
        case ItemRole::Sp:
        case ItemRole::Hv: count = 4; break;
        case ItemRole::Man:
        case ItemRole::Tune:
        case ItemRole::Tbrk:
        case ItemRole::Taff:
        case ItemRole::Te:
        case ItemRole::Changed: count = 1; break;
        case ItemRole::K: count = kPidmaParameterBytes; break;
        case ItemRole::Pk: count = kTunedBytes; break;
        case ItemRole::AddOut:
            // The additional output has a 4-byte slot behind the image.
            if (count > kAdditionalSlot) return false;
            break;
        default: break;
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
    const std::int32_t result = request(command, static_cast<std::int32_t>(bytes.size()), bytes.data(), &received,
                                        response, kPlcRequestTimeoutMs, kPlcRequestFlags);
    // A host that reports more than the buffer holds is not believed.
    const bool ok = result >= 0 && received >= 0 && received <= capacity;
    if (session && session->logEnabled()) {
        if (result < 0) session->log(FormatCommError(DescribeCommError(result, session->env_.errors)));
        const int shown = std::clamp<std::int32_t>(received, 0, capacity);
        session->log(FormatRequestLog(logText, command, bytes, received,
                                      std::span<const std::uint8_t>(response, static_cast<std::size_t>(shown))));
    }
    if (!ok || !*alive) return std::nullopt;
    return received;
}

bool OnlineExchange::write(PlcRequestFunction request, const char* logText, const RequestBuilder& builder) {
    std::array<std::uint8_t, 16> status{};
    const auto alive = alive_;
    const bool ok = send(request, kPlcWrite, logText, builder, status.data(), kWriteResponseCapacity).has_value();
    // The mark is gone already: the write is not repeated, the view tells the user.
    if (!ok && *alive && sink_) sink_->writeFailed(logText);
    return ok;
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

int OnlineExchange::exchangePid(PlcRequestFunction request, const StopCheck& stop) {
    static const char* const kBlockTexts[4] = {
        "cteni struktury PID od Input1",
        "cteni struktury PID od Input2",
        "cteni struktury PID od Input3, bez Input2",
        "cteni struktury PID od Input3",
    };
    std::array<std::uint8_t, 256> response{};
    RequestBuilder b;

    const PlcItem& block = item(ItemRole::PidBlock);
    const PlcItem& add = item(ItemRole::AddOut);
    const int pidCase = settings_.pidCase();
    if (block.valid) {
        b.addRead(block);
        if (add.valid) b.addRead(add);
        const int capacity = block.count + (add.valid ? kAdditionalSlot : 0);
        const auto got = send(request, kPlcRead, kBlockTexts[pidCase], b, response.data(), capacity);
        if (stop()) return 0;
        if (got && *got == block.count + (add.valid ? add.count : 0)) {
            const std::uint8_t* r = response.data();
            switch (pidCase) {
                case 0: std::memcpy(pidBlock_.data() + 4, r, 50); break;
                case 1: std::memcpy(pidBlock_.data() + 2, r, 52); break;
                case 2:  // Input3 lies directly ahead of the structure
                    std::memcpy(pidBlock_.data(), r, 2);
                    std::memcpy(pidBlock_.data() + 4, r + 2, 50);
                    break;
                default: std::memcpy(pidBlock_.data(), r, 54); break;
            }
            if (add.valid) {
                addOut_ = {};
                std::memcpy(addOut_.data(), r + block.count, add.count);
            }
            hasImage_ = true;
            lastData_ = now();
        }
    }

    if (structureView_) {
        const PlcItem* sources[3] = {&item(ItemRole::Y1), &item(ItemRole::Up),
                                     settings_.hasMinusOutput() ? &item(ItemRole::Um) : nullptr};
        b.clear();
        int total = 0;
        for (const PlcItem* s : sources)
            if (s && s->valid) {
                b.addRead(*s);
                total += s->count;
            }
        if (total > 0) {
            const char* text = sources[2] ? "Cteni Y1Name, UpName, UmName" : "Cteni Y1Name, UpName";
            const auto got = send(request, kPlcRead, text, b, response.data(), total);
            if (stop()) return 0;
            if (got && *got == total) {
                int at = 0;
                for (int i = 0; i < 3; ++i) {
                    if (!sources[i] || !sources[i]->valid) continue;
                    sources_[i] = {};
                    std::memcpy(sources_[i].data(), response.data() + at, sources[i]->count);
                    at += sources[i]->count;
                }
            }
        }
    }

    const std::uint16_t lastControl = DecodeUInt16(tpid() + tpid::Control);

    // The parameter block goes only while the graph page is shown, together
    // with the control word that tells the controller to take it.
    if (pidParams_ && graphShown_ && hasImage_ && item(ItemRole::Control).valid && item(ItemRole::PBnd).valid) {
        const PidParameterBlock p = *pidParams_;
        pidParams_.reset();
        b.clear();
        b.addWrite(item(ItemRole::Control), static_cast<std::int16_t>(lastControl | tpid::CHN));
        std::array<std::uint8_t, kPidParameterBytes> data{};
        const std::int16_t values[7] = {p.pBnd, p.relCool, p.ti, p.td, p.eGap, p.dGap, p.iGap};
        for (int i = 0; i < 7; ++i) {
            const auto v = EncodeInt16(values[i]);
            data[2 * i] = v[0];
            data[2 * i + 1] = v[1];
        }
        b.addWrite(item(ItemRole::PBnd), data);
        write(request, "zapis Pbnd...IGap, Control change", b);
        if (stop()) return 0;
    }
    const auto writeInt = [&](std::optional<std::int16_t>& mark, ItemRole role, const char* text) {
        if (!mark) return true;
        const std::int16_t value = *mark;
        mark.reset();
        if (!item(role).valid) return true;
        b.clear();
        b.addWrite(item(role), value);
        write(request, text, b);
        return !stop();
    };
    if (!writeInt(tiW_, ItemRole::TiW, "zapis TiW")) return 0;
    if (!writeInt(gW_, ItemRole::Gw, "zapis gW")) return 0;

    if (simulatedPending_) {
        simulatedPending_ = false;
        b.clear();
        const ItemRole roles[3] = {ItemRole::Y1, ItemRole::Y2, ItemRole::Y3};
        for (int i = 0; i < 3; ++i) {
            if (simulated_[i] && item(roles[i]).valid) AppendRaw(b, item(roles[i]), *simulated_[i]);
            simulated_[i].reset();
        }
        if (!b.bytes().empty()) {
            write(request, "zapis Y1, (Y2, (Y3))", b);
            if (stop()) return 0;
        }
    }
    if (secondInput_) {
        const RawValue value = *secondInput_;
        secondInput_.reset();
        if (item(ItemRole::Y2).valid) {
            b.clear();
            AppendRaw(b, item(ItemRole::Y2), value);
            const bool real = std::holds_alternative<float>(value);
            write(request, real ? "zapis Y2 pro RIO (float)" : "zapis Y2 pro RIO", b);
            if (stop()) return 0;
        }
    }
    // The control word needs the word last read, to know whether it changed.
    if (control_ && hasImage_) {
        const std::uint16_t word = *control_;
        control_.reset();
        if (word != lastControl && item(ItemRole::Control).valid) {
            b.clear();
            b.addWrite(item(ItemRole::Control), static_cast<std::int16_t>(word));
            write(request, "zapis Control", b);
            if (stop()) return 0;
        }
    }
    if (!writeInt(output_, ItemRole::Output, "zapis OutPut")) return 0;
    return 1;
}

int OnlineExchange::exchangePidma(PlcRequestFunction request, const StopCheck& stop) {
    std::array<std::uint8_t, 256> response{};
    RequestBuilder b;
    const PlcItem& dv = item(ItemRole::Dv);
    const PlcItem& add = item(ItemRole::AddOut);
    if (!dv.valid) return 1;

    if (structureView_) {
        b.addRead(dv);
        if (add.valid) b.addRead(add);
        const auto got = send(request, kPlcRead, "cteni struktury PIDMA od _dv", b, response.data(),
                              tpida::Size + kAdditionalSlot);
        if (stop()) return 0;
        if (got && *got == tpida::Size + (add.valid ? add.count : 0)) {
            std::memcpy(pidmaImage_.data(), response.data(), tpida::Size);
            if (add.valid) {
                addOut_ = {};
                std::memcpy(addOut_.data(), response.data() + tpida::Size, add.count);
            }
            hasImage_ = true;
            lastData_ = now();
        }
    } else {
        b.addRead(dv.withCount(kShortHead));
        b.addRead(dv.at(tpida::mv, kShortTail));
        if (add.valid) b.addRead(add);
        const int shortSize = kShortHead + kShortTail;
        const auto got = send(request, kPlcRead, "cteni struktury PIDMAshort od _dv", b, response.data(),
                              shortSize + (add.valid ? kAdditionalSlot : 0));
        if (stop()) return 0;
        if (got && *got == shortSize + (add.valid ? add.count : 0)) {
            std::memcpy(pidmaImage_.data(), response.data(), kShortHead);
            std::memcpy(pidmaImage_.data() + tpida::mv, response.data() + kShortHead, kShortTail);
            if (add.valid) {
                addOut_ = {};
                std::memcpy(addOut_.data(), response.data() + shortSize, add.count);
            }
            hasImage_ = true;
            lastData_ = now();
        }
    }

    if (pidmaParams_ && graphShown_ && item(ItemRole::Changed).valid && item(ItemRole::K).valid) {
        const PidmaParameterBlock p = *pidmaParams_;
        pidmaParams_.reset();
        b.clear();
        b.addWrite(item(ItemRole::Changed), std::uint8_t{1});
        std::array<std::uint8_t, kPidmaParameterBytes> data{};
        const float values[7] = {p.k, p.ti, p.td, p.nd, p.b, p.c, p.tt};
        for (int i = 0; i < 7; ++i) {
            const auto v = EncodeFloat(values[i]);
            std::copy(v.begin(), v.end(), data.begin() + 4 * i);
        }
        b.addWrite(item(ItemRole::K), data);
        write(request, "zapis parametru PIDMA", b);
        if (stop()) return 0;
    }
    const auto writeFloat = [&](std::optional<float>& mark, const PlcItem& target, const char* text) {
        if (!mark) return true;
        const float value = *mark;
        mark.reset();
        if (!target.valid) return true;
        b.clear();
        b.addWrite(target.withCount(4), value);
        write(request, text, b);
        return !stop();
    };
    const auto writeByte = [&](std::optional<std::uint8_t> mark, ItemRole role, const char* text) {
        if (!mark || !item(role).valid) return true;
        b.clear();
        b.addWrite(item(role), *mark);
        write(request, text, b);
        return !stop();
    };
    const auto take = [](auto& mark) {
        auto value = mark;
        mark.reset();
        return value;
    };
    const auto takeFlag = [](bool& flag, std::uint8_t value) -> std::optional<std::uint8_t> {
        if (!flag) return std::nullopt;
        flag = false;
        return value;
    };

    if (!writeFloat(sp_, item(ItemRole::Sp), "zapis _sp")) return 0;
    if (!writeByte(take(man_), ItemRole::Man, "zapis MAN")) return 0;
    if (!writeByte(take(taff_), ItemRole::Taff, "zapis TAFF")) return 0;
    if (!writeByte(takeFlag(tune_, 1), ItemRole::Tune, "zapis TUNE")) return 0;
    if (!writeByte(takeFlag(tbrk_, 1), ItemRole::Tbrk, "zapis TBRK")) return 0;
    if (!writeFloat(hv_, item(ItemRole::Hv), "zapis _hv")) return 0;
    if (!writeFloat(pv_, dv.at(tpida::pv, 4), "zapis Y")) return 0;
    if (const auto value = take(input_); value && item(ItemRole::Input).valid) {
        // A REAL takes the value, an INT its rounded value; any other type is left alone.
        const PlcItem& target = item(ItemRole::Input);
        b.clear();
        if (itemIsReal(ItemRole::Input) && target.count == 4) {
            b.addWrite(target, *value);
        } else if (target.count == 2 && std::isfinite(*value)) {
            b.addWrite(target, static_cast<std::int16_t>(std::clamp(std::round(*value), -32768.0f, 32767.0f)));
        }
        if (!b.bytes().empty()) {
            write(request, "zapis Y do Input", b);
            if (stop()) return 0;
        }
    }
    if (!writeByte(takeFlag(clearTe_, 0), ItemRole::Te, "zapis TE")) return 0;

    if ((tunedRead_[0] || tunedRead_[1]) && item(ItemRole::K).valid && item(ItemRole::Pk).valid) {
        // The tuner's end and the "Params" button may ask in the same period: one read, both reports.
        const auto reasons = tunedRead_;
        tunedRead_ = {};
        b.clear();
        b.addRead(item(ItemRole::K).withCount(kTunedBytes));
        b.addRead(item(ItemRole::Pk));
        const auto got = send(request, kPlcRead, "cteni parametru PIDMA", b, response.data(), 2 * kTunedBytes);
        if (stop()) return 0;
        if (got && *got == 2 * kTunedBytes) {
            std::memcpy(pidmaImage_.data() + tpida::k, response.data(), kTunedBytes);
            std::memcpy(pidmaImage_.data() + tpida::pk, response.data() + kTunedBytes, kTunedBytes);
            const TunedReadReason order[2] = {TunedReadReason::TunerFinished, TunedReadReason::ParamsButton};
            for (int i = 0; i < 2; ++i) {
                if (!reasons[i] || !sink_) continue;
                sink_->tunerReport(TunerReportCode(order[i], pidmaImage_[tpida::TE], pidmaImage_[tpida::TAFF]));
                if (stop()) return 0;
            }
        }
    }
    return 1;
}

}  // namespace velmora::online
