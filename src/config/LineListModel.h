#pragma once

#include <QAbstractListModel>
#include <QPointer>

class LineList;

// Shows a LineList in an item view, one row per line, following its
// changes. The list is not owned.
class LineListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit LineListModel(LineList *list, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    void lineChanged(qsizetype index);

    QPointer<LineList> m_list;
};
