#pragma once
// A modal dialog's way to its help topic: a Help button beside OK and Cancel,
// and F1. The dialog stays open; the help shows beside it.
#include <functional>
#include <string>

class QDialog;
class QDialogButtonBox;

namespace velmora::online {

using HelpTopicFunction = std::function<void(const std::string& topic)>;

// Adds the Help button (our own wording) to `buttons` and F1 to `dialog`; both
// call `help` with `topic`. Without a help function the button is disabled.
void AddDialogHelp(QDialog& dialog, QDialogButtonBox& buttons, const std::string& topic,
                   HelpTopicFunction help);
// OK and Cancel of a button box in the module's language.
void LocalizeOkCancel(QDialogButtonBox& buttons);

}  // namespace velmora::online
