#include "online/CommLabel.h"

namespace velmora::online {

bool CommLabel::SetCommState(TCommState state) {
    if (state == commState_) return false;
    commState_ = state;
    return true;
}

bool CommLabel::SetDataState(TDataState state) {
    if (state == dataState_) return false;
    dataState_ = state;
    return true;
}

bool CommLabel::Set_DataWidthPRC(int percent) {
    if (percent == dataWidthPrc_) return false;
    dataWidthPrc_ = percent;
    return true;
}

bool CommLabel::Set_CanSTDLabel(bool on) {
    if (on == canStdLabel_) return false;
    canStdLabel_ = on;
    return true;
}

bool CommLabel::Set_IsFixed(bool fixed) {
    if (fixed == isFixed_) return false;
    isFixed_ = fixed;
    return true;
}

std::string CommLabel::CommText(TCommState state, bool fixed) {
    std::string text;
    switch (state) {
        case TCommState::csNoComm:
            text = "NoComm";
            break;
        case TCommState::csCommErr:
            text = "Com Fail";
            break;
        case TCommState::csHALT:
            text = "Halt";
            break;
        case TCommState::csRUN:
            text = "Run";
            break;
        case TCommState::csERR:
            text = "Error";
            break;
        case TCommState::csRUNn:
            text = "Run";
            break;
        case TCommState::csTrying:
            text = "Connecting ..";
            break;
        case TCommState::csUserText:
        case TCommState::csUserTextF:
            text = "Waiting for access";
            break;
    }
    // The PLC's fixed mark only means something once the PLC itself answers.
    if (fixed && state >= TCommState::csHALT) text += "F";
    return text;
}

PartColour CommLabel::CommBackground(TCommState state) {
    using K = PartColour::Kind;
    switch (state) {
        case TCommState::csNoComm:
            return PartColour::rgb(128, 128, 128);
        case TCommState::csCommErr:
            return PartColour::rgb(255, 0, 0);
        case TCommState::csHALT:
        case TCommState::csRUN:
            return PartColour::rgb(0, 255, 0);
        case TCommState::csERR:
            return PartColour::rgb(0, 255, 255);
        case TCommState::csRUNn:
            return PartColour::system(K::ButtonFace);
        case TCommState::csTrying:
            return PartColour::system(K::InfoBackground);
        case TCommState::csUserText:
        case TCommState::csUserTextF:
            return PartColour::system(K::LabelColour);
    }
    return PartColour::system(K::LabelColour);
}

std::string CommLabel::DataText(TDataState state) {
    switch (state) {
        case TDataState::dsNoComm:
            return "";
        case TDataState::dsDataOK:
            return "Data OK";
        case TDataState::dsDataERR:
            return "No Data";
        case TDataState::dsDataFREEZE:
            return "Frozen";
    }
    return "";
}

PartColour CommLabel::DataBackground(TDataState state) {
    using K = PartColour::Kind;
    switch (state) {
        case TDataState::dsNoComm:
            return PartColour::system(K::ButtonFace);
        case TDataState::dsDataOK:
            return PartColour::rgb(0, 255, 0);
        case TDataState::dsDataERR:
            return PartColour::rgb(192, 192, 192);
        case TDataState::dsDataFREEZE:
            return PartColour::system(K::InfoBackground);
    }
    return PartColour::system(K::ButtonFace);
}

int CommLabel::dataWidth(int w) const {
    if (commState_ == TCommState::csTrying || commState_ == TCommState::csUserTextF) return 0;
    return static_cast<int>(w * 0.01 * dataWidthPrc_);
}

namespace {

std::vector<LineSegment> SunkenFrame(const PartRect& r) {
    const auto shadow = PartColour::system(PartColour::Kind::ButtonShadow);
    const auto highlight = PartColour::system(PartColour::Kind::ButtonHighlight);
    return {
        {r.left, r.bottom, r.left, r.top, shadow},
        {r.left, r.top, r.right, r.top, shadow},
        {r.right, r.top, r.right, r.bottom, highlight},
        {r.right, r.bottom, r.left, r.bottom, highlight},
    };
}

}  // namespace

LabelPaint CommLabel::paint(int w, int h, const TextSize& commTextSize, const TextSize& dataTextSize) const {
    LabelPaint out;
    const int dw = dataWidth(w);
    out.dataWidth = dw;
    const int textTop = (h - 1) / 2;

    out.data.rect = {1, 1, dw, h - 1};
    out.data.text = DataText(dataState_);
    out.data.background = DataBackground(dataState_);
    out.data.textX = out.data.rect.width() / 2 - dataTextSize.width / 2;
    out.data.textY = textTop - dataTextSize.height / 2;
    if (out.data.rect.width() > 0) out.data.frame = SunkenFrame(out.data.rect);

    out.comm.rect = {dw + 1, 1, w - 1, h - 1};
    out.comm.text = CommText(commState_, isFixed_);
    out.comm.background = CommBackground(commState_);
    out.comm.textX = out.comm.rect.width() / 2 - commTextSize.width / 2 + dw + 1;
    out.comm.textY = textTop - commTextSize.height / 2;
    if (out.comm.rect.width() > 0) out.comm.frame = SunkenFrame(out.comm.rect);
    return out;
}

bool CommLabel::onCommPart(int x, int w) const {
    return x > w * 0.01 * dataWidthPrc_;
}

CommLabel::Menu CommLabel::mouseDown(int x, int w, Menu current) {
    if (!ownMenuSaved_ && current != nullptr && current != popupComm_ && current != popupData_) {
        ownMenu_ = current;
        ownMenuSaved_ = true;
    }
    if (canStdLabel_) return ownMenu_;
    return onCommPart(x, w) ? popupComm_ : popupData_;
}

std::optional<CommLabel::HintDecision> CommLabel::mouseMove(int x, int w,
                                                            const std::string& currentHint) const {
    if (canStdLabel_) return std::nullopt;
    HintDecision decision;
    const std::string& hint = onCommPart(x, w) ? commHint_ : dataHint_;
    if (hint.empty()) return decision;
    decision.hintsOn = true;
    decision.hint = hint;
    decision.showNow = hint != currentHint;
    return decision;
}

}  // namespace velmora::online
