#pragma once
#include "core/archive/recordstore.h"
#include "core/settings/recorders.h"
#include "core/settings/sensortable.h"
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
class Desktop;
// The window's archive: where every downloaded record is kept, and the names of the recorders it
// keeps them under. Opened on first use; a download never waits for the user because of it.
class RecordArchive : public QObject {
    Q_OBJECT
public:
    // comPort: the COM number of the port in use, the other half of a recorder's identity.
    RecordArchive(Desktop &desktop, std::function<int()> comPort, QObject *parent = nullptr);
    ~RecordArchive() override;
    // The archive to use from now on, its password filled in (the next store opens it).
    void useConfig(const archive::ArchiveConfig &config);
    // The archive in use: the one chosen in this run, or archive.set's (its password not read).
    archive::ArchiveConfig config() const;
    // The store, opened first when needed: the archive chosen in this run, or else archive.set's with
    // the password from the keyring. Nothing and *error when it cannot be opened.
    archive::RecordStore *open(QString *error);
    RecorderNames &names() { return m_names; }
    // The sensors' names and limits, per recorder name.
    sensors::SensorTable &sensors() { return m_sensors; }
    int comPort() const { return m_comPort(); }
    // The recorder at address on the port in use: its name, or "COM4-21".
    QString recorderName(uint8_t address) const;
    // The address records were last stored from; 21, every recorder's own, before the first.
    int lastAddress() const { return m_lastAddress; }
    // Keeps the records a download read from address. A failure is said in a message the first time
    // and on the status note after that, until a store works again; the records stay in the received
    // box either way. Returns the status note: "已存档，新增 12 条" or why nothing was kept.
    QString store(uint8_t address, int intervalS, const QList<records::Record> &records);
    // Appends an entry to the archive's audit trail. A failure is said on the status line only (it
    // may come in the middle of a device command, where a message box must not wait for the user).
    bool audit(const archive::AuditEntry &entry);
    // At start: the settings files held against the audit trail (settings::auditSettingsFiles) when
    // there is an archive to hold them against (none is made for it); what went wrong on the status line.
    void auditSettingsFiles();
    // A file written (kind Export, Report or SettingsLoad), with its path and the recorder it is of.
    bool auditFile(const char *kind, const QString &path, const QString &recorder = {})
    {
        return audit({recorder, QLatin1String(kind), {}, path});
    }
signals:
    // Records of recorder were added to the archive.
    void stored(const QString &recorder);
private:
    Desktop &m_desktop;
    std::function<int()> m_comPort;
    std::optional<archive::ArchiveConfig> m_chosen;
    std::unique_ptr<archive::RecordStore> m_store;
    RecorderNames m_names;
    sensors::SensorTable m_sensors;
    bool m_failing = false;
    int m_lastAddress = 21;  // the last store failed and said so in a message
};
