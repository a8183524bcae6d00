#include "editors/macro_step_list.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include "model/key_codes.h"

namespace quorvel {
namespace {

constexpr int PAUSE_EDIT_DIGITS = 9;

QString KeyText(ScanCode key) {
    return QString::fromStdString(KeyName(key));
}

QTreeWidgetItem* NewRow(const MacroAction& step, const QBrush& grey) {
    auto* item = new QTreeWidgetItem(
        {KeyText(step.key), MacroStepList::StateText(step.state), QString::number(step.delayMs)});
    item->setForeground(0, grey);
    item->setForeground(1, grey);
    return item;
}

}  // namespace

QString MacroStepList::StateText(uint16_t state) {
    return state == MACRO_STATE_RELEASE ? QString::fromUtf8("  \u2191")
                                        : QString::fromUtf8("\u2193");
}

MacroStepList::MacroStepList(QWidget& parent, Handlers handlers)
    : QObject(&parent), handlers_(std::move(handlers)) {
    list_ = new QTreeWidget(&parent);
    list_->setObjectName("FUNC_MACRO_LIST2");
    list_->setColumnCount(3);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 70);
    list_->setColumnWidth(1, 39);
    list_->setColumnWidth(2, 76);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int column) {
                if (handlers_.editRequested)
                    handlers_.editRequested(list_->indexOfTopLevelItem(item), column);
            });

    // The list's own shortcuts, so they work while it has the focus; a text field inside it (the
    // pause editor) keeps Ctrl+Z for its own text.
    undo_ = new QAction(list_);
    undo_->setShortcuts(QKeySequence::Undo);
    redo_ = new QAction(list_);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& extra :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
        if (!redoKeys.contains(extra)) redoKeys.append(extra);
    }
    redo_->setShortcuts(redoKeys);
    for (QAction* action : {undo_, redo_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        action->setShortcutVisibleInContextMenu(true);
        list_->addAction(action);
    }
    connect(undo_, &QAction::triggered, this, [this] { handlers_.undo(); });
    connect(redo_, &QAction::triggered, this, [this] { handlers_.redo(); });
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowContextMenu(at); });
}

void MacroStepList::SetColumnTitles(const QString& key, const QString& state,
                                    const QString& pause) {
    list_->setHeaderLabels({key, state, pause});
}

void MacroStepList::SetUndoTexts(const QString& undo, const QString& redo) {
    undo_->setText(undo);
    redo_->setText(redo);
}

void MacroStepList::ShowContextMenu(const QPoint& at) {
    undo_->setEnabled(handlers_.canUndo());
    redo_->setEnabled(handlers_.canRedo());
    QMenu menu(list_);
    menu.addAction(undo_);
    menu.addAction(redo_);
    menu.exec(list_->viewport()->mapToGlobal(at));
    // Shortcuts ask the page, which knows whether there is anything to undo.
    undo_->setEnabled(true);
    redo_->setEnabled(true);
}

void MacroStepList::Show(std::span<const MacroAction> steps, int selectRow) {
    list_->clear();
    QList<QTreeWidgetItem*> rows;
    const QBrush grey = list_->palette().brush(QPalette::Disabled, QPalette::Text);
    for (const MacroAction& step : steps) rows.append(NewRow(step, grey));
    list_->addTopLevelItems(rows);
    Select(selectRow);
}

void MacroStepList::Insert(int row, const MacroAction& step) {
    list_->insertTopLevelItem(
        row, NewRow(step, list_->palette().brush(QPalette::Disabled, QPalette::Text)));
}

void MacroStepList::Update(int row, const MacroAction& step) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    item->setText(0, KeyText(step.key));
    item->setText(1, StateText(step.state));
    item->setText(2, QString::number(step.delayMs));
}

void MacroStepList::Clear() {
    list_->clear();
}

int MacroStepList::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

void MacroStepList::Select(int row) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    list_->clearSelection();
    if (!item) return;
    list_->setCurrentItem(item);
    item->setSelected(true);
    list_->scrollToItem(item);
}

QString MacroStepList::CellText(int row, int column) const {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? item->text(column) : QString();
}

void MacroStepList::BeginEdit(int row, int column, const MacroAction& step) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    FinishEdit();
    editRow_ = row;
    editColumn_ = column;
    if (column == 2) {
        auto* edit = new QLineEdit(QString::number(step.delayMs));
        edit->setValidator(new QIntValidator(0, 999999999, edit));
        edit->setMaxLength(PAUSE_EDIT_DIGITS);
        connect(edit, &QLineEdit::editingFinished, this, [this] { FinishEdit(); });
        cellEditor_ = edit;
    } else {
        auto* box = new QComboBox;
        if (column == 0) {
            for (int i = 0; i < KEY_LIST_COUNT; ++i)
                box->addItem(QString::fromStdString(KeyListName(i)));
            const KeyListIndex at = KeyListIndexOf(step.key);
            box->setCurrentIndex(at == KEY_LIST_NONE ? -1 : at);
        } else {
            box->addItems({StateText(MACRO_STATE_PRESS), StateText(MACRO_STATE_RELEASE)});
            box->setCurrentIndex(step.state == MACRO_STATE_RELEASE ? 1 : 0);
        }
        connect(box, &QComboBox::activated, this, [this] { FinishEdit(); });
        cellEditor_ = box;
    }
    list_->setItemWidget(item, column, cellEditor_);
    cellEditor_->setFocus();
    if (auto* box = qobject_cast<QComboBox*>(cellEditor_)) box->showPopup();
}

void MacroStepList::FinishEdit() {
    QWidget* editor = cellEditor_;
    if (!editor) return;
    // Cleared first: what the edit does (a message box, a reload) may end the edit again.
    cellEditor_ = nullptr;
    editor->disconnect(this);
    CellEdit edit{editRow_, editColumn_, -1, {}};
    if (auto* line = qobject_cast<QLineEdit*>(editor)) edit.pauseText = line->text();
    if (auto* box = qobject_cast<QComboBox*>(editor)) edit.chosen = box->currentIndex();
    if (QTreeWidgetItem* item = list_->topLevelItem(edit.row))
        list_->removeItemWidget(item, edit.column);
    if (edit.column == 2 || edit.chosen >= 0) handlers_.edited(edit);
}

}  // namespace quorvel
