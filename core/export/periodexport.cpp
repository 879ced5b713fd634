#include "core/export/periodexport.h"
#include "core/link/hex.h"
#include <QCoreApplication>

namespace exports {

QVector<records::ParsedRecord> periodRecords(const QList<archive::StoredRecord> &period)
{
    QVector<records::ParsedRecord> out;
    out.reserve(period.size());
    for (const archive::StoredRecord &stored : period) {
        // The record's bytes as the download writes them into the received text, read by the same
        // parser: every value and every odd time byte comes out as it does there.
        const QVector<records::ParsedRecord> parsed = records::parseRecords(hexText(stored.data()), int(stored.words.size() / 2));
        records::ParsedRecord r = parsed.value(0);
        r.position = int(out.size()) + 1;
        out.append(std::move(r));
    }
    return out;
}

QString xlsTooManyRecords(qsizetype records)
{
    return QCoreApplication::translate("exports", "该时段有 %1 条记录，超过 .xls 工作表的 %2 条上限，请导出为 .xlsx 或 CSV。").arg(records).arg(XlsMaxRecords);
}

} // namespace exports
