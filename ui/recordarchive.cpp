#include "ui/recordarchive.h"
#include "ui/desktop.h"
#include "core/settings/archivesettings.h"
#include "core/settings/settingsaudit.h"
#include <QFileInfo>

RecordArchive::RecordArchive(Desktop &desktop, std::function<int()> comPort, QObject *parent)
    : QObject(parent), m_desktop(desktop), m_comPort(std::move(comPort))
{
}

RecordArchive::~RecordArchive() = default;

void RecordArchive::useConfig(const archive::ArchiveConfig &config)
{
    m_chosen = config;
    m_store.reset();
}

archive::ArchiveConfig RecordArchive::config() const
{
    if (m_chosen)
        return *m_chosen;
    QStringList problems;
    return archive::configuredArchive(m_desktop.appDir(), &problems).value_or(archive::ArchiveConfig{});
}

archive::RecordStore *RecordArchive::open(QString *error)
{
    if (m_store)
        return m_store.get();
    auto store = std::make_unique<archive::RecordStore>();
    const bool opened = m_chosen ? store->open(*m_chosen, error)
                                 : archive::openConfiguredArchive(*store, m_desktop.appDir(), error, nullptr);
    if (!opened)
        return nullptr;
    m_store = std::move(store);
    return m_store.get();
}

QString RecordArchive::recorderName(uint8_t address) const
{
    return m_names.name(m_comPort(), address);
}

QString RecordArchive::store(uint8_t address, int intervalS, const QList<records::Record> &records)
{
    if (records.isEmpty())
        return QString();
    m_lastAddress = address;
    archive::Batch batch;
    batch.recorder = recorderName(address);
    batch.address = address;
    batch.intervalS = intervalS;
    batch.readAt = m_desktop.now().toUTC();
    batch.port = QStringLiteral("COM%1").arg(m_comPort());
    batch.records = records;
    QString error;
    std::optional<int> added;
    if (archive::RecordStore *s = open(&error))
        added = s->records().store(batch, &error);
    if (!added) {
        // A store that failed once may have lost its connection: the next one connects afresh.
        m_store.reset();
        const QString note = tr("未能存档：%1").arg(error);
        if (!m_failing)
            m_desktop.message(QStringLiteral("System Information"),
                              tr("读到的 %1 条记录未能存入存档（%2）。\n记录仍在接收框中，可以照常导出。")
                                  .arg(records.size()).arg(error),
                              Desktop::Icon::Warning);
        m_failing = true;
        return note;
    }
    m_failing = false;
    emit stored(batch.recorder);
    return tr("已存档，新增 %1 条").arg(*added);
}

bool RecordArchive::audit(const archive::AuditEntry &entry)
{
    QString error;
    archive::RecordStore *s = open(&error);
    if (s && s->audit().append(entry, &error))
        return true;
    m_store.reset();  // the next use connects afresh
    m_desktop.say(tr("审计记录未能写入存档：%1").arg(error));
    return false;
}

void RecordArchive::auditSettingsFiles()
{
    const archive::ArchiveConfig c = config();
    if (c.kind == archive::ArchiveConfig::Sqlite && !QFileInfo::exists(c.sqlitePath))
        return;
    QString error;
    archive::RecordStore *s = open(&error);
    const QStringList problems = s ? settings::auditSettingsFiles(s->audit(), m_desktop.appDir())
                                   : QStringList{tr("审计记录未能写入存档：%1").arg(error)};
    if (!problems.isEmpty())
        m_desktop.say(problems.join(tr("；")));
}
