#pragma once
// What the loop schema of the online view shows: which elements a controller
// has, what each value box says, the hint of each image, and what a click on
// an element opens. The window only draws these decisions.
#include <array>
#include <cstddef>
#include <string>

#include "online/ExchangeSettings.h"
#include "online/OnlineValues.h"

namespace velmora::online {

class OnlineExchange;

// The schema's elements, named as their panels are.
enum class SchemaElement {
    WInput1,
    WFiltr1,
    Sum1,
    Sum2,
    Product1,
    PID1,
    Tuner1,
    UPanel1,
    Technologie1,
    Y1Input1,
    Y2Input1,
    Y2Input2,
    Y3Input1,
    XPanelW1,
    XPanelE1,
    XPanelU1,
    XPanelY1,
    XPanelY2,
    XPanelY3,
    RezimButton1,
    StudenyStartButton1,
    Count
};
constexpr std::size_t kSchemaElements = static_cast<std::size_t>(SchemaElement::Count);

const char* SchemaElementName(SchemaElement element);

// Which elements the controller's section makes visible.
class SchemaVisibility {
public:
    bool visible(SchemaElement e) const { return shown_[static_cast<std::size_t>(e)]; }
    void set(SchemaElement e, bool on) { shown_[static_cast<std::size_t>(e)] = on; }

private:
    std::array<bool, kSchemaElements> shown_{};
};
SchemaVisibility VisibleElements(const ExchangeSettings& settings);

// The label pair of the output characteristic: analog outputs go from 0 to
// "100%", three-stage and REAL outputs also down to "-100%".
struct OutputCharacteristic {
    bool minusSide = false;
};
OutputCharacteristic OutputCharacteristicFor(const ExchangeSettings& settings);

// The value boxes of the schema, in the order of the trend channels, and the
// manual box of the controller panel and the setpoint before its filter.
enum class SchemaValue { W, E, U, Y1, Y2, Y3, Manual, Setpoint, Count };
constexpr std::size_t kSchemaValues = static_cast<std::size_t>(SchemaValue::Count);
using SchemaValues = std::array<ShownValue, kSchemaValues>;

// "-" in every box until data arrived; a box the controller does not have stays "-".
SchemaValues ShownSchemaValues(const OnlineExchange& exchange, char decimalSeparator);

// The hint of an element's image, built from the section as it is now.
std::string ElementHint(SchemaElement element, const ExchangeSettings& settings);

// What a click on an element opens.
enum class SchemaTarget {
    None,
    Setpoint,         // the setpoint page
    PidParameters,    // the PID parameter page
    PidmaController,  // the PIDMA parameter page
    PidmaAutotuner,   // the tuner page
    Output,           // the output page
    Simulation,       // the plant-simulation dialog
    ControlledVariable1,
    ControlledVariable2,
    ControlledVariable3,
    ControllerMode,  // the controller-mode page
    Start,           // the start page
    Graph,           // the view's own graph page
};
SchemaTarget ClickTarget(SchemaElement element, ControllerKind kind);

// The communication tool buttons' image: 31 not active, 32 receiving, 33 no data.
int CommButtonImage(bool online, bool receiving);

}  // namespace velmora::online
