#pragma once
// The block velmora-host online --script prints after each pass: the labels,
// every value box the controller shows, the side panel and the messages.
#include <cstddef>
#include <ostream>

namespace velmora {
class HeadlessOnlineView;
class HeadlessFrontEnd;
}  // namespace velmora

namespace velmora::host {

// Prints the pass's block; the messages shown since `messagesShown` follow,
// and it moves on past them.
void PrintPassBlock(std::ostream& out, int pass, HeadlessOnlineView& view, HeadlessFrontEnd& frontEnd,
                    std::size_t& messagesShown);

}  // namespace velmora::host
