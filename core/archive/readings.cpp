#include "core/archive/readings.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QVariant>

namespace archive {

bool Readings::store(const QList<Reading> &readings, QString *error)
{
    if (!m_c.ready(error))
        return false;
    const QString failed = QCoreApplication::translate("archive", "读数没有存进存档");
    if (!m_c.begin(error, failed))
        return false;
    chain::Writer chain(m_c.db());
    bool ok = true;
    const chain::Table &table = chain::table("readings");
    for (const Reading &r : readings) {
        const QString taken = sql::utcText(r.taken);
        for (qsizetype k = 0; ok && k < r.tenths.size(); ++k) {
            const QVariant value = r.tenths[k] ? QVariant(*r.tenths[k] / 10.0) : QVariant(QMetaType::fromType<double>());
            ok = chain.append(table, {r.recorder, int(r.address), int(k + 1), taken, value}, error, true).has_value();
        }
    }
    if (!ok || !chain.finish(error)) {
        m_c.rollback();
        return false;
    }
    return m_c.commit(error, failed);
}

} // namespace archive
