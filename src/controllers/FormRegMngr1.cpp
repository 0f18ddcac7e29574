#include "controllers/FormRegMngr1.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "base/Log.h"
#include "base/Texts.h"

namespace velmora {

namespace {

QString QText(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}
QString QStr(const std::string& text) {
    return QString::fromStdString(text);
}

// Paints an icon on a 16 x 16 grid at the sizes a tool bar asks for, so it
// stays sharp on screens with more than one pixel per point.
QIcon DrawnIcon(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        paint(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kGreen(0x2e, 0x9d, 0x3a);
const QColor kRed(0xc8, 0x2a, 0x2a);
const QColor kBlue(0x25, 0x63, 0xb8);
const QColor kOutline(0x30, 0x30, 0x30);

void PlayTriangle(QPainter& p, double x, double y, const QColor& fill) {
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + 8, y + 5);
    path.lineTo(x, y + 10);
    path.closeSubpath();
    p.setPen(QPen(fill.darker(150), 0.8));
    p.setBrush(fill);
    p.drawPath(path);
}

void StopSquare(QPainter& p, double x, double y, const QColor& fill) {
    p.setPen(QPen(fill.darker(150), 0.8));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(x, y, 8, 8), 1, 1);
}

QIcon StartAllIcon() {
    return DrawnIcon([](QPainter& p) {
        PlayTriangle(p, 2, 1.5, kGreen.lighter(130));
        PlayTriangle(p, 6, 4.5, kGreen);
    });
}

QIcon StopAllIcon() {
    return DrawnIcon([](QPainter& p) {
        StopSquare(p, 2, 2, kRed.lighter(130));
        StopSquare(p, 6, 6, kRed);
    });
}

QIcon AddIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(kGreen, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
        p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    });
}

QIcon RemoveIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(kRed, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    });
}

// A folder with an arrow going into it.
QIcon ImportIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(QColor(0xa0, 0x78, 0x10), 0.8));
        p.setBrush(QColor(0xf2, 0xc2, 0x4a));
        QPainterPath folder;
        folder.moveTo(1, 6);
        folder.lineTo(1, 14.5);
        folder.lineTo(15, 14.5);
        folder.lineTo(15, 7);
        folder.lineTo(7.5, 7);
        folder.lineTo(6, 5.5);
        folder.lineTo(1.5, 5.5);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(10, 0.8), QPointF(10, 9.5));
        p.drawPolyline(QPolygonF({QPointF(7, 6.8), QPointF(10, 10), QPointF(13, 6.8)}));
    });
}

// A disk: the controller saved to a file.
QIcon ExportIcon() {
    return DrawnIcon([](QPainter& p) {
        p.setPen(QPen(kBlue.darker(140), 0.8));
        p.setBrush(kBlue);
        QPainterPath disk;
        disk.moveTo(1.5, 1.5);
        disk.lineTo(12, 1.5);
        disk.lineTo(14.5, 4);
        disk.lineTo(14.5, 14.5);
        disk.lineTo(1.5, 14.5);
        disk.closeSubpath();
        p.drawPath(disk);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 9, 8, 5.5));  // label
        p.setBrush(QColor(0xd8, 0xd8, 0xd8));
        p.drawRect(QRectF(4.5, 1.5, 6.5, 4.5));  // shutter
        p.setBrush(kOutline);
        p.drawRect(QRectF(8.5, 2.3, 1.5, 3));
    });
}

QToolButton* MakeToolButton(QToolBar* bar, const char* name, const QIcon& icon) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QAction* MakeAction(QMenu* menu, const char* name, const QIcon& icon = {}) {
    auto* action = menu->addAction(icon, QString());
    action->setObjectName(name);
    return action;
}

}  // namespace

