#include "panels/history/historymodel.h"
#include <QColor>

void HistoryModel::setPeriod(const view::PeriodView *period, std::optional<QVector<int>> rows)
{
    beginResetModel();
    m_period = period;
    m_rows = std::move(rows);
    endResetModel();
}

namespace {
constexpr int HeaderLines = 2;  // lines of a name in its column's heading; the tip holds the rest

// name in lines of at most `line` characters, broken at a space where one is near the end; past
// HeaderLines, cut short with "…".
QString wrapped(const QString &name, int line)
{
    QStringList lines;
    QString rest = name.simplified();
    while (rest.size() > line && lines.size() < HeaderLines - 1) {
        const qsizetype space = rest.lastIndexOf(QLatin1Char(' '), line);
        const qsizetype cut = space >= line / 2 ? space : line;
        lines << rest.left(cut);
        rest = rest.mid(cut).trimmed();
    }
    lines << (rest.size() > line ? rest.left(line - 1) + QStringLiteral("…") : rest);
    return lines.join(QLatin1Char('\n'));
}
} // namespace

void HistoryModel::setHeaderLine(int characters)
{
    m_headerLine = std::max(2, characters);
    if (columnCount() > 1)
        emit headerDataChanged(Qt::Horizontal, 1, columnCount() - 1);
}

void HistoryModel::setSensors(const QVector<sensors::Sensor> &sensors)
{
    m_sensors = sensors;
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
    const int s = index.column() - 1;
    if (index.column() > 0 && (role == Qt::BackgroundRole || role == Qt::ForegroundRole)) {
        if (s >= row.tenths.size() || s >= m_sensors.size() || !sensors::outOfRange(sensors::compare(row.tenths[s], m_sensors[s])))
            return {};
        return role == Qt::BackgroundRole ? QColor(0xff, 0xe0, 0xe0) : QColor(0xa0, 0, 0);
    }
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == 0)
        return row.time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return s < row.tenths.size() ? view::valueText(row.tenths[s]) : QString();
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section == 0)
        return role == Qt::DisplayRole ? tr("时间") : QVariant();
    // The number over the name in lines, "1#" over "传感器" without one: twenty columns fit beside the time.
    const int s = section - 1;
    const QString name = s < m_sensors.size() ? m_sensors[s].name : QString();
    if (role == Qt::ToolTipRole)
        return name.isEmpty() ? sensorName(s) : QStringLiteral("%1# %2").arg(s + 1).arg(name);
    return name.isEmpty() ? tr("%1#\n传感器").arg(s + 1) : QStringLiteral("%1#\n%2").arg(s + 1).arg(wrapped(name, m_headerLine));
}
