#pragma once
// The data path of one online view: going online with its symbol look-up,
// the request items, one exchange per sample period from inside the host's
// communication callback, the pending writes, and the data state.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "base/PidaStructure.h"
#include "base/Toolkit.h"
#include "base/com/CommLoop.h"
#include "controllers/PidParameterBlock.h"
#include "online/ExchangeSettings.h"
#include "online/OnlineHost.h"
#include "online/OnlineValues.h"
#include "online/PlcItem.h"
#include "online/SymbolResolver.h"

namespace velmora::online {

class OnlineSession;

// An INT or a REAL written into a PLC variable.
using RawValue = std::variant<std::int16_t, float>;

// PIDMA parameters as written into k … tt.
struct PidmaParameterBlock {
    float k = 0, ti = 0, td = 0, nd = 0, b = 0, c = 0, tt = 0;
};

// Why the tuned parameters are read: the tuner finished (report 3, 0 or 1)
// or the "Params" button asked (report 2).
enum class TunedReadReason { TunerFinished, ParamsButton };

class OnlineExchange {
public:
    // Registers the view in the session's list (opening order); the
    // destructor removes it, even from inside the callback.
    OnlineExchange(OnlineSession& session, std::string name, OnlineViewSink* sink);
    ~OnlineExchange();
    OnlineExchange(const OnlineExchange&) = delete;
    OnlineExchange& operator=(const OnlineExchange&) = delete;

    const std::string& name() const { return name_; }
    ControllerKind kind() const { return settings_.kind; }
    const ExchangeSettings& settings() const { return settings_; }
    bool online() const { return online_; }
    bool wantData() const { return wantData_; }
    bool showMessages() const { return showMessages_; }
    void setShowMessages(bool on) { showMessages_ = on; }

    // The communication button: toggles online and offline (fromButton), or,
    // called by the frame after compiling, looks the symbols up again.
    void KomunikaceButton1Click(bool fromButton);
    // The view's own button: sets the show-messages flag first.
    void KomunikaceButton1_Click() {
        showMessages_ = true;
        KomunikaceButton1Click(true);
    }
    // The stop button: clears the show-messages flag and goes offline.
    void ToolButtonStop1Click();
    void setOnline(bool on);
    // After compiling, for a view that the frame does not switch again: it
    // asks for data at once.
    void resumeAfterCompile();

    // CommTimer1's tick for this view.
    TickResult commTick();
    // One exchange, from inside the host's callback: 0 stops the callback's
    // loop over the views, 1 lets it go on.
    int NovaKomunikace(PlcRequestFunction request, bool dataValid);

    // Closing while the callback may use the view is only marked; the
    // callback or a notification completes it.
    void requestClose() { closeRequested_ = true; }
    bool closeRequested() const { return closeRequested_; }

    // Pages of the view that change what is read and written.
    void setStructureView(bool on) { structureView_ = on; }
    void setGraphShown(bool on) { graphShown_ = on; }

    // Pending writes of a PID controller.
    void markParameters(const PidParameterBlock& block) { pidParams_ = block; }
    void markTiW(std::int16_t value) { tiW_ = value; }
    void markGw(std::int16_t value) { gW_ = value; }
    // The simulated raw inputs; an input the controller does not have is skipped.
    void markSimulatedInputs(std::optional<RawValue> y1, std::optional<RawValue> y2,
                             std::optional<RawValue> y3);
    void markSecondInput(RawValue value) { secondInput_ = value; }
    void markControl(std::uint16_t word) { control_ = word; }
    void markOutput(std::int16_t value) { output_ = value; }
    // Pending writes of a PIDMA controller.
    void markParameters(const PidmaParameterBlock& block) { pidmaParams_ = block; }
    void markSp(float value) { sp_ = value; }
    void markMan(bool manual) { man_ = static_cast<std::uint8_t>(manual ? 1 : 0); }
    void markTaff(std::uint8_t value) { taff_ = value; }
    void markTune() { tune_ = true; }
    void markTbrk() { tbrk_ = true; }
    void markHv(float value) { hv_ = value; }
    void markPv(float value) { pv_ = value; }
    // The simulated measured value into the controller's Input variable too:
    // the program loads Input into pv every scan, so pv alone would not hold.
    void markInputVariable(float value) { input_ = value; }
    void markClearTuneError() { clearTe_ = true; }
    void markTunedRead(TunedReadReason reason) {
        tunedRead_[reason == TunedReadReason::ParamsButton ? 1 : 0] = true;
    }

