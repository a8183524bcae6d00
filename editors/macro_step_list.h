#pragma once
// The macro page's step list: one row per step (key, press or release, pause after it), the
// editors that open in a cell on a double click, and Undo and Redo in its context menu and as
// shortcuts that work while the list has the focus.
#include <QObject>
#include <QString>
#include <functional>
#include <span>

#include "model/macro.h"

class QAction;
class QTreeWidget;
class QWidget;

namespace quorvel {

class MacroStepList : public QObject {
    Q_OBJECT
public:
    // What a cell edit chose: for column 0 a key pick-list entry, for column 1 the state, for
    // column 2 the pause as typed. A drop-down closed without a choice gives no edit.
    struct CellEdit {
        int row = -1;
        int column = -1;
        int chosen = -1;
        QString pauseText;
    };
    struct Handlers {
        // A double click asks to edit a cell; the page answers with Begin or not at all.
        std::function<void(int row, int column)> editRequested;
        std::function<void(const CellEdit&)> edited;
        std::function<void()> undo;
        std::function<void()> redo;
        // Whether Undo and Redo have anything to do, for the context menu.
        std::function<bool()> canUndo;
        std::function<bool()> canRedo;
    };

    MacroStepList(QWidget& parent, Handlers handlers);

    QTreeWidget& Widget() { return *list_; }
    void SetColumnTitles(const QString& key, const QString& state, const QString& pause);
    void SetUndoTexts(const QString& undo, const QString& redo);

    // Every row again, then `selectRow` selected (-1: none).
    void Show(std::span<const MacroAction> steps, int selectRow);
    // One new row at `row`; the rows after it move down.
    void Insert(int row, const MacroAction& step);
    void Update(int row, const MacroAction& step);
    void Clear();
    int SelectedRow() const;
    void Select(int row);
    QString CellText(int row, int column) const;

    // The in-place editors: a key pick list, press or release, or the pause digits.
    void BeginEdit(int row, int column, const MacroAction& step);
    // Ends an edit in progress, handing its result on.
    void FinishEdit();

    static QString StateText(uint16_t state);

private:
    void ShowContextMenu(const QPoint& at);

    Handlers handlers_;
    QTreeWidget* list_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QWidget* cellEditor_ = nullptr;
    int editRow_ = -1;
    int editColumn_ = -1;
};

}  // namespace quorvel