TFormRegMngr1::TFormRegMngr1(ManagerHost& host, QWidget* owner)
    : QWidget(owner, Qt::Tool),
      host_(host),
      manager_(host, ManagerFileDialogs{
                         [this](const std::filesystem::path& folder) { return chooseImportFile(folder); },
                         [this](const std::filesystem::path& folder, const std::string& name) {
                             return chooseExportFile(folder, name);
                         }}) {
    setObjectName("FormRegMngr1");
    Log("FormRegMngr1Created");

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolButton5 = MakeToolButton(ToolBar1, "ToolButton5", StartAllIcon());
    ToolButton6 = MakeToolButton(ToolBar1, "ToolButton6", StopAllIcon());
    ToolBar1->addSeparator();
    ToolButton1 = MakeToolButton(ToolBar1, "ToolButton1", AddIcon());
    ToolButton2 = MakeToolButton(ToolBar1, "ToolButton2", RemoveIcon());
    ToolBar1->addSeparator();
    ToolButton3 = MakeToolButton(ToolBar1, "ToolButton3", ImportIcon());
    ToolButton4 = MakeToolButton(ToolBar1, "ToolButton4", ExportIcon());

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName("CheckListBox1");
    CheckListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    CheckListBox1->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    ActiveAll1 = MakeAction(PopupMenu1, "ActiveAll1", ToolButton5->icon());
    DeactiveAll1 = MakeAction(PopupMenu1, "DeactiveAll1", ToolButton6->icon());
    ActiveSelected1 = MakeAction(PopupMenu1, "ActiveSelected1");
    DeactiveSelected1 = MakeAction(PopupMenu1, "DeactiveSelected1");
    PopupMenu1->addSeparator();
    AddController1 = MakeAction(PopupMenu1, "AddController1", ToolButton1->icon());
    RemController1 = MakeAction(PopupMenu1, "RemController1", ToolButton2->icon());
    PopupMenu1->addSeparator();
    LoadController1 = MakeAction(PopupMenu1, "LoadController1", ToolButton3->icon());
    SaveController1 = MakeAction(PopupMenu1, "SaveController1", ToolButton4->icon());
    PopupMenu1->addSeparator();
    Close1 = MakeAction(PopupMenu1, "Close1");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(CheckListBox1, 1);
    resize(240, 320);

    connect(ToolButton1, &QToolButton::clicked, this, &TFormRegMngr1::AddController1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TFormRegMngr1::RemController1Click);
    connect(ToolButton3, &QToolButton::clicked, this, &TFormRegMngr1::LoadController1Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TFormRegMngr1::SaveController1Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TFormRegMngr1::ActiveAll1Click);
    connect(ToolButton6, &QToolButton::clicked, this, &TFormRegMngr1::DeactiveAll1Click);
    connect(ActiveAll1, &QAction::triggered, this, &TFormRegMngr1::ActiveAll1Click);
    connect(DeactiveAll1, &QAction::triggered, this, &TFormRegMngr1::DeactiveAll1Click);
    connect(ActiveSelected1, &QAction::triggered, this, &TFormRegMngr1::ActiveSelected1Click);
    connect(DeactiveSelected1, &QAction::triggered, this, &TFormRegMngr1::DeactiveSelected1Click);
    connect(AddController1, &QAction::triggered, this, &TFormRegMngr1::AddController1Click);
    connect(RemController1, &QAction::triggered, this, &TFormRegMngr1::RemController1Click);
    connect(LoadController1, &QAction::triggered, this, &TFormRegMngr1::LoadController1Click);
    connect(SaveController1, &QAction::triggered, this, &TFormRegMngr1::SaveController1Click);
    connect(Close1, &QAction::triggered, this, &TFormRegMngr1::Close1Click);

    connect(CheckListBox1, &QListWidget::itemChanged, this, &TFormRegMngr1::CheckListBox1ClickCheck);
    connect(CheckListBox1, &QListWidget::itemDoubleClicked, this, &TFormRegMngr1::CheckListBox1DblClick);
    connect(CheckListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!rendering_) manager_.select(row);
    });
    connect(CheckListBox1, &QListWidget::customContextMenuRequested, this,
            &TFormRegMngr1::CheckListBox1ContextPopup);

    manager_.changed = [this] { render(); };
    Localize();
    Refresh();
}

TFormRegMngr1::~TFormRegMngr1() {
    manager_.changed = nullptr;
    Log("FormRegMngr1Destroyed");
}

void TFormRegMngr1::Localize() {
    setWindowTitle("Velmora");
    const struct {
        QToolButton* button;
        QAction* action;
        std::uint32_t text;
    } captions[] = {
        {ToolButton1, AddController1, 3003},
        {ToolButton2, RemController1, 3004},
        {ToolButton3, LoadController1, 3275},
        {ToolButton4, SaveController1, 3252},
        {ToolButton5, ActiveAll1, 3279},
        {ToolButton6, DeactiveAll1, 3280},
        {nullptr, ActiveSelected1, 3277},
        {nullptr, DeactiveSelected1, 3278},
        {nullptr, Close1, 3281},
    };
    for (const auto& c : captions) {
        const QString text = QText(c.text);
        c.action->setText(text);
        if (c.button) c.button->setToolTip(text);
    }
}

void TFormRegMngr1::Refresh() {
    manager_.refresh();
}
void TFormRegMngr1::UpdateChecks() {
    manager_.updateChecks();
}
void TFormRegMngr1::Uncheck(const std::string& controllerName) {
    manager_.uncheck(controllerName);
}

