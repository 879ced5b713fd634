// Which archive archive.set names: what the file may hold and what it refuses, line by line; saving
// it; opening the archive it names, a SQLite file or a PostgreSQL server that the test starts; and
// the password when no keyring answers (as in an unattended run).
#include "core/archive/archivepassword.h"
#include "core/settings/archivesettings.h"
#include "sim/pgserver.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QFile>
#include <QSqlDatabase>
#include <QTest>

using archive::ArchiveConfig;
using archive::RecordStore;

namespace {
// "postgres db.site:5432 wl8806n collector" or "sqlite" with the server's fields when kept.
QString shown(const ArchiveConfig &c)
{
    return QStringLiteral("%1 %2:%3 %4 %5")
        .arg(c.kind == ArchiveConfig::Postgres ? "postgres" : "sqlite", c.host).arg(c.port).arg(c.database, c.user)
        .trimmed() + (c.backupDir.isEmpty() && c.backupKeepDays == 30 ? QString() : QStringLiteral(" backup %1 %2").arg(c.backupDir).arg(c.backupKeepDays));
}

const QByteArray site = "kind=postgres\nhost=db.site\nport=5432\ndatabase=wl8806n\nuser=collector\n";
const QDateTime readAt(QDate(2024, 1, 3), QTime(1, 2), Qt::UTC);
const QByteArray record = QByteArray(1, char(0x5B)) + QByteArray::fromHex("2401020304 0102 0304");

const auto &refusedRows() { static const struct { int port; const char *database, *user, *host, *why; } rows[] = {
    {0, "d", "u", "h", "端口 0"}, {65536, "d", "u", "h", "端口 65536"}, {5432, " ", "u", "h", "数据库"},
    {5432, "d", "", "h", "用户"}, {5432, "d", "u", "a\nb", "主机"}, {5432, "d\tx", "u", "h", "数据库"}}; return rows; }
} // namespace

class TestArchiveSettings : public QObject {
    Q_OBJECT
    PgServer m_pg;
    bool m_pgUp = false;
    QString m_pgWhy;

private slots:
    void initTestCase()
    {
        // No desktop session: the keyring is out of reach, as for an unattended collector.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        m_pgUp = m_pg.start(&m_pgWhy);
    }

    // The file's settings, or the lines refused ("-" names a problem of the whole file): a line is
    // named by its number, never by its value (it may be a password, and the message goes to a log).
    void parse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QList<int>>("badLines");
        const QList<int> none;
        QTest::newRow("site") << site << "postgres db.site:5432 wl8806n collector" << none;
        QTest::newRow("empty") << QByteArray() << "sqlite :5432" << none;
        QTest::newRow("bom, comments, blanks, case, crlf")
            << QByteArray("\xEF\xBB\xBF# 存档\r\n\r\n KIND = Postgres \r\nuser= 采集 \r\ndatabase=w l\r\nport=1\r\n") << "postgres :1 w l 采集" << none;
        QTest::newRow("sqlite keeps the server") << QByteArray("kind=sqlite\nhost=/run/pg\nport=65535\nuser=u") << "sqlite /run/pg:65535  u" << none;
        QTest::newRow("each line refused") << QByteArray("kind=mysql\nport=0\nhots=db\npassword=x\nhost=a b\nuser\ndatabase=\xFF")
            << "" << QList<int>{1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("port 65536") << QByteArray("\nport=65536") << "" << QList<int>{2};
        QTest::newRow("a password among good lines") << site + "password=Sekr1tpw\n" << "" << QList<int>{6};
        QTest::newRow("port not a number") << QByteArray("port=5432x") << "" << QList<int>{1};
        QTest::newRow("twice") << site + "user=other\n" << "" << QList<int>{6};
        QTest::newRow("no database") << QByteArray("kind=postgres\nuser=u") << "" << QList<int>{-1};
        QTest::newRow("no user") << QByteArray("kind=postgres\ndatabase=d") << "" << QList<int>{-1};
        QTest::newRow("backups") << QByteArray("backup-dir=/srv/备份//\nbackup-keep=3650") << "sqlite :5432 backup /srv/备份 3650" << none;
        QTest::newRow("backups refused") << QByteArray("backup-dir=rel/b\nbackup-keep=0\nbackup-keep=x\nbackup-dir=/a\tb")
                                         << "" << QList<int>{1, 2, 3, 4};
    }

