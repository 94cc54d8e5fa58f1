#pragma once

#include <QAbstractListModel>
#include <QString>

#include <vector>

class StatusRulesEngine;

// The engine's rule list as a flat item model, one row per rule in priority order, for a view that
// reorders by dragging or from the keyboard. Moving rows is the only edit it makes: it assigns the
// reordered list to the engine, which stores it and re-evaluates the LED. Any other change of the
// engine's list shows as dataChanged over all rows when the order of ids is unchanged, else as a
// reset (another device profile). Main thread only; the engine must outlive the model.
class StatusRuleListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        RuleIdRole = Qt::UserRole + 1, // QString
    };

    // Drag payload: the dragged rows of this model, as decimal numbers separated by commas.
    static QString mimeType();

    explicit StatusRuleListModel(StatusRulesEngine &engine, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    // DisplayRole: the rule's name; RuleIdRole: its id.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Rows can be dragged; drops go between rows, never onto one.
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    // A move of the payload's rows to before `row` (-1: to the end).
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    // destinationChild counts in the list before the move, as QAbstractItemModel defines it.
    bool moveRows(const QModelIndex &sourceParent, int sourceRow, int count, const QModelIndex &destinationParent,
                  int destinationChild) override;

private:
    void onRulesChanged();
    std::vector<QString> currentIds() const;
    static std::vector<int> decodeRows(const QMimeData *data);

    StatusRulesEngine &m_engine;
    std::vector<QString> m_ids; // the ids in the order the rows show them
    bool m_moving = false;
};
