#include "core/archive/readings.h"
#include "core/archive/chain.h"
#include "core/archive/sqlstatements.h"
#include <QCoreApplication>
#include <QVariant>

namespace archive {

bool Readings::store(const QString &recorder, uint8_t address, const QDateTime &taken,
                     const QVector<std::optional<int>> &tenths, QString *error)
{
    if (!m_c.ready(error))
        return false;
    const QString failed = QCoreApplication::translate("archive", "读数没有存进存档");
    if (!m_c.begin(error, failed))
        return false;
    chain::Writer chain(m_c.db());
    bool ok = true;
    for (qsizetype k = 0; ok && k < tenths.size(); ++k) {
        const QVariant value = tenths[k] ? QVariant(*tenths[k] / 10.0) : QVariant(QMetaType::fromType<double>());
        ok = chain.append(chain::table("readings"), {recorder, int(address), int(k + 1), sql::utcText(taken), value}, error, true)
                 .has_value();
    }
    if (!ok || !chain.finish(error)) {
        m_c.rollback();
        return false;
    }
    return m_c.commit(error, failed);
}

} // namespace archive
