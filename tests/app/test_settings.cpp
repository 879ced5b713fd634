#include "app/desktop.h"
#include "app/settingsfiles.h"
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using settings::Status;
Q_DECLARE_METATYPE(settings::Status)

namespace {
void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void comm_data();
    void comm();
    void commRoundTrip();
    void mod_data();
    void mod();
    void appDir();
};

void TestSettings::fields_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("ok");
    QTest::newRow("one line") << QByteArray("3,9600\r\n") << QStringList{"3", "9600"} << true;
    QTest::newRow("line ends separate") << QByteArray("1\r\n21\r\n32\r\n4\r\n") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("blanks around") << QByteArray(" 1 , 21 ,32,4") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("blank lines hold nothing") << QByteArray("1,21\r\n\r\n32,4\r\n") << QStringList{"1", "21", "32", "4"} << true;
    QTest::newRow("quoted text") << QByteArray("\"COM 3\",5") << QStringList{"COM 3", "5"} << true;
    QTest::newRow("comma inside quotes") << QByteArray("\"a,b\" , 1") << QStringList{"a,b", "1"} << true;
    QTest::newRow("empty field") << QByteArray("1,,3") << QStringList{"1", "", "3"} << true;
    QTest::newRow("unterminated quote") << QByteArray("\"abc,1") << QStringList{} << false;
    QTest::newRow("empty file") << QByteArray() << QStringList{} << true;
}

void TestSettings::fields()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, fields);
    QFETCH(bool, ok);
    QStringList got;
    QCOMPARE(settings::splitFields(content, got), ok);
    if (ok)
        QCOMPARE(got, fields);
}

void TestSettings::comm_data()
{
    QTest::addColumn<QByteArray>("content");  // "-" for no file
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("baud");
    QTest::newRow("missing") << QByteArray("-") << Status::Missing << 4 << 19200;
    QTest::newRow("3,9600") << QByteArray("3,9600\r\n") << Status::Ok << 3 << 9600;
    QTest::newRow("port 25") << QByteArray("25,38400\r\n") << Status::Ok << 25 << 38400;
    QTest::newRow("14400 on two lines") << QByteArray("1\r\n14400\r\n") << Status::Ok << 1 << 14400;
    QTest::newRow("port 26") << QByteArray("26,9600") << Status::Malformed << 4 << 19200;
    QTest::newRow("port 0") << QByteArray("0,9600") << Status::Malformed << 4 << 19200;
    QTest::newRow("unlisted rate") << QByteArray("3,115200") << Status::Malformed << 4 << 19200;
    QTest::newRow("text") << QByteArray("COM3,9600") << Status::Malformed << 4 << 19200;
    QTest::newRow("one field") << QByteArray("3\r\n") << Status::Malformed << 4 << 19200;
    QTest::newRow("empty") << QByteArray("") << Status::Malformed << 4 << 19200;
    QTest::newRow("binary junk") << QByteArray("\x01\x02\xff", 3) << Status::Malformed << 4 << 19200;
}

void TestSettings::comm()
{
    QFETCH(QByteArray, content);
    QFETCH(Status, status);
    QFETCH(int, port);
    QFETCH(int, baud);
    QTemporaryDir dir;
    if (content != "-")
        writeFile(settings::commPath(dir.path()), content);
    const auto r = settings::readComm(dir.path());
    QCOMPARE(r.status, status);
    QCOMPARE(r.value.portNumber, port);
    QCOMPARE(r.value.baudRate, baud);
    QCOMPARE(r.problem.isEmpty(), status == Status::Ok);
    if (status != Status::Ok)
        QVERIFY(r.problem.contains(QStringLiteral("comm.set")));
    // Reading never rewrites the file.
    if (content != "-") {
        QFile f(settings::commPath(dir.path()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }
}

void TestSettings::commRoundTrip()
{
    QTemporaryDir dir;
    writeFile(settings::commPath(dir.path()), "25,38400\r\nold trailing text\r\n");
    QString error;
    QVERIFY(settings::writeComm(dir.path(), {3, 9600}, &error));
    QFile f(settings::commPath(dir.path()));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("3,9600\r\n"));  // the whole file replaced
    const auto r = settings::readComm(dir.path());
    QCOMPARE(r.status, Status::Ok);
    QCOMPARE(r.value.portNumber, 3);
    QCOMPARE(r.value.baudRate, 9600);
}

void TestSettings::mod_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Status>("status");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("stations");
    QTest::newRow("missing") << QByteArray("-") << Status::Missing << 2 << 20 << 1;
    QTest::newRow("one line") << QByteArray("1,21,32,4\r\n") << Status::Ok << 21 << 32 << 4;
    QTest::newRow("four lines") << QByteArray("1\r\n21\r\n32\r\n4\r\n") << Status::Ok << 21 << 32 << 4;
    QTest::newRow("blanks and mixed") << QByteArray(" 0 , 5\r\n 20, 3 ") << Status::Ok << 5 << 20 << 3;
    QTest::newRow("three fields") << QByteArray("1,21,32") << Status::Malformed << 2 << 20 << 1;
    QTest::newRow("not a number") << QByteArray("1,x,32,4") << Status::Malformed << 2 << 20 << 1;
    QTest::newRow("beyond 16 bits") << QByteArray("1,21,32,40000") << Status::Malformed << 2 << 20 << 1;
}

void TestSettings::mod()
{
    QFETCH(QByteArray, content);
    QFETCH(Status, status);
    QFETCH(int, address);
    QFETCH(int, channels);
    QFETCH(int, stations);
    QTemporaryDir dir;
    if (content != "-")
        writeFile(settings::modPath(dir.path()), content);
    const auto r = settings::readMod(dir.path());
    QCOMPARE(r.status, status);
    QCOMPARE(r.value.deviceAddress, address);
    QCOMPARE(r.value.channelCount, channels);
    QCOMPARE(r.value.stationCount, stations);
}

void TestSettings::appDir()
{
    QTemporaryDir exe, given;
    QCOMPARE(resolveAppDir(QString(), exe.path()), exe.path());  // a portable install keeps its files beside it
    QCOMPARE(resolveAppDir(given.path() + QStringLiteral("/sub"), exe.path()), given.path() + QStringLiteral("/sub"));
    QVERIFY(QFileInfo(given.path() + QStringLiteral("/sub")).isDir());
    // An executable directory that does not exist falls back to the per-user data folder.
    QVERIFY(resolveAppDir(QString(), QStringLiteral("/nonexistent/dir")) != QStringLiteral("/nonexistent/dir"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
