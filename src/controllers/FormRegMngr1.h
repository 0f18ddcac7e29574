#pragma once
// The controller manager: the dockable tool window that lists the open PLC's
// controllers and adds, removes, imports, exports, starts and stops them.
#include <QWidget>
#include <string>

#include "controllers/ControllerManager.h"

class QListWidget;
class QListWidgetItem;
class QMenu;
class QAction;
class QToolBar;
class QToolButton;

namespace velmora {

class TFormRegMngr1 : public QWidget {
    Q_OBJECT
public:
    explicit TFormRegMngr1(ManagerHost& host, QWidget* owner = nullptr);
    ~TFormRegMngr1() override;

    // Captions and hints from the loaded text table.
    void Localize();
    // Reloads the list from the controller file (also whenever the frame reopens the manager).
    void Refresh();
    // The check boxes after a view started or stopped its communication.
    void UpdateChecks();
    // A view of that controller stopped or closed.
    void Uncheck(const std::string& controllerName);

    ControllerManager& manager() { return manager_; }

    // Command handlers (tool buttons and pop-up menu items share them).
    void ActiveAll1Click();
    void DeactiveAll1Click();
    void ActiveSelected1Click();
    void DeactiveSelected1Click();
    void AddController1Click();
    void RemController1Click();
    void LoadController1Click();
    void SaveController1Click();
    void Close1Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void render();  // shows the manager's state in the widgets
    void CheckListBox1ClickCheck(QListWidgetItem* item);
    void CheckListBox1DblClick(QListWidgetItem* item);
    void CheckListBox1ContextPopup(const QPoint& position);
    std::optional<std::filesystem::path> chooseImportFile(const std::filesystem::path& folder);
    std::optional<std::filesystem::path> chooseExportFile(const std::filesystem::path& folder,
                                                          const std::string& name);

    ManagerHost& host_;
    ControllerManager manager_;
    bool rendering_ = false;

    QListWidget* CheckListBox1;
    QToolBar* ToolBar1;
    QToolButton* ToolButton1;  // add
    QToolButton* ToolButton2;  // remove
    QToolButton* ToolButton3;  // import
    QToolButton* ToolButton4;  // export
    QToolButton* ToolButton5;  // start all
    QToolButton* ToolButton6;  // stop all
    QMenu* PopupMenu1;
    QAction* ActiveAll1;
    QAction* DeactiveAll1;
    QAction* ActiveSelected1;
    QAction* DeactiveSelected1;
    QAction* AddController1;
    QAction* RemController1;
    QAction* LoadController1;
    QAction* SaveController1;
    QAction* Close1;
};

}  // namespace velmora
