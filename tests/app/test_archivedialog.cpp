// The archive settings dialog: boxes that cannot be used are named and nothing is saved; OK writes
// archive.set and hands back the password for this run; the connection test says whether it worked.
#include "app/recordingdesktop.h"
#include "core/settings/archivesettings.h"
#include "panels/history/archivesettingsdialog.h"
#include "tablerows.h"
#include "ui/valuelabel.h"
#include "wholefile.h"
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using archive::ArchiveConfig;

namespace {
void fill(ArchiveSettingsDialog &d, bool postgres, const QStringList &boxes)
{
    (postgres ? d.optPostgres : d.optSqlite)->setChecked(true);
    const QList<QLineEdit *> edits{d.txtHost, d.txtPort, d.txtDatabase, d.txtUser, d.txtPassword};
    for (qsizetype i = 0; i < edits.size(); ++i)
        edits[i]->setText(boxes[i]);
}

const auto &connectionRows() { static const struct { bool postgres; QStringList boxes; const char *says; bool file; } rows[] = {
    {true, {"/nonexistent", "5432", "wl", "c", ""}, "连接失败", false}, {true, {"/nonexistent", "5432", "", "c", ""}, "数据库", false},
    {false, {"", "", "", "", ""}, "连接成功", true}}; return rows; }
} // namespace

class TestArchiveDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus"); }

    void accept_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<QStringList>("boxes");  // host, port, database, user, password
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("says");       // in the dialog when refused, else in a message
        QTest::newRow("sqlite, server boxes ignored") << false << QStringList{"a b", "x", "", "", "pw"} << true << "";
        QTest::newRow("postgres") << true << QStringList{"db.site", " 6543 ", "wl", "collector", ""} << true << "";
        QTest::newRow("password, no keyring") << true << QStringList{"db.site", "5432", "wl", "c", "pw"} << true << "~/.pgpass";
        QTest::newRow("port not a number") << true << QStringList{"db.site", "54x", "wl", "c", ""} << false << "端口";
        QTest::newRow("port 0") << true << QStringList{"db.site", "0", "wl", "c", ""} << false << "端口";
        QTest::newRow("port 65536") << true << QStringList{"db.site", "65536", "wl", "c", ""} << false << "端口";
        QTest::newRow("host with a space") << true << QStringList{"db site", "5432", "wl", "c", ""} << false << "主机";
    }

    void accept()
    {
        QFETCH(bool, postgres);
        QFETCH(QStringList, boxes);
        QFETCH(bool, saved);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString file = dir.filePath("archive.set");
        QVERIFY(archive::saveSettings(dir.path(), {ArchiveConfig::Sqlite, {}, "earlier", 5432, {}, {}, {}}, nullptr));
        const QByteArray earlier = readFile(file);
        RecordingDesktop desktop(dir.path());
        ArchiveSettingsDialog dialog(ArchiveConfig{}, desktop, nullptr);
        fill(dialog, postgres, boxes);
        dialog.accept();
        QCOMPARE(dialog.result() == QDialog::Accepted, saved);
        if (!saved) {
            QVERIFY2(dialog.lblResult->text().contains(says), qPrintable(dialog.lblResult->text()));
            QCOMPARE(readFile(file), earlier);
            QVERIFY(desktop.messages.isEmpty());
            return;
        }
        const ArchiveConfig chosen = dialog.chosen();
        QCOMPARE(std::tuple(chosen.kind == ArchiveConfig::Postgres, chosen.password, chosen.sqlitePath),
                 std::tuple(postgres, postgres ? boxes[4] : QString(), dir.filePath("archive.db")));
        QCOMPARE(readFile(file), archive::settingsContent(chosen));
        QVERIFY(!readFile(file).contains("pw"));
        QCOMPARE(desktop.messages.size(), says.isEmpty() ? 0 : 1);
        QVERIFY(desktop.lastMessage().contains(says));
    }

    void testConnection_data() { tableRows(connectionRows(), [](const auto &r) { return QString::fromUtf8(r.says); }); }
    void testConnection()
    {
        const auto &r = tableRow(connectionRows());
        QTemporaryDir dir;
        RecordingDesktop desktop(dir.path());
        ArchiveSettingsDialog dialog(ArchiveConfig{}, desktop, nullptr);
        fill(dialog, r.postgres, r.boxes);
        dialog.testConnection();
        QVERIFY2(dialog.lblResult->text().contains(QString::fromUtf8(r.says)), qPrintable(dialog.lblResult->text()));
        QCOMPARE(QFile::exists(dir.filePath("archive.db")), r.file);
        QVERIFY(!QFile::exists(dir.filePath("archive.set")));  // a test saves nothing
    }
};

QTEST_MAIN(TestArchiveDialog)
#include "test_archivedialog.moc"
