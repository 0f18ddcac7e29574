#pragma once
// The communication and data state strip (TCommLabel) without its toolkit:
// states, texts, colours, part geometry, popup and hint selection. The Qt
// widget (CommLabelWidget) only paints what this class decides.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::online {

enum class TCommState {
    csNoComm,
    csCommErr,
    csHALT,
    csRUN,
    csERR,
    csRUNn,
    csTrying,
    csUserText,
    csUserTextF
};
enum class TDataState { dsNoComm, dsDataOK, dsDataERR, dsDataFREEZE };

// A fill colour: a fixed RGB value or one of the system colours the toolkit knows.
struct PartColour {
    enum class Kind { Rgb, ButtonFace, InfoBackground, LabelColour, ButtonShadow, ButtonHighlight };
    Kind kind = Kind::Rgb;
    std::uint8_t r = 0, g = 0, b = 0;

    static PartColour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {Kind::Rgb, r, g, b}; }
    static PartColour system(Kind kind) { return {kind, 0, 0, 0}; }
    friend bool operator==(const PartColour&, const PartColour&) = default;
};

// Rectangles are (left, top, right, bottom) with the right and bottom edges
// exclusive for fills, as the toolkit's rectangles are.
struct PartRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    friend bool operator==(const PartRect&, const PartRect&) = default;
};

struct LineSegment {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    PartColour colour;
};

struct PartPaint {
    PartRect rect;
    std::string text;
    PartColour background;
    int textX = 0, textY = 0;  // top-left corner of the text
    std::vector<LineSegment> frame;
};

struct LabelPaint {
    int dataWidth = 0;  // dw: width of the left part
    PartPaint data;     // left part
    PartPaint comm;     // right part
};

// Measures a text in the label's font.
struct TextSize {
    int width = 0, height = 0;
};

class CommLabel {
public:
    using Menu = void*;  // the toolkit's popup menu, opaque here

    // Setters of displayed values return whether the value changed (and so
    // the label must repaint).
    bool SetCommState(TCommState state);
    TCommState GetCommState() const { return commState_; }
    bool SetDataState(TDataState state);
    TDataState GetDataState() const { return dataState_; }
    bool Set_DataWidthPRC(int percent);
    int Get_DataWidthPRC() const { return dataWidthPrc_; }
    bool Set_CanSTDLabel(bool on);
    bool Get_CanSTDLabel() const { return canStdLabel_; }
    bool Set_IsFixed(bool fixed);
    bool Get_IsFixed() const { return isFixed_; }
    void Set_CommPopupMenu(Menu menu) { popupComm_ = menu; }
    Menu Get_CommPopupMenu() const { return popupComm_; }
    void Set_DataPopupMenu(Menu menu) { popupData_ = menu; }
    Menu Get_DataPopupMenu() const { return popupData_; }

    void setCommHint(std::string hint) { commHint_ = std::move(hint); }
    const std::string& commHint() const { return commHint_; }
    void setDataHint(std::string hint) { dataHint_ = std::move(hint); }
    const std::string& dataHint() const { return dataHint_; }

    // Texts and colours of the two parts.
    static std::string CommText(TCommState state, bool fixed);
    static PartColour CommBackground(TCommState state);
    static std::string DataText(TDataState state);
    static PartColour DataBackground(TDataState state);

    // Width of the left part for a label of width w.
    int dataWidth(int w) const;
    // Everything the widget draws for a label of w × h pixels.
    LabelPaint paint(int w, int h, const TextSize& commTextSize, const TextSize& dataTextSize) const;

    // Whether a point at x of a label of width w lies on the right (communication) part.
    bool onCommPart(int x, int w) const;

    // Mouse press at x: returns the popup menu the label is to use from now on,
    // given the menu it has now.
    Menu mouseDown(int x, int w, Menu current);

    struct HintDecision {
        bool hintsOn = false;  // false: hints switched off
        bool showNow = false;  // the hint changed: show it at the cursor at once
        std::string hint;
    };
    // Mouse move at x; `currentHint` is the hint the label shows now. Nothing
    // when the label behaves as a plain label.
    std::optional<HintDecision> mouseMove(int x, int w, const std::string& currentHint) const;

private:
    TCommState commState_ = TCommState::csNoComm;
    TDataState dataState_ = TDataState::dsNoComm;
    int dataWidthPrc_ = 50;
    bool canStdLabel_ = false;
    bool isFixed_ = false;
    Menu popupComm_ = nullptr;
    Menu popupData_ = nullptr;
    Menu ownMenu_ = nullptr;
    bool ownMenuSaved_ = false;
    std::string commHint_, dataHint_;
};

}  // namespace velmora::online
