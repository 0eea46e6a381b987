#include "config/LineListModel.h"

#include "config/LineList.h"

LineListModel::LineListModel(LineList *list, QObject *parent)
    : QAbstractListModel(parent), m_list(list)
{
    connect(list, &LineList::changed, this, &LineListModel::lineChanged);
}

int LineListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_list)
        return 0;
    return int(m_list->count());
}

QVariant LineListModel::data(const QModelIndex &index, int role) const
{
    if (!m_list || !index.isValid() || index.row() >= m_list->count())
        return {};
    if (role == Qt::DisplayRole)
        return m_list->text(index.row());
    return {};
}

void LineListModel::lineChanged(qsizetype index)
{
    if (index < 0) {
        // The list was replaced as a whole, count included.
        beginResetModel();
        endResetModel();
        return;
    }
    const QModelIndex changed = this->index(int(index));
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}
