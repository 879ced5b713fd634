#include "core/export/periodexport.h"
#include <QCoreApplication>

namespace exports {

QList<records::Record> periodRecords(const QList<archive::StoredRecord> &period)
{
    QList<records::Record> out;
    out.reserve(period.size());
    for (const archive::StoredRecord &stored : period)
        out.append({int(out.size()) + 1, stored.data()});
    return out;
}

QString xlsTooManyRecords(qsizetype records)
{
    return QCoreApplication::translate("exports", "该时段有 %1 条记录，超过 .xls 工作表的 %2 条上限，请导出为 .xlsx 或 CSV。").arg(records).arg(XlsMaxRecords);
}

} // namespace exports
