// The settings files and the file writes, without a window: what each file may hold, files that
// cannot be read as settings, and a disk that fills during a write.
#include "app/desktop.h"
#include "app/safefile.h"
#include "app/settingsfiles.h"
#include "export/xlsworkbook.h"
#include "link/comports.h"
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

using settings::Status;
Q_DECLARE_METATYPE(settings::Status)

namespace {
bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every file under dir, hidden ones included: what a failed write must not add to.
QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// A disk that fills after a few bytes: writes past the limit fail with EFBIG (SIGXFSZ ignored).
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int);
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = old;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

// A settings file read as start-up reads it: status, problem and the values start-up uses.
struct Read {
    Status status;
    QString problem;
    QList<int> values;
};

Read readSettings(const QString &file, const QString &dir)
{
    if (file == u"comm.set") {
        const auto r = settings::readComm(dir);
        return {r.status, r.problem, {r.value.portNumber, r.value.baudRate}};
    }
    if (file == u"ModSet.set") {
        const auto r = settings::readMod(dir);
        return {r.status, r.problem, {r.value.deviceAddress, r.value.channelCount, r.value.stationCount}};
    }
    if (file == u"replywin.set") {
        const auto r = settings::readReplyWindow(dir);
        return {r.status, r.problem, {r.value.recordWindowMs, r.value.attempts, r.value.guardMs, int(r.value.echo)}};
    }
    ComPorts ports;
    QStringList problems;
    ports.loadOverrides(dir, &problems);
    return {problems.isEmpty() ? Status::Ok : Status::Malformed, problems.join(u' '), {}};
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void files_data();
    void files();
    void unusableFiles_data();
    void unusableFiles();
    void fullDiskKeepsEarlierFile_data();
    void fullDiskKeepsEarlierFile();
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
    QTest::newRow("comma inside quotes") << QByteArray("\"a,b\" , 1") << QStringList{"a,b", "1"} << true;
    QTest::newRow("empty field") << QByteArray("1,,3") << QStringList{"1", "", "3"} << true;
    QTest::newRow("unterminated quote") << QByteArray("\"abc,1") << QStringList{} << false;
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

// What each file may hold (the number rules of single fields are in the one conversion table).
void TestSettings::files_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");  // "-" for no file
    QTest::addColumn<Status>("status");
    QTest::addColumn<QList<int>>("values");   // in file order: what start-up uses
    const auto row = [](const char *file, const char *content, Status s, QList<int> v) {
        QTest::addRow("%s %s", file, QByteArray(content).toPercentEncoding(" ,").constData())
            << QString::fromLatin1(file) << QByteArray(content) << s << v;
    };
    const QList<int> comm{4, 19200}, mod{2, 20, 1}, reply{300, 3, 1200, 0};
    row("comm.set", "-", Status::Missing, comm);
    row("comm.set", "3,9600\r\n", Status::Ok, {3, 9600});
    row("comm.set", "1\r\n14400\r\n", Status::Ok, {1, 14400});
    row("comm.set", "25,57600\r\n", Status::Ok, {25, 57600});  // a rate typed into the box
    row("comm.set", "4,49", Status::Malformed, comm);
    row("comm.set", "26,9600", Status::Malformed, comm);
    row("comm.set", "0,9600", Status::Malformed, comm);
    row("comm.set", "COM3,9600", Status::Malformed, comm);
    row("comm.set", "3\r\n", Status::Malformed, comm);
    row("comm.set", "\x01\x02\xff", Status::Malformed, comm);
    row("ModSet.set", "-", Status::Missing, mod);
    row("ModSet.set", " 0 , 5\r\n 20, 3 ", Status::Ok, {5, 20, 3});
    row("ModSet.set", "x,255,-5,0", Status::Ok, {255, -5, 0});  // field 1 is not used
    // A value its box or command would refuse is replaced by its default; the others count.
    row("ModSet.set", "1,300,32,4", Status::Malformed, {2, 32, 4});
    row("ModSet.set", "1,21,40000,x", Status::Malformed, {21, 20, 1});
    row("ModSet.set", "1,21,32", Status::Malformed, mod);
    row("replywin.set", "-", Status::Missing, reply);
    row("replywin.set", "300,3,1200\r\n", Status::Ok, reply);
    row("replywin.set", "60000,10,60000,1", Status::Ok, {60000, 10, 60000, 1});
    row("replywin.set", "19,3,1200", Status::Malformed, reply);
    row("replywin.set", "300,11,1200", Status::Malformed, reply);
    row("replywin.set", "300,3,60001", Status::Malformed, reply);
    row("replywin.set", "300,3,1200,3", Status::Malformed, reply);
    row("replywin.set", "300,3,1200,0,0", Status::Malformed, reply);
}

