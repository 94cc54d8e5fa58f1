#pragma once

#include <QListView>
#include <QPersistentModelIndex>

#include <functional>

class StatusRuleListModel;
class StatusRuleRowWidget;

// The list of status rules: each row is a StatusRuleRowWidget beside a drag handle. Dragging a
// row by its handle, or Ctrl+Shift+Up / Ctrl+Shift+Down while one of its controls (or the row)
// has focus, moves it through the model. Rows are made by the factory, for the model's rows as they
// come and go; their controls follow the rows' order in the focus chain.
class StatusRuleListView : public QListView {
    Q_OBJECT
public:
    using RowFactory = std::function<StatusRuleRowWidget *(const QPersistentModelIndex &index, QWidget *parent)>;

    StatusRuleListView(StatusRuleListModel &model, RowFactory factory, QWidget *parent = nullptr);
    ~StatusRuleListView() override;

    StatusRuleRowWidget *rowWidget(int row) const;
    // The row whose control has focus, else the current row; -1 when neither.
    int focusedRow() const;
    // Moves the row one place up (-1) or down (+1); false at the ends.
    bool moveRow(int row, int by);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dropEvent(QDropEvent *event) override;

private:
    int rowContaining(const QWidget *widget) const;
    void rebuildRows();
    void relinkFocusChain();
    void onFocusChanged(QWidget *now);

    StatusRuleListModel &m_model;
    RowFactory m_factory;
    QMetaObject::Connection m_focusConnection;
};
