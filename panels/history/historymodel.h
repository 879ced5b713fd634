#pragma once
#include "core/settings/sensortable.h"
#include "core/view/period.h"
#include <QAbstractTableModel>
#include <QStringList>
#include <optional>
// The history table: a row a record, the time and then each sensor's value as the text export writes
// it (empty where the recorder had no reading), a value outside its sensor's limits marked as the
// live values are. Cells are made when shown, so a month of records costs no more than its rows.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    // The period shown; rows: the period's rows to show (the filter), all of them when nothing.
    void setPeriod(const view::PeriodView *period, std::optional<QVector<int>> rows = std::nullopt);
    // The sensors (index 0: 1#): their names head the columns under their numbers ("3#" over the
    // name, "传感器" where there is none), wrapped, the full name as the tip; their limits mark values.
    void setSensors(const QVector<sensors::Sensor> &sensors);
    // How many characters a line of a name's heading holds.
    void setHeaderLine(int characters);
    // The period's row a table row shows.
    int periodRow(int row) const { return m_rows ? (*m_rows)[row] : row; }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The caption of sensor s (0-based) without a name, in the window's language ("1#传感器").
    static QString sensorName(int s) { return tr("%1#传感器").arg(s + 1); }
private:
    const view::PeriodView *m_period = nullptr;
    std::optional<QVector<int>> m_rows;
    QVector<sensors::Sensor> m_sensors;
    int m_headerLine = 4;
};