void TestSettings::files()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(Status, status);
    QFETCH(QList<int>, values);
    QTemporaryDir dir;
    if (content != "-")
        QVERIFY(writeFile(dir.filePath(file), content));
    const Read r = readSettings(file, dir.path());
    QCOMPARE(r.status, status);
    QCOMPARE(r.values, values);
    QVERIFY2(status == Status::Ok ? r.problem.isEmpty() : r.problem.contains(file), qPrintable(r.problem));
    if (content != "-")  // reading never rewrites the file
        QCOMPARE(readFile(dir.filePath(file)), content);
    // What is read is written back as it was.
    if (status == Status::Ok && file == u"replywin.set") {
        const settings::ReplyWindow window{values[0], values[1], values[2], EchoMode(values[3])};
        QString problem;
        QVERIFY(settings::writeReplyWindow(dir.path(), window, &problem));
        QCOMPARE(settings::readReplyWindow(dir.path()).value, window);
    }
}

// Files that must not be read as settings: the read returns at once, names the file, and the
// defaults stand.
void TestSettings::unusableFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("kind");
    for (const char *file : {"comm.set", "ModSet.set", "replywin.set", "comports.map"})
        for (const char *kind : {"folder", "fifo", "/dev/zero", "oversized"})
            QTest::addRow("%s %s", file, kind) << QString::fromLatin1(file) << QByteArray(kind);
    QTest::newRow("comports.map 257 lines") << QStringLiteral("comports.map") << QByteArray("257 lines");
    QTest::newRow("comports.map binary") << QStringLiteral("comports.map") << QByteArray("binary");
}

void TestSettings::unusableFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    const bool map = file == u"comports.map";
    const QByteArray good = map ? QByteArray("COM3=/dev/pts/9\n")
        : file == u"comm.set"   ? QByteArray("3,9600\r\n")
        : file == u"ModSet.set" ? QByteArray("1,21,32,4\r\n")
                                : QByteArray("500,5,2000,1\r\n");
    const qint64 cap = map ? 16 * 1024 : 4096;
    if (kind == "folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);  // a blocking read never returns
    else if (kind == "/dev/zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));           // a read never ends
    else if (kind == "oversized")
        QVERIFY(writeFile(path, good + QByteArray(cap + 1 - good.size(), ' ')));  // good, but too long
    else if (kind == "257 lines")
        QVERIFY(writeFile(path, QByteArray("# note\n").repeated(257)));
    else {
        QByteArray junk(cap, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) >> 3);
        QVERIFY(writeFile(path, junk));
    }
    QTemporaryDir none;
    const Read r = readSettings(file, dir.path()), defaults = readSettings(file, none.path());
    QCOMPARE(r.status, Status::Malformed);
    QCOMPARE(r.values, defaults.values);
    QVERIFY2(r.problem.contains(file) && r.problem.size() < 160, qPrintable(r.problem));
}

// A write that fails leaves the earlier file exactly as it was, adds no file, and says why.
void TestSettings::fullDiskKeepsEarlierFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("text export") << QStringLiteral("out.txt");
    QTest::newRow("workbook") << QStringLiteral("12-6-14-30.xls");
    QTest::newRow("comm.set") << QStringLiteral("comm.set");
    QTest::newRow("replywin.set") << QStringLiteral("replywin.set");
}

void TestSettings::fullDiskKeepsEarlierFile()
{
    QFETCH(QString, target);
    QTemporaryDir dir;
    const QString path = dir.filePath(target);
    QVERIFY(writeFile(path, "earlier file\r\n"));
    const QStringList before = filesUnder(dir.path());
    xls::Sheet sheet;
    sheet.setText(0, 0, QStringLiteral("日期"));
    QString error;
    bool written;
    {
        const FileSizeLimit full(4);
        if (target == u"comm.set")
            written = settings::writeComm(dir.path(), settings::Comm{3, 9600}, &error);
        else if (target == u"replywin.set")
            written = settings::writeReplyWindow(dir.path(), settings::ReplyWindow{}, &error);
        else if (target.endsWith(u".xls"))
            written = xls::writeWorkbook(path, sheet, &error);
        else
            written = safefile::writeWhole(path, "2018-04-27 03:21  23.4 -01.5 @1\r\n", &error);
    }
    QVERIFY(!written);
    QCOMPARE(readFile(path), QByteArray("earlier file\r\n"));
    QCOMPARE(filesUnder(dir.path()), before);  // nothing partial, no temporary file
    QVERIFY2(error.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error));
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
