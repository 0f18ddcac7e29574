#include "codegen/RegisterPlacement.h"

namespace velmora::codegen {

std::string AuxGroup::firstVariable() const {
    const std::string k = std::to_string(signal);
    switch (kind) {
        case Filter:
            return "_AuxD" + k;
        case Scaling:
            return "_X" + k + "1";
        case FurtherInput:
            return "_input" + k;
    }
    return {};
}

int PidLayout::retainedSize() const {
    int size = kPidRetainedFixedSize;
    for (const auto& g : retained) size += g.size();
    return size;
}

std::string PidLayout::firstRetained() const {
    return retained.empty() ? "_Det_rem" : retained.front().firstVariable() + "_rem";
}

std::string PidLayout::firstRetainedWorking(const std::string& detWorking) const {
    return retained.empty() ? detWorking : retained.front().firstVariable();
}

namespace {

// The retained block keeps the output group when the output is analog or
// scaled, the working block only when it is analog and filtered or scaled.
void AddGroups(std::vector<AuxGroup>& out, const PidGroupFlags& f, bool outputPresent) {
    for (int k = 1; k <= 3; ++k) {
        if (!f.inputPresent(k)) continue;
        if (f.filter[k - 1]) out.push_back({AuxGroup::Filter, k});
        if (f.scaling[k - 1]) out.push_back({AuxGroup::Scaling, k});
    }
    if (outputPresent) {
        if (f.filter[3]) out.push_back({AuxGroup::Filter, 4});
        if (f.scaling[3]) out.push_back({AuxGroup::Scaling, 4});
    }
    if (f.cascade) out.push_back({AuxGroup::FurtherInput, 3});
    if (f.inputMode > 1) out.push_back({AuxGroup::FurtherInput, 2});
}

}  // namespace

PidLayout PlanPidLayout(const PidGroupFlags& f) {
    PidLayout layout;
    AddGroups(layout.working, f, f.analogOutput && (f.filter[3] || f.scaling[3]));
    AddGroups(layout.retained, f, f.analogOutput || f.scaling[3]);
    return layout;
}

}  // namespace velmora::codegen
