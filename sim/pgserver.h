#pragma once
#include "core/archive/recordstore.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <unistd.h>

// A throw-away PostgreSQL server for tests and benchmarks: a data folder in a temporary folder,
// listening only on a Unix socket there (so any port number is free). initdb and postgres refuse to
// run as root. The user "wltest" is trusted; the user PasswordUser must give PasswordOf it.
class PgServer {
public:
    static constexpr char PasswordUser[] = "wlpass";
    static constexpr char PasswordOf[] = "s3cret word";

    bool start(QString *why)
    {
        QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(versions.begin(), versions.end(), [](auto &a, auto &b) { return a.toInt() > b.toInt(); });
        for (const QString &v : versions)
            if (m_bin.isEmpty() && QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
                m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
        if (m_bin.isEmpty() || !m_dir.isValid()) {
            *why = QStringLiteral("no PostgreSQL server programs under /usr/lib/postgresql");
            return false;
        }
        const QString data = m_dir.filePath(QStringLiteral("data"));
        if (geteuid() == 0 && !run(QStringLiteral("chown"), {QStringLiteral("postgres"), m_dir.path()}, why))
            return false;
        if (!run(m_bin + "initdb", {"-D", data, "-U", "wltest", "-A", "trust", "-E", "UTF8", "--locale=C", "--no-sync"}, why))
            return false;
        QFile conf(data + "/postgresql.conf");
        if (!conf.open(QIODevice::Append)
            || conf.write(QStringLiteral("listen_addresses = ''\nunix_socket_directories = '%1'\nport = 54329\nfsync = off\n")
                              .arg(m_dir.path()).toUtf8()) < 0 || !conf.flush()) {
            *why = "cannot write " + conf.fileName();
            return false;
        }
        // The first line that matches decides: the password user is asked for its password.
        QFile hba(data + "/pg_hba.conf");
        QByteArray rules;
        if (!hba.open(QIODevice::ReadWrite) || (rules = hba.readAll()).isEmpty() || !hba.seek(0)
            || hba.write("local all " + QByteArray(PasswordUser) + " scram-sha-256\n" + rules) < 0 || !hba.flush()) {
            *why = "cannot write " + hba.fileName();
            return false;
        }
        hba.close();
        m_running = run(m_bin + "pg_ctl", {"-D", data, "-l", m_dir.filePath("log"), "-w", "-t", "60", "start"}, why);
        return m_running
               && run(m_bin + "psql", {"-h", m_dir.path(), "-p", "54329", "-U", "wltest", "-d", "postgres", "-c",
                                       QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(PasswordUser, PasswordOf)},
                      why);
    }
    ~PgServer()
    {
        QString why;
        if (m_running)
            run(m_bin + "pg_ctl", {"-D", m_dir.filePath("data"), "-m", "fast", "-w", "stop"}, &why);
    }
    bool createDatabase(const QString &name, QString *why, const QString &owner = QStringLiteral("wltest"))
    {
        return run(m_bin + "createdb", {"-h", m_dir.path(), "-p", "54329", "-U", "wltest", "-O", owner, name}, why);
    }
    archive::ArchiveConfig config(const QString &database) const
    {
        return {archive::ArchiveConfig::Postgres, {}, m_dir.path(), 54329, database, QStringLiteral("wltest"), {}};
    }
    QString socketDir() const { return m_dir.path(); }

private:
    bool run(const QString &program, const QStringList &args, QString *why)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setWorkingDirectory(m_dir.path());  // the checkout may be a folder the server's user cannot enter
        if (geteuid() == 0 && program != QLatin1String("chown"))
            p.start(QStringLiteral("runuser"), QStringList{"-u", "postgres", "--", program} + args);
        else
            p.start(program, args);
        const bool finished = p.waitForFinished(90000);
        if (finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        if (!finished)
            p.kill(), p.waitForFinished(5000);
        QFile log(m_dir.filePath("log"));
        *why = QStringLiteral("%1 failed: %2 %3 %4").arg(program, p.errorString(), QString::fromLocal8Bit(p.readAll()),
                                                         log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
        return false;
    }
    QTemporaryDir m_dir;
    QString m_bin;
    bool m_running = false;
};
