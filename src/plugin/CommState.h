#pragma once

namespace velmora {

// Communication state shown on the right part of a view's status labels.
enum TCommState : int {
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
// Data state shown on the left part.
enum TDataState : int { dsNoComm, dsDataOK, dsDataERR, dsDataFREEZE };

}  // namespace velmora