void TFormRegMngr1::render() {
    rendering_ = true;
    {
        const QSignalBlocker block(CheckListBox1);
        const auto& lines = manager_.lines();
        const int count = static_cast<int>(lines.size());
        while (CheckListBox1->count() > count) delete CheckListBox1->takeItem(CheckListBox1->count() - 1);
        for (int i = 0; i < count; ++i) {
            QListWidgetItem* item = CheckListBox1->item(i);
            if (!item) {
                item = new QListWidgetItem(CheckListBox1);
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            }
            const auto& line = lines[static_cast<std::size_t>(i)];
            item->setText(QStr(line.text));
            item->setCheckState(line.checked ? Qt::Checked : Qt::Unchecked);
        }
        CheckListBox1->setCurrentRow(manager_.selected());
        if (manager_.selected() < 0) CheckListBox1->clearSelection();
    }
    rendering_ = false;

    const ManagerCommands c = manager_.commands();
    ActiveSelected1->setEnabled(c.startSelected);
    DeactiveSelected1->setEnabled(c.stopSelected);
    ActiveAll1->setEnabled(c.startAll);
    DeactiveAll1->setEnabled(c.stopAll);
    RemController1->setEnabled(c.remove);
    SaveController1->setEnabled(c.exportSelected);
    AddController1->setEnabled(c.add);
    LoadController1->setEnabled(c.import);
    ToolButton5->setEnabled(c.startAll);
    ToolButton6->setEnabled(c.stopAll);
    ToolButton1->setEnabled(c.add);
    ToolButton2->setEnabled(c.remove);
    ToolButton3->setEnabled(c.import);
    ToolButton4->setEnabled(c.exportSelected);
}

void TFormRegMngr1::CheckListBox1ClickCheck(QListWidgetItem* item) {
    if (rendering_ || !item) return;
    const int row = CheckListBox1->row(item);
    // The box shows what the view does, not what was clicked: put it back
    // until the view has answered.
    render();
    manager_.checkBoxClick(row);
}

void TFormRegMngr1::CheckListBox1DblClick(QListWidgetItem* item) {
    if (!item) return;
    manager_.select(CheckListBox1->row(item));
    manager_.openSelected();
}

void TFormRegMngr1::CheckListBox1ContextPopup(const QPoint& position) {
    if (QListWidgetItem* item = CheckListBox1->itemAt(position)) manager_.select(CheckListBox1->row(item));
    PopupMenu1->popup(CheckListBox1->viewport()->mapToGlobal(position));
}

void TFormRegMngr1::ActiveAll1Click() {
    manager_.startAll();
}
void TFormRegMngr1::DeactiveAll1Click() {
    manager_.stopAll();
}
void TFormRegMngr1::ActiveSelected1Click() {
    manager_.startSelected();
}
void TFormRegMngr1::DeactiveSelected1Click() {
    manager_.stopSelected();
}
void TFormRegMngr1::AddController1Click() {
    manager_.add();
}
void TFormRegMngr1::RemController1Click() {
    manager_.removeSelected();
}
void TFormRegMngr1::LoadController1Click() {
    manager_.importController();
}
void TFormRegMngr1::SaveController1Click() {
    manager_.exportSelected();
}
void TFormRegMngr1::Close1Click() {
    close();
}

std::optional<std::filesystem::path> TFormRegMngr1::chooseImportFile(const std::filesystem::path& folder) {
    QFileDialog OpenDialog1(this, QText(3255), QStr(folder.string()), QStr(FileDialogFilter(Text(3250))));
    OpenDialog1.setObjectName("OpenDialog1");
    OpenDialog1.setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1.setFileMode(QFileDialog::ExistingFile);
    OpenDialog1.setDefaultSuffix("rgl");
    if (OpenDialog1.exec() != QDialog::Accepted || OpenDialog1.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(OpenDialog1.selectedFiles().front().toStdString());
}

std::optional<std::filesystem::path> TFormRegMngr1::chooseExportFile(const std::filesystem::path& folder,
                                                                     const std::string& name) {
    QFileDialog SaveDialog1(this, QText(3252), QStr(folder.string()), QStr(FileDialogFilter(Text(3250))));
    SaveDialog1.setObjectName("SaveDialog1");
    SaveDialog1.setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog1.setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1.setFileMode(QFileDialog::AnyFile);
    SaveDialog1.setDefaultSuffix("rgl");
    SaveDialog1.selectFile(QStr(name));
    if (SaveDialog1.exec() != QDialog::Accepted || SaveDialog1.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(SaveDialog1.selectedFiles().front().toStdString());
}

void TFormRegMngr1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) Localize();
    QWidget::changeEvent(event);
}

void TFormRegMngr1::closeEvent(QCloseEvent* event) {
    Log("FormRegMngr1Closed");
    QWidget::closeEvent(event);
}

void TFormRegMngr1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        host_.showHelp();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace velmora
