#include "rules/ui/StatusRuleListView.h"

#include "rules/ui/StatusRuleListModel.h"
#include "rules/ui/StatusRuleRowWidget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStyledItemDelegate>

namespace {

// The strip on the leading side of each row that the row's controls leave free: the view sees
// presses there, so a drag starts from it.
constexpr int handleWidth = 18;

// Paints the drag handle and the selection; each row's widget covers the rest.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(QAbstractItemView &view) : QStyledItemDelegate(&view), m_view(view) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        Q_UNUSED(index);
        painter->save();
        if (option.state & QStyle::State_Selected) {
            painter->fillRect(option.rect, option.palette.color(QPalette::Active, QPalette::Highlight).lighter(175));
        }
        // Two columns of three dots, centred in the handle strip.
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option.palette.color(QPalette::Mid));
        const QPoint centre(option.rect.left() + handleWidth / 2, option.rect.center().y());
        for (int column : {-2, 2}) {
            for (int line : {-5, 0, 5}) {
                painter->drawEllipse(QPointF(centre.x() + column, centre.y() + line), 1.5, 1.5);
            }
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        // Rows take the viewport's width, whatever their widgets would like.
        if (const QWidget *row = m_view.indexWidget(index)) {
            return QSize(handleWidth, row->sizeHint().height());
        }
        return QStyledItemDelegate::sizeHint(option, index);
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override
    {
        Q_UNUSED(index);
        editor->setGeometry(option.rect.adjusted(handleWidth, 0, 0, 0));
    }

private:
    QAbstractItemView &m_view;
};

// Readers meet the list as its row widgets and their controls (each control named after its
// rule), not as the model's items: Qt's list accessibility offers items only, so a row's switch,
// effect and colour would be out of a reader's reach, and focus on them would be announced as the
// bare item.
QAccessibleInterface *ruleListFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("StatusRuleListView") && object && object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::List);
    }
    return nullptr;
}

} // namespace

StatusRuleListView::StatusRuleListView(StatusRuleListModel &model, RowFactory factory, QWidget *parent)
    : QListView(parent), m_model(model), m_factory(std::move(factory))
{
    static const bool installed = [] {
        QAccessible::installFactory(ruleListFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setModel(&model);
    setItemDelegate(new RowDelegate(*this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    connect(&model, &QAbstractItemModel::modelReset, this, &StatusRuleListView::rebuildRows);
    connect(&model, &QAbstractItemModel::rowsInserted, this, &StatusRuleListView::rebuildRows);
    connect(&model, &QAbstractItemModel::rowsMoved, this, [this] {
        relinkFocusChain();
        if (currentIndex().isValid()) {
            scrollTo(currentIndex());
        }
    });
    m_focusConnection =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { onFocusChanged(now); });

    const auto addMove = [this](QKeySequence keys, int by) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, by] { moveRow(focusedRow(), by); });
    };
    addMove(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up), -1);
    addMove(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down), +1);

    rebuildRows();
}

StatusRuleListView::~StatusRuleListView()
{
    // Deleting the rows moves the focus; this view no longer follows it.
    disconnect(m_focusConnection);
}

StatusRuleRowWidget *StatusRuleListView::rowWidget(int row) const
{
    return qobject_cast<StatusRuleRowWidget *>(indexWidget(m_model.index(row)));
}

int StatusRuleListView::rowContaining(const QWidget *widget) const
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget->parentWidget() == viewport()) {
            for (int row = 0; row < m_model.rowCount(); ++row) {
                if (indexWidget(m_model.index(row)) == widget) {
                    return row;
                }
            }
            return -1;
        }
    }
    return -1;
}

int StatusRuleListView::focusedRow() const
{
    const int row = rowContaining(QApplication::focusWidget());
    if (row >= 0) {
        return row;
    }
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

bool StatusRuleListView::moveRow(int row, int by)
{
    const int target = row + by;
    if (row < 0 || row >= m_model.rowCount() || target < 0 || target >= m_model.rowCount()) {
        return false;
    }
    // moveRows counts the destination before the move: moving down passes the row below it.
    if (!m_model.moveRows({}, row, 1, {}, by > 0 ? target + 1 : target)) {
        return false;
    }
    setCurrentIndex(m_model.index(target));
    return true;
}

void StatusRuleListView::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndexList indexes = selectedIndexes();
    if (indexes.isEmpty()) {
        return;
    }
    QMimeData *payload = m_model.mimeData(indexes);
    if (!payload) {
        return;
    }
    auto *drag = new QDrag(this);
    drag->setMimeData(payload);
    if (QWidget *row = indexWidget(indexes.first())) {
        drag->setPixmap(row->grab());
        drag->setHotSpot(QPoint(0, row->height() / 2));
    }
    // The drop moves the rows through the model; nothing is left to remove at the source.
    drag->exec(supportedActions & Qt::MoveAction, Qt::MoveAction);
}

void StatusRuleListView::dropEvent(QDropEvent *event)
{
    // Only this view's own drags: a payload names rows of this list as it was when the drag began.
    if (event->source() != this || !event->mimeData()->hasFormat(StatusRuleListModel::mimeType())) {
        event->ignore();
        return;
    }
    const QPoint position = event->position().toPoint();
    const QModelIndex over = indexAt(position);
    int target = m_model.rowCount();
    if (over.isValid()) {
        const QRect rect = visualRect(over);
        target = position.y() < rect.center().y() ? over.row() : over.row() + 1;
    }
    if (m_model.dropMimeData(event->mimeData(), Qt::MoveAction, target, 0, {})) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void StatusRuleListView::rebuildRows()
{
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const QModelIndex index = m_model.index(row);
        if (!indexWidget(index)) {
            setIndexWidget(index, m_factory(QPersistentModelIndex(index), viewport()));
        }
    }
    relinkFocusChain();
    scheduleDelayedItemsLayout();
}

void StatusRuleListView::relinkFocusChain()
{
    QWidget *previous = this;
    for (int row = 0; row < m_model.rowCount(); ++row) {
        if (StatusRuleRowWidget *widget = rowWidget(row)) {
            for (QWidget *control : widget->focusChain()) {
                setTabOrder(previous, control);
                previous = control;
            }
        }
    }
}

void StatusRuleListView::onFocusChanged(QWidget *now)
{
    // Focus on a row's control makes that row the current one, in view.
    const int row = rowContaining(now);
    if (row >= 0) {
        setCurrentIndex(m_model.index(row));
        scrollTo(m_model.index(row));
    }
}