    void parse()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, settings);
        QFETCH(QList<int>, badLines);
        QStringList problems;
        const auto config = archive::parseSettings(content, &problems);
        QCOMPARE(config ? shown(*config) : QString(), settings);
        QCOMPARE(problems.size(), badLines.size());
        for (qsizetype i = 0; i < problems.size(); ++i) {
            const bool named = badLines[i] < 0 ? !problems[i].contains(u"行") && problems[i].contains(u"archive.set")
                                               : problems[i].contains(QStringLiteral("第 %1 行").arg(badLines[i]));
            QVERIFY2(named, qPrintable(problems[i]));
            for (const QByteArray &line : content.split('\n'))
                QVERIFY2(line.indexOf('=') < 0 || line.size() - line.indexOf('=') < 4 || !problems[i].contains(line.mid(line.indexOf('=') + 1)),
                         qPrintable(problems[i]));
        }
    }

    void save()
    {
        QTemporaryDir dir;
        QString error;
        ArchiveConfig c{ArchiveConfig::Postgres, "ignored.db", "db.site", 6543, "wl8806n", "collector", "s3cret"};
        const ArchiveConfig plain{ArchiveConfig::Sqlite, {}, {}, 5432, {}, {}, {}};
        c.backupDir = "/srv/备份";
        c.backupKeepDays = 7;
        for (const ArchiveConfig &saved : {c, plain, ArchiveConfig{ArchiveConfig::Sqlite, {}, "h", 7, {}, {}, {}}}) {
            QVERIFY2(archive::saveSettings(dir.path(), saved, &error), qPrintable(error));
            QVERIFY(!readFile(dir.filePath("archive.set")).contains("s3cret"));
            QStringList problems;
            const auto again = archive::configuredArchive(dir.path(), &problems);
            QVERIFY2(again, qPrintable(problems.join('\n')));
            QCOMPARE(shown(*again), shown(saved));
            QCOMPARE(again->sqlitePath, dir.filePath("archive.db"));
            QVERIFY(again->password.isEmpty());
        }
        QVERIFY(!archive::saveSettings(dir.filePath("no/such/folder"), c, &error));
        QVERIFY(!error.isEmpty());
    }

    // Refused settings name the box and leave the earlier file as it was.
    void refused_data() { tableRows(refusedRows(), [](const auto &r) { return QString::fromUtf8(r.why) + u' ' + QString::fromLatin1(QByteArray(r.database).toPercentEncoding()); }); }
    void refused()
    {
        const auto &r = tableRow(refusedRows());
        QTemporaryDir dir;
        QString error;
        QVERIFY(archive::saveSettings(dir.path(), {ArchiveConfig::Postgres, "ignored.db", "db.site", 6543, "wl8806n", "collector", "s3cret"}, &error));
        const QByteArray earlier = readFile(dir.filePath("archive.set"));
        QVERIFY(!archive::saveSettings(dir.path(), {ArchiveConfig::Postgres, {}, r.host, r.port, r.database, r.user, {}}, &error));
        QVERIFY2(error.contains(QString::fromUtf8(r.why)), qPrintable(error));
        QCOMPARE(readFile(dir.filePath("archive.set")), earlier);
    }

    // The archive archive.set names, opened as the window and the collector open it: a record stored
    // there is found again through a store of its own.
    void open_data()
    {
        QTest::addColumn<QByteArray>("content");  // "-": no archive.set; %S: the test server's socket folder
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("sqliteFile");     // archive.db in the application folder
        QTest::addColumn<bool>("keyring");        // the keyring was asked for a password
        QTest::newRow("no file") << QByteArray("-") << true << true << false;
        QTest::newRow("sqlite") << QByteArray("kind=sqlite\nhost=%S\n") << true << true << false;
        QTest::newRow("postgres, trusted") << QByteArray("kind=postgres\nhost=%S\nport=54329\ndatabase=%D\nuser=wltest") << true << false << true;
        QTest::newRow("postgres, no password to give")
            << QByteArray("kind=postgres\nhost=%S\nport=54329\ndatabase=%D\nuser=wlpass") << false << false << true;
        QTest::newRow("refused file") << QByteArray("kind=postgres\nhost=%S\nport=54329\ndatabase=%D\nuser=wltest\nx=1") << false << false << false;
        QTest::newRow("a folder") << QByteArray("/") << false << false << false;
    }

    void open()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, opens);
        QFETCH(bool, sqliteFile);
        QFETCH(bool, keyring);
        QTemporaryDir dir;
        const bool postgres = content.contains("postgres");
        if (postgres && !m_pgUp && qgetenv("CI") == "true")
            QFAIL(qPrintable("no PostgreSQL server for the test: " + m_pgWhy));
        if (postgres && !m_pgUp)
            QSKIP(qPrintable("no PostgreSQL server for the test: " + m_pgWhy));
        const QString database = QStringLiteral("open%1").arg(++m_databases);
        QString why;
        if (postgres)
            QVERIFY2(m_pg.createDatabase(database, &why, content.contains("wlpass") ? "wlpass" : "wltest"), qPrintable(why));
        content.replace("%S", m_pg.socketDir().toUtf8()).replace("%D", database.toUtf8());
        if (content == "/")
            QVERIFY(QDir(dir.path()).mkdir("archive.set"));
        else if (content != "-")
            QVERIFY(writeFile(dir.filePath("archive.set"), content));

        QString error, note;
        {
            RecordStore store;
            const bool opened = archive::openConfiguredArchive(store, dir.path(), &error, &note);
            // No keyring answers in this test.
            QCOMPARE(std::tuple(opened, error.isEmpty(), note.contains(u"密钥环")), std::tuple(opens, opens, keyring));
            if (opens)
                QCOMPARE(store.records().store({"A", 21, 60, readAt, "COM4", records::numbered({record})}, &error), std::optional<int>(1));
        }
        QCOMPARE(QFile::exists(dir.filePath("archive.db")), sqliteFile);
        if (!opens)
            return;
        RecordStore again;
        QVERIFY2(archive::openConfiguredArchive(again, dir.path(), &error, &note), qPrintable(error));
        QCOMPARE(again.records().recorders(), QStringList{"A"});
    }

    // The password reaches the server: the right one opens, a wrong one is refused.
    void password()
    {
        if (!m_pgUp)
            QSKIP(qPrintable("no PostgreSQL server for the test: " + m_pgWhy));
        QString error;
        QVERIFY2(m_pg.createDatabase("withpassword", &error, PgServer::PasswordUser), qPrintable(error));
        ArchiveConfig c = m_pg.config("withpassword");
        c.user = PgServer::PasswordUser;
        for (const char *given : {"", "wrong", PgServer::PasswordOf}) {
            c.password = QString::fromUtf8(given);
            RecordStore store;
            error.clear();
            QCOMPARE(store.open(c, &error), c.password == PgServer::PasswordOf);
        }
    }

    // No keyring: nothing read, nothing kept, a reason each time; the settings are saved all the same
    // and the user is sent to ~/.pgpass.
    void keyringUnreachable()
    {
        const ArchiveConfig c{ArchiveConfig::Postgres, {}, "db.site", 5432, "wl8806n", "collector", "s3cret"};
        QCOMPARE(archive::keyringKey(c), QStringLiteral("collector@db.site:5432/wl8806n"));
        for (const archive::KeyringAnswer &a : {archive::readPassword(c), archive::storePassword(c, "s3cret"),
                                                archive::forgetPassword(c)}) {
            QCOMPARE(a.status, archive::KeyringAnswer::Unreachable);
            QVERIFY(a.password.isEmpty());
            QVERIFY2(a.reason.contains(u"密钥环"), qPrintable(a.reason));
        }
        QTemporaryDir dir;
        QString error, note;
        QVERIFY2(archive::saveChoice(dir.path(), c, &error, &note), qPrintable(error));
        QVERIFY2(note.contains(u"~/.pgpass"), qPrintable(note));
        QCOMPARE(readFile(dir.filePath("archive.set")), archive::settingsContent(c));
        QVERIFY(!readFile(dir.filePath("archive.set")).contains("s3cret"));
        // Without a password (PostgreSQL asks ~/.pgpass) or for a SQLite file, the keyring is not asked.
        for (const ArchiveConfig &none : {ArchiveConfig{ArchiveConfig::Postgres, {}, "db.site", 5432, "wl8806n", "collector", {}},
                                          ArchiveConfig{ArchiveConfig::Sqlite, dir.filePath("a.db"), {}, 5432, {}, {}, "s3cret"}}) {
            note.clear();
            QVERIFY2(archive::saveChoice(dir.path(), none, &error, &note) && note.isEmpty(), qPrintable(error + note));
        }
    }

private:
    int m_databases = 0;
};

QTEST_GUILESS_MAIN(TestArchiveSettings)
#include "test_archivesettings.moc"
