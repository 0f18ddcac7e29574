#pragma once
// The main window of the IDE stand-in: menus and tool bars the plug-in adds to,
// the project tree, a document area and dock areas for the plug-in's forms.
#include <QMainWindow>
#include <QPointer>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "HostLanguage.h"

class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora::host {

// The stand-in's numbering of its menus, tool bars and dock areas.
enum HostMenu { kMenuFile = 1, kMenuProject = 2, kMenuTools = 8, kMenuHelp = 9 };
enum HostBar { kBarStandard = 1, kBarTools = 3 };
// Area 0 is a form the plug-in has not placed: it waits at the host's default
// place, the left side beside the project tree. Area 1 is the main area: forms
// put there are tabs of the central document area, beside the documents.
enum HostDockArea {
    kDockDefault = 0,
    kDockRight = 1,
    kDockLeft = 2,
    kDockBottom = 3,
    kDockTop = 4,
    kDockFloating = 5
};

// The host's language-change codes, as its language event reports them.
constexpr int kLanguageEnglish = 0x409;
constexpr int kLanguageCzech = 0x405;
constexpr int kLanguageRussian = 0x407;

class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    // What a project-tree node carries: its name (FindTreeNode's key), the PLC
    // it opens, or the project document it opens.
    static constexpr int kNodeNameRole = Qt::UserRole + 1;
    static constexpr int kPlcRole = Qt::UserRole + 2;
    static constexpr int kDocumentRole = Qt::UserRole + 3;

    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    // ---- What the plug-in's side reaches through the host ----
    QMenu* hostMenu(int number) const;  // null for a number the host does not have
    QToolBar* hostBar(int number) const;
    QTreeWidget* projectTree() const { return tree_; }
    // A tree node by its name ("PlcDoc"); null when there is none.
    QTreeWidgetItem* treeNode(const QString& name) const;

    // Dockable forms: inserted once, then put into an area, shown, removed.
    void insertDockableForm(QWidget* form);
    void removeDockableForm(QWidget* form);
    void showDockableForm(QWidget* form);
    void putIntoDockArea(QWidget* form, int area);
    int dockArea(QWidget* form) const;  // -1 for a form that is not inserted
    QDockWidget* dockOf(QWidget* form) const;
    // The form that is the front tab of its area (or floats, or stands alone there).
    bool inFront(QWidget* form) const;
    // Floats a form of the main area in a window that shows all of it (within the screen).
    void floatForm(QWidget* form);
    // The side docks (project tree, manager) back at their narrow width.
    void keepSidesNarrow();
    static constexpr int kSideWidth = 256;

    // Project documents (the controller report) live as tabs of the document
    // area; closing a tab gives the view back and reports documentClosed.
    void addDocument(QWidget* view, const QString& title, int documentId = -1);
    void removeDocument(QWidget* view);
    QTabWidget* documents() const { return documents_; }

    // ---- The project as the window shows it ----
    void showProject(const QString& name, const QStringList& plcs);
    void showOpenPlc(const QString& plc);  // empty: none
    QString shownPlc() const { return openPlc_; }
    int languageCode() const { return languageCode_; }
    // Keeps the language choice in this registry file from now on, and takes
    // the one stored there (a window without settings forgets its choice).
    void useSettings(const std::filesystem::path& registryFile);

signals:
    void openProjectRequested(const QString& folder);
    void openPlcRequested(const QString& plc);
    void documentRequested(int documentId);
    void documentClosed(int documentId);
    void closePlcRequested();
    void compileRequested();
    void languageChangeRequested(int code);
    // The user moved a form between the main area and a floating window.
    void formMoved(QWidget* form);

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    void buildLanguageMenu();
    // Records an object's English caption, set again on every language change.
    template <class T>
    T* named(T* object, const char* source);
    static void setCaption(QObject* object, const QString& text);
    void retranslate();
    void chooseLanguage(int code);
    void openProjectDialog();
    void nodeActivated(QTreeWidgetItem* item);
    void toMainArea(QWidget* form);
    void fromMainArea(QWidget* form);
    void tabMenu(const QPoint& at);

    std::map<int, QMenu*> menus_;
    std::map<int, QToolBar*> bars_;
    QTreeWidget* tree_;
    QTabWidget* documents_;
    QLabel* status_;
    QMenu* plcMenu_ = nullptr;
    QAction* closePlc_ = nullptr;
    QAction* compile_ = nullptr;
    QActionGroup* languages_ = nullptr;
    std::map<QWidget*, QDockWidget*> docks_;
    QDockWidget* treeDock_ = nullptr;
    QString openPlc_;
    int languageCode_ = kLanguageEnglish;
    std::filesystem::path settings_;
    HostLanguage language_;
    // Guarded: the host's menus are refilled from the plug-ins' items.
    std::vector<std::pair<QPointer<QObject>, const char*>> captions_;
};

}  // namespace velmora::host
