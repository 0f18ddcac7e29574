#pragma once
// The report view: the controller report as a read-only text document with a
// pop-up menu to save, print, copy and select it.
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Toolkit.h"

class QAction;
class QFrame;
class QMenu;
class QPlainTextEdit;
class QPrinter;

namespace velmora {

class TFormReport1 : public QWidget {
    Q_OBJECT
public:
    explicit TFormReport1(QWidget* owner = nullptr);
    ~TFormReport1() override;

    // Captions from the loaded text table.
    void Localize();
    // Where errors and the about box go; without one they are only logged.
    void SetMessages(MessageBoxes* messages) { messages_ = messages; }
    // The host editor's font; a face that is not installed gives a fixed-pitch
    // one with the same metrics.
    void SetEditorFont(const std::string& name, int size);
    void SetReport(const std::vector<std::string>& lines);
    void SetText(const std::string& text);
    void AppendLine(const std::string& line);
    // "group - PLC", right-aligned on every printed page.
    void SetPrintCaption(const std::string& caption) { caption_ = caption; }
    // Where the save dialog starts: the project's Velmora folder.
    void SetSaveFolder(const std::filesystem::path& folder) { saveFolder_ = folder; }
    // The lines of the view, as printed and saved.
    std::vector<std::string> Lines() const;

    // Pop-up menu commands.
    void miSave1Click();
    void miPrint1Click();
    void miCopy1Click();
    void miSelectAll1Click();
    void miAbout1Click();

    // The dialogs the commands ask: the file to save into (nullopt when the
    // user cancels) and the printer (false on cancel). Real dialogs by default.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& folder,
                                                       const QString& name)>
        chooseSaveFile;
    std::function<bool(QPrinter& printer)> askPrinter;

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fail(const std::string& text);
    std::optional<std::filesystem::path> SaveDialog1Execute(const std::filesystem::path& folder,
                                                            const QString& name);
    bool PrintDialog1Execute(QPrinter& printer);

    MessageBoxes* messages_ = nullptr;
    std::string caption_;
    std::filesystem::path saveFolder_;

    QFrame* Panel1;
    QPlainTextEdit* Memo1;
    QMenu* PopupMenu1;
    QAction* miSave1;
    QAction* miPrint1;
    QAction* miCopy1;
    QAction* miSelectAll1;
    QAction* miAbout1;
};

}  // namespace velmora