    struct Pending {
        bool parameters = false, tiW = false, gW = false, simulatedInputs = false, secondInput = false,
             control = false, output = false, sp = false, man = false, taff = false, tune = false,
             tbrk = false, hv = false, pv = false, input = false, clearTe = false, tunedRead = false;
    };
    Pending pending() const;

    // Received data. The PID block holds Input3 and Input2 ahead of the
    // 50-byte T_PID image; the PIDMA image is the 226-byte _TPIDA_.
    bool hasData() const { return hasImage_; }
    const std::array<std::uint8_t, 54>& pidBlock() const { return pidBlock_; }
    const std::uint8_t* tpid() const { return pidBlock_.data() + 4; }
    std::int16_t input2() const { return plc::GetInt16(pidBlock_.data() + 2); }
    std::int16_t input3() const { return plc::GetInt16(pidBlock_.data()); }
    const std::array<std::uint8_t, plc::kPidaStructSize>& pidmaImage() const { return pidmaImage_; }
    // The additional output's bytes (2 for an INT variable, 4 for a REAL).
    const std::array<std::uint8_t, 4>& additionalOutput() const { return addOut_; }
    // The source variables read in the structure view: Y1Name, UpName, UmName.
    const std::array<std::array<std::uint8_t, 8>, 3>& sourceValues() const { return sources_; }
    std::optional<LocalTime> lastDataTime() const { return lastData_; }
    int minY() const { return settings_.minY; }
    int maxY() const { return settings_.maxY; }

    // The controller's data by symbol name, outside the exchange (the wizard
    // pages' reads and writes): through the request function the host last
    // handed to the callback, whenever the PLC is online (the view need not
    // be: a page opened from an offline view still reaches it). Reachable
    // means every symbol resolves and one read of all of them succeeds now.
    bool symbolsReachable(const std::vector<std::string>& symbols);
    bool writeSymbol(const std::string& symbol, std::span<const std::uint8_t> bytes);
    std::optional<std::vector<std::uint8_t>> readSymbol(const std::string& symbol, int size);

    const PlcItem& item(ItemRole role) const { return items_[static_cast<std::size_t>(role)]; }
    // Whether the symbol behind the item is a REAL.
    bool itemIsReal(ItemRole role) const { return kinds_[static_cast<std::size_t>(role)] == 'F'; }
    int missingSymbols() const { return missing_; }

private:
    friend class OnlineSession;

    // Looks every symbol up; the number of missing ones.
    int lookUpSymbols();
    // Stores the item of a found symbol with its fixed count; false when the
    // symbol cannot serve (too big, outside the 16-bit offsets).
    bool buildItem(ItemRole role, const ResolvedSymbol& found);
    void clearPending();

    // Whether an exchange must stop: the view was destroyed, or the host
    // reported the communication lost, during the last request.
    struct StopCheck {
        std::shared_ptr<bool> alive;
        const std::uint32_t* offCount;
        std::uint32_t offCountAtStart;
        bool operator()() const { return !*alive || *offCount != offCountAtStart; }
    };

    // One request with its log lines. The number of bytes received, or
    // nothing when the request failed or the response does not fit.
    std::optional<int> send(PlcRequestFunction request, std::int32_t command, const char* logText,
                            const RequestBuilder& builder, std::uint8_t* response, int capacity);

