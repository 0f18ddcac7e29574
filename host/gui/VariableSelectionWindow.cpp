#include "VariableSelectionWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmora::host {

VariableSelectionWindow::VariableSelectionWindow(const std::vector<HostIde::Variable>& variables,
                                                 const QString& preset, QWidget* parent)
    : QDialog(parent) {
    setObjectName("VariableSelection");
    setWindowTitle(tr("Select variable"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* prompt = new QLabel(tr("Filter:"), this);
    filter_ = new QLineEdit(this);
    filter_->setObjectName("Filter");
    filter_->setClearButtonEnabled(true);
    prompt->setBuddy(filter_);
    row->addWidget(prompt);
    row->addWidget(filter_, 1);
    layout->addLayout(row);

    list_ = new QTreeWidget(this);
    list_->setObjectName("Variables");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels({tr("Name"), tr("Type"), tr("Address")});
    list_->setSortingEnabled(false);
    for (const auto& v : variables)
        new QTreeWidgetItem(list_, {QString::fromStdString(v.name), QString::fromStdString(v.type),
                                    QString::fromStdString(v.address)});
    list_->sortItems(0, Qt::AscendingOrder);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(list_, 1);

    empty_ = new QLabel(tr("The open PLC has no variables. Open a PLC and compile the project first."), this);
    empty_->setObjectName("NoVariables");
    empty_->setWordWrap(true);
    empty_->setVisible(variables.empty());
    layout->addWidget(empty_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName("OkButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(filter_, &QLineEdit::textChanged, this, &VariableSelectionWindow::filter);
    connect(list_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ok_->setEnabled(item && !item->isHidden()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    // Enter in the filter takes the selected variable.
    connect(filter_, &QLineEdit::returnPressed, this, [this] {
        if (!chosen().isEmpty()) accept();
    });

    // The edit's current name is selected when the PLC has it.
    QTreeWidgetItem* current = nullptr;
    for (int i = 0; i < list_->topLevelItemCount() && !preset.isEmpty(); ++i)
        if (list_->topLevelItem(i)->text(0).compare(preset, Qt::CaseInsensitive) == 0)
            current = list_->topLevelItem(i);
    list_->setCurrentItem(current);
    ok_->setEnabled(current != nullptr);
    if (current) list_->scrollToItem(current);
    filter_->setFocus();
    resize(520, 420);
}

QString VariableSelectionWindow::chosen() const {
    QTreeWidgetItem* item = list_->currentItem();
    return item && !item->isHidden() ? item->text(0) : QString();
}

void VariableSelectionWindow::filter(const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        bool match = wanted.isEmpty();
        for (int c = 0; c < 3 && !match; ++c) match = item->text(c).contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!match);
    }
    if (!list_->currentItem() || list_->currentItem()->isHidden()) selectFirstShown();
}

void VariableSelectionWindow::selectFirstShown() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        if (!list_->topLevelItem(i)->isHidden()) {
            list_->setCurrentItem(list_->topLevelItem(i));
            return;
        }
    }
    list_->setCurrentItem(nullptr);
    ok_->setEnabled(false);
}

std::optional<std::string> VariableSelectionWindow::run(const std::vector<HostIde::Variable>& variables,
                                                        const std::string& preset, QWidget* parent) {
    VariableSelectionWindow dialog(variables, QString::fromStdString(preset), parent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty()) return std::nullopt;
    return dialog.chosen().toStdString();
}

}  // namespace velmora::host
