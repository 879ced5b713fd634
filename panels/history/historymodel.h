#pragma once
#include "core/view/period.h"
#include <QAbstractTableModel>
// The history table: a row a record, the time and then each sensor's value as the text export writes
// it (empty where the recorder had no reading). Cells are made when shown, so a month of records
// costs no more than its rows.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setPeriod(const view::PeriodView *period);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The caption of sensor s (0-based), as the workbook export names it: "1#传感器".
    static QString sensorName(int s) { return QStringLiteral("%1#传感器").arg(s + 1); }
private:
    const view::PeriodView *m_period = nullptr;
};