    // One exchange: what its steps share. Each step returns false when the
    // exchange must stop.
    struct Pass {
        Pass(PlcRequestFunction r, const StopCheck& s) : request(r), stop(s) {}
        PlcRequestFunction request;
        const StopCheck& stop;
        RequestBuilder builder;
        std::array<std::uint8_t, 256> response{};
        bool answered = false;  // the last read came back whole
    };
    // Sends the pass's request and checks whether the exchange may go on. A
    // read is answered when `expected` bytes came back; a failed write is
    // reported to the view.
    bool sendStep(Pass& p, std::int32_t command, const char* text, int capacity = 1, int expected = 0);
    // A value taken from its mark, written when there is one and the target was found.
    template <typename T>
    bool writeValue(Pass& p, std::optional<T> value, const PlcItem& target, const char* text);
    void storeAdditionalOutput(const std::uint8_t* bytes);
    void imageReceived();

    int exchangePid(PlcRequestFunction request, const StopCheck& stop);
    bool readPidBlock(Pass& p);
    bool readSourceVariables(Pass& p);
    bool writePidParameters(Pass& p, std::uint16_t lastControl);
    bool writeSimulatedInputs(Pass& p);
    bool writeSecondInput(Pass& p);
    bool writeControl(Pass& p, std::uint16_t lastControl);

    int exchangePidma(PlcRequestFunction request, const StopCheck& stop);
    bool readPidmaImage(Pass& p);
    bool writePidmaParameters(Pass& p);
    bool writeInputVariable(Pass& p);
    bool readTunedParameters(Pass& p);

    void log(std::string_view text) const;
    bool logEnabled() const;
    // The session let the view go (closing pass, or the session ended).
    void detachedFromSession() { session_ = nullptr; }
    LocalTime now() const;

    OnlineSession* session_;
    std::string name_;
    OnlineViewSink* sink_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    ExchangeSettings settings_;

    bool online_ = false;
    bool showMessages_ = false;
    bool wantData_ = false;
    bool closeRequested_ = false;
    bool structureView_ = false;
    bool graphShown_ = false;
    bool lookingUp_ = false;

    std::array<PlcItem, static_cast<std::size_t>(ItemRole::Count)> items_{};
    std::array<char, static_cast<std::size_t>(ItemRole::Count)> kinds_{};
    int missing_ = 0;

    std::array<std::uint8_t, 54> pidBlock_{};
    std::array<std::uint8_t, plc::kPidaStructSize> pidmaImage_{};
    std::array<std::uint8_t, 4> addOut_{};
    std::array<std::array<std::uint8_t, 8>, 3> sources_{};
    bool hasImage_ = false;
    std::optional<LocalTime> lastData_;
    std::optional<LocalTime> newestSample_;

    std::optional<PidParameterBlock> pidParams_;
    std::optional<std::int16_t> tiW_, gW_, output_;
    std::optional<std::uint16_t> control_;
    std::array<std::optional<RawValue>, 3> simulated_{};
    bool simulatedPending_ = false;
    std::optional<RawValue> secondInput_;
    std::optional<PidmaParameterBlock> pidmaParams_;
    std::optional<float> sp_, hv_, pv_, input_;
    std::optional<std::uint8_t> man_, taff_;
    bool tune_ = false, tbrk_ = false, clearTe_ = false;
    std::array<bool, 2> tunedRead_{};  // the tuner finished, the "Params" button
};

// The code of the tuner report after the tuned parameters were read: 2 for
// the "Params" button, else 3 when TE is set, 0 when TAFF is set, otherwise 1.
int TunerReportCode(TunedReadReason reason, std::uint8_t te, std::uint8_t taff);

// Milliseconds between two local times (b − a).
std::int64_t MillisecondsBetween(const LocalTime& a, const LocalTime& b);

}  // namespace velmora::online
