#pragma once
// The stand-in's variable selection: the open PLC's variables with type and
// address, narrowed by what the user types; OK (or a double click) returns
// the chosen name.
#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "host/HostIde.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class QPushButton;

namespace velmora::host {

class VariableSelectionWindow : public QDialog {
    Q_OBJECT
public:
    VariableSelectionWindow(const std::vector<HostIde::Variable>& variables, const QString& preset,
                            QWidget* parent = nullptr);

    // The selected variable's name; empty when none is selected.
    QString chosen() const;
    // Shows only the variables whose name, type or address holds the text.
    void filter(const QString& text);

    // Runs the dialog modally; nullopt when cancelled or nothing was chosen.
    static std::optional<std::string> run(const std::vector<HostIde::Variable>& variables,
                                          const std::string& preset, QWidget* parent);

private:
    void selectFirstShown();

    QLineEdit* filter_;
    QTreeWidget* list_;
    QLabel* empty_;
    QPushButton* ok_;
};

}  // namespace velmora::host
