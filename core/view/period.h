#pragma once
#include "core/archive/recordstore.h"
#include "core/view/recordvalues.h"
#include "core/view/series.h"
#include <QVector>
// A period of one recorder's archived records as the history view shows them: the table's rows and
// each sensor's line, cut where readings or records are missing.
namespace view {
struct PeriodView {
    QVector<RecordValues> rows;        // in time order, one a record that holds a real date
    int sensors = 0;                   // the most values a record of the period holds
    int intervalS = 0;                 // the gap rule's interval: the longest one recorded in the period
    int skipped = 0;                   // records whose time is no date (31 April), left out
    QVector<QVector<Segment>> series;  // one a sensor
};
PeriodView periodView(const QList<archive::StoredRecord> &records);
} // namespace view
