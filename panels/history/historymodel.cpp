#include "panels/history/historymodel.h"

void HistoryModel::setPeriod(const view::PeriodView *period, std::optional<QVector<int>> rows)
{
    beginResetModel();
    m_period = period;
    m_rows = std::move(rows);
    endResetModel();
}

void HistoryModel::setNames(const QStringList &names)
{
    m_names = names;
    if (columnCount() > 1)
        emit headerDataChanged(Qt::Horizontal, 1, columnCount() - 1);
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_period ? 0 : m_rows ? int(m_rows->size()) : int(m_period->rows.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_period ? 0 : m_period->sensors + 1;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!m_period || !index.isValid())
        return {};
    const view::RecordValues &row = m_period->rows[periodRow(index.row())];
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? QVariant() : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == 0)
        return row.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    const int s = index.column() - 1;
    return s < row.tenths.size() ? view::valueText(row.tenths[s]) : QString();
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return tr("时间");
    // A sensor without a name in two lines, "1#" over "传感器": twenty columns fit beside the time.
    const int s = section - 1;
    const QString caption = s < m_names.size() ? m_names[s] : sensorName(s);
    return caption == sensorName(s) ? tr("%1#\n传感器").arg(s + 1) : caption;
}
