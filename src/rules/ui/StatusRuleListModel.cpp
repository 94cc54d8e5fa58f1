#include "rules/ui/StatusRuleListModel.h"

#include "rules/StatusRulesEditing.h"
#include "rules/StatusRulesEngine.h"
#include "rules/StatusRulesPresenter.h"

#include <QMimeData>

#include <algorithm>
#include <numeric>

QString StatusRuleListModel::mimeType()
{
    return QStringLiteral("application/x-kestrix-status-rule-rows");
}

StatusRuleListModel::StatusRuleListModel(StatusRulesEngine &engine, QObject *parent)
    : QAbstractListModel(parent), m_engine(engine), m_ids(currentIds())
{
    connect(&engine, &StatusRulesEngine::rulesChanged, this, &StatusRuleListModel::onRulesChanged);
}

std::vector<QString> StatusRuleListModel::currentIds() const
{
    std::vector<QString> ids;
    for (const StatusRule &rule : m_engine.rules()) {
        ids.push_back(rule.id);
    }
    return ids;
}

void StatusRuleListModel::onRulesChanged()
{
    if (m_moving) {
        return;
    }
    std::vector<QString> ids = currentIds();
    if (ids == m_ids) {
        if (!m_ids.empty()) {
            Q_EMIT dataChanged(index(0), index(rowCount() - 1));
        }
        return;
    }
    beginResetModel();
    m_ids = std::move(ids);
    endResetModel();
}

int StatusRuleListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
}

QVariant StatusRuleListModel::data(const QModelIndex &index, int role) const
{
    const auto &rules = m_engine.rules();
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
        index.row() >= static_cast<int>(rules.size())) {
        return {};
    }
    const StatusRule &rule = rules[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return StatusRulesPresenter::shownRuleName(rule.id, rule.displayName);
    case RuleIdRole:
        return rule.id;
    default:
        return {};
    }
}

Qt::ItemFlags StatusRuleListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

Qt::DropActions StatusRuleListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions StatusRuleListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList StatusRuleListModel::mimeTypes() const
{
    return {mimeType()};
}

QMimeData *StatusRuleListModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList rows;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && index.model() == this) {
            rows.append(QString::number(index.row()));
        }
    }
    if (rows.isEmpty()) {
        return nullptr;
    }
    auto *data = new QMimeData;
    data->setData(mimeType(), rows.join(QLatin1Char(',')).toLatin1());
    return data;
}

std::vector<int> StatusRuleListModel::decodeRows(const QMimeData *data)
{
    std::vector<int> rows;
    if (!data || !data->hasFormat(mimeType())) {
        return rows;
    }
    for (const QByteArray &part : data->data(mimeType()).split(',')) {
        bool ok = false;
        const int row = part.toInt(&ok);
        if (!ok) {
            return {};
        }
        rows.push_back(row);
    }
    return rows;
}

bool StatusRuleListModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                          const QModelIndex &parent) const
{
    Q_UNUSED(row);
    Q_UNUSED(column);
    if (action != Qt::MoveAction || parent.isValid()) {
        return false;
    }
    const std::vector<int> rows = decodeRows(data);
    return !rows.empty() && std::all_of(rows.begin(), rows.end(), [this](int r) { return r >= 0 && r < rowCount(); });
}

bool StatusRuleListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                       const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent)) {
        return false;
    }
    std::vector<int> rows = decodeRows(data);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int target = row < 0 || row > rowCount() ? rowCount() : row;
    // One contiguous block is a row move; scattered rows (not made by a single-selection view) are
    // reordered in one write and shown as a reset.
    if (rows.back() - rows.front() + 1 == static_cast<int>(rows.size())) {
        moveRows({}, rows.front(), static_cast<int>(rows.size()), {}, target);
        return true;
    }
    beginResetModel();
    m_moving = true;
    StatusRulesEditing::moveRules(m_engine, rows, target);
    m_moving = false;
    m_ids = currentIds();
    endResetModel();
    return true;
}

bool StatusRuleListModel::moveRows(const QModelIndex &sourceParent, int sourceRow, int count,
                                   const QModelIndex &destinationParent, int destinationChild)
{
    const int rows = rowCount();
    if (sourceParent.isValid() || destinationParent.isValid() || count < 1 || sourceRow < 0 ||
        sourceRow + count > rows || destinationChild < 0 || destinationChild > rows ||
        static_cast<int>(m_engine.rules().size()) != rows) {
        return false;
    }
    // Qt refuses a move into the block itself or right behind it: the order would not change.
    if (!beginMoveRows({}, sourceRow, sourceRow + count - 1, {}, destinationChild)) {
        return false;
    }
    std::vector<int> sources(static_cast<std::size_t>(count));
    std::iota(sources.begin(), sources.end(), sourceRow);
    m_moving = true;
    StatusRulesEditing::moveRules(m_engine, sources, destinationChild);
    m_moving = false;
    m_ids = currentIds();
    endMoveRows();
    return true;
}
