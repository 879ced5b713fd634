#pragma once
#include "core/view/period.h"
#include <QAbstractTableModel>
#include <QStringList>
#include <optional>
// The history table: a row a record, the time and then each sensor's value as the text export writes
// it (empty where the recorder had no reading). Cells are made when shown, so a month of records
// costs no more than its rows.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    // The period shown; rows: the period's rows to show (the filter), all of them when nothing.
    void setPeriod(const view::PeriodView *period, std::optional<QVector<int>> rows = std::nullopt);
    // The sensors' captions: their names, "n#传感器" where they have none.
    void setNames(const QStringList &names);
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
    QStringList m_names;
};
