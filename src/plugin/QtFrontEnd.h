#pragma once
// The plug-in's front end inside a host that runs a Qt application: Qt's
// message boxes, timers and event loop, the desktop's help viewer, and the
// forms made with Qt.
#include <memory>

#include "base/QtToolkit.h"
#include "plugin/FormFactory.h"

namespace velmora {

class QtFrontEnd : public FrontEnd {
public:
    QtFrontEnd();
    ~QtFrontEnd() override;

    Toolkit& toolkit() override { return qt_.toolkit(); }
    FormFactory& forms() override;
    HelpViewer helpViewer() override;

private:
    class Forms;
    QtToolkit qt_;
    std::unique_ptr<Forms> forms_;
};

// A Qt front end when the process runs a QApplication, else null.
std::unique_ptr<FrontEnd> MakeQtFrontEnd();

}  // namespace velmora
