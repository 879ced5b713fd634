// The settings files and the file writes, without a window: what each file may hold, files that
// cannot be read as settings, and a disk that fills during a write.
#include "core/settings/appdir.h"
#include "core/files/safefile.h"
#include "core/settings/settingsfiles.h"
#include "core/settings/language.h"
#include "core/export/xlsxworkbook.h"
#include "core/settings/comports.h"
#include "filesizelimit.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/stat.h>

using settings::Status;

namespace {
// A settings file read as start-up reads it: status, problem and the values start-up uses.
struct Read { Status status; QString problem; QList<int> values; };

Read readSettings(const QString &file, const QString &dir)
{
    if (const auto r = settings::readComm(dir); file == u"comm.set")
        return {r.status, r.problem, {r.value.portNumber, r.value.baudRate}};
    if (const auto r = settings::readMod(dir); file == u"ModSet.set")
        return {r.status, r.problem, {r.value.deviceAddress, r.value.channelCount, r.value.stationCount}};
    if (const auto r = settings::readReplyWindow(dir); file == u"replywin.set")
        return {r.status, r.problem, {r.value.recordWindowMs, r.value.attempts, r.value.guardMs, int(r.value.echo), int(r.value.blockReads), r.value.connectTimeoutMs}};
    ComPorts ports;
    QStringList problems;
    ports.loadOverrides(dir, &problems);
    return {problems.isEmpty() ? Status::Ok : Status::Malformed, problems.join(u' '), {}};
}

const auto &splitRows() { static const struct { const char *content; QStringList fields; } rows[] = {
    {"1\r\n21\r\n32\r\n4\r\n", {"1", "21", "32", "4"}}, {" 1 , 21 ,32,4", {"1", "21", "32", "4"}},  // how a file splits into fields
    {"1,21\r\n\r\n32,4\r\n", {"1", "21", "32", "4"}}, {"\"a,b\" , 1", {"a,b", "1"}}, {"1,,3", {"1", "", "3"}}}; return rows; }

// What each file may hold (the number rules of single fields are in the one conversion table).
const QList<int> comm{4, 19200}, mod{2, 20, 1}, reply{300, 3, 1200, 0, 1, 3000};
const auto &fileRows() { static const struct { const char *file, *content; Status status; QList<int> values; } rows[] = {  // content nullptr: no file
    {"comm.set", nullptr, Status::Missing, comm}, {"comm.set", "3,9600\r\n", Status::Ok, {3, 9600}}, {"comm.set", "1\r\n14400\r\n", Status::Ok, {1, 14400}},
    {"comm.set", "25,57600\r\n", Status::Ok, {25, 57600}}, {"comm.set", "4,49", Status::Malformed, comm}, {"comm.set", "2,50", Status::Ok, {2, 50}},
    {"comm.set", "2,4000000", Status::Ok, {2, 4000000}}, {"comm.set", "2,4000001", Status::Malformed, comm},  // the rate box's bounds {"comm.set", "26,9600", Status::Malformed, comm},
    {"comm.set", "0,9600", Status::Malformed, comm}, {"comm.set", "COM3,9600", Status::Malformed, comm}, {"comm.set", "3\r\n", Status::Malformed, comm},
    {"comm.set", "\"3,9600", Status::Malformed, comm}, {"ModSet.set", nullptr, Status::Missing, mod}, {"ModSet.set", " 0 , 5\r\n 20, 3 ", Status::Ok, {5, 20, 3}},
    {"ModSet.set", "x,255,-5,0", Status::Ok, {255, -5, 0}},  // field 1 is not used
    // A value its box or command would refuse is replaced by its default; the others count.
    {"ModSet.set", "1,300,32,4", Status::Malformed, {2, 32, 4}}, {"ModSet.set", "1,21,40000,x", Status::Malformed, {21, 20, 1}},
    {"ModSet.set", "1,21,32", Status::Malformed, mod}, {"replywin.set", nullptr, Status::Missing, reply}, {"replywin.set", "300,3,1200\r\n", Status::Ok, reply},
    {"replywin.set", "60000,10,60000,1", Status::Ok, {60000, 10, 60000, 1, 1, 3000}},  // before the block setting: on
    {"replywin.set", "300,3,1200,2,0", Status::Ok, {300, 3, 1200, 2, 0, 3000}}, {"replywin.set", "300,3,1200,0,1,60000", Status::Ok, {300, 3, 1200, 0, 1, 60000}}, {"replywin.set", "19,3,1200", Status::Malformed, reply},
    {"replywin.set", "300,11,1200", Status::Malformed, reply}, {"replywin.set", "300,3,60001", Status::Malformed, reply},
    {"replywin.set", "300,3,1200,3", Status::Malformed, reply}, {"replywin.set", "300,3,1200,0,2", Status::Malformed, reply},
    {"replywin.set", "300,3,1200,0,1,99", Status::Malformed, reply}, {"replywin.set", "300,3,1200,0,1,100,0", Status::Malformed, reply}}; return rows; }

// Whether a program in exeDir is an installed one.
const auto &installedRows() { static const struct { const char *exeDir, *installBinDir; bool installed; } rows[] = {
    {"/usr/bin", "", true}, {"/usr/local/bin", "", true}, {"/usr/lib/wl8806n/", "", true}, {"/bin", "", true}, {"/sbin", "", true}, {"/usr/../usr/bin", "", true},
    {"/usr2/bin", "", false}, {"/usrbin", "", false}, {"/binaries", "", false},  // a name that only starts alike
    {"/home/u/wl8806n", "", false}, {"/opt/wl8806n/bin", "", false}, {"/work/build", "/usr/local/bin", false},
    {"/opt/wl8806n/bin", "/opt/wl8806n/bin", true}, {"/opt/wl8806n/bin/", "/opt/wl8806n/bin", true},
    {"/opt/wl8806n", "/opt/wl8806n/bin", false}, {"/opt/wl8806n/bin/x", "/opt/wl8806n/bin", false}}; return rows; }

// Which language the window starts in: --lang, else the saved choice, else only an English locale.
const auto &languageRows() { using language::Language; static const QString none;  // none: --lang not given
    static const struct { QString option; std::optional<QString> saved; const char *locale; Language want; bool problem; } rows[] = {
    {none, std::nullopt, "C", Language::Chinese, false}, {none, std::nullopt, "POSIX", Language::Chinese, false},
    {none, std::nullopt, "zh_CN", Language::Chinese, false}, {none, std::nullopt, "de_DE", Language::Chinese, false},
    {none, std::nullopt, "en_US", Language::English, false}, {none, std::nullopt, "en_GB.UTF-8", Language::English, false},
    {none, std::nullopt, "en", Language::English, false}, {none, std::nullopt, "eng_XX", Language::Chinese, false},
    {none, QStringLiteral("en\n"), "C", Language::English, false}, {none, QStringLiteral("zh"), "en_US", Language::Chinese, false},
    {none, QStringLiteral("fr"), "C", Language::Chinese, true}, {none, QStringLiteral("fr"), "en_US", Language::English, true},
    {QStringLiteral("en"), QStringLiteral("zh"), "C", Language::English, false}, {QStringLiteral(" ZH "), QStringLiteral("en"), "en_US", Language::Chinese, false},
    {QStringLiteral("xx"), QStringLiteral("en"), "C", Language::English, true}, {QStringLiteral(""), std::nullopt, "C", Language::Chinese, true}}; return rows; }

// Files that must not be read as settings: the read returns at once, names the file, and the
// defaults stand.
const auto &unusableRows()
{
    struct Row { QString name; QString file; QByteArray good, kind; qint64 cap; };
    static const QVector<Row> rows = [] {
        QVector<Row> out;
        const struct { const char *file, *good; qint64 cap; } files[] = {
            {"comm.set", "3,9600\r\n", 4096}, {"ModSet.set", "1,21,32,4\r\n", 4096},
            {"replywin.set", "500,5,2000,1\r\n", 4096}, {"comports.map", "COM3=/dev/pts/9\n", 16 * 1024},
        };
        for (const auto &f : files)
            for (const QByteArray kind : {"folder", "fifo", "/dev/zero", "oversized", "257 lines", "binary"})
                if (qstrcmp(f.file, "comports.map") == 0 || (kind != "257 lines" && kind != "binary"))  // the map's own limits
                    out.append({QStringLiteral("%1 %2").arg(QLatin1String(f.file), QString::fromLatin1(kind)), QLatin1String(f.file), f.good, kind, f.cap});
        return out;
    }();
    return rows;
}

// A write that fails leaves the earlier file exactly as it was, adds no file, and says why: a disk
// that fills during the write, or a name taken by a folder (the write succeeds, the rename cannot).
const auto &targetRows() { static const struct { const char *name; } rows[] = {{"out.txt"}, {"12-6-14-30.xls"}, {"12-6-14-30.xlsx"}, {"comm.set"}, {"replywin.set"}}; return rows; }
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void splits_data() { tableRows(splitRows(), [](const auto &r) { return QString::fromLatin1(QByteArray(r.content).toPercentEncoding(" ,\"")); }); }
    void splits()
    {
        const auto &r = tableRow(splitRows());
        QStringList got, unused;
        QVERIFY(settings::splitFields(r.content, got));
        QCOMPARE(got, r.fields);
        QVERIFY(!settings::splitFields("\"abc,1", unused));  // an unterminated quote
    }

    void files_data() { tableRows(fileRows(), [](const auto &r) { return QString::fromLatin1(r.file + (' ' + QByteArray(r.content ? r.content : "-").toPercentEncoding(" ,\""))); }); }
    void files()
    {
        const auto &r = tableRow(fileRows());
        QTemporaryDir dir;
        const QString file = QString::fromLatin1(r.file), what = file + u' ' + QString::fromLatin1(r.content ? r.content : "-");
        if (r.content)
            QVERIFY(writeFile(dir.filePath(file), r.content));
        const Read got = readSettings(file, dir.path());
        QVERIFY2(got.status == r.status && got.values == r.values, qPrintable(what));
        QVERIFY2(r.status == Status::Ok ? got.problem.isEmpty() : got.problem.contains(file), qPrintable(got.problem));
        if (r.content)  // reading never rewrites the file
            QCOMPARE(readFile(dir.filePath(file)), QByteArray(r.content));
        if (r.status == Status::Ok && file == u"replywin.set") {  // what is read is written back as it was
            const settings::ReplyWindow window{r.values[0], r.values[1], r.values[2], EchoMode(r.values[3]), r.values[4] == 1, r.values[5]};
            QString problem;
            QVERIFY(settings::writeReplyWindow(dir.path(), window, &problem));
            QCOMPARE(settings::readReplyWindow(dir.path()).value, window);
        }
    }

    void unusableFiles_data() { tableRows(unusableRows()); }
    void unusableFiles()
    {
        const auto &f = tableRow(unusableRows());
        QTemporaryDir dir, none;
        const QString path = dir.filePath(f.file);
        if (f.kind == "folder") {
            QVERIFY(QDir().mkdir(path));
        } else if (f.kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);  // a blocking read never returns
        } else if (f.kind == "/dev/zero") {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));           // a read never ends
        } else if (f.kind == "oversized") {
            QVERIFY(writeFile(path, f.good + QByteArray(f.cap + 1 - f.good.size(), ' ')));  // good, but too long
        } else if (f.kind == "257 lines") {
            QVERIFY(writeFile(path, QByteArray("# note\n").repeated(257)));
        } else {
            QByteArray junk(f.cap, '\0');
            for (qsizetype i = 0; i < junk.size(); ++i)
                junk[i] = char((i * 7919) >> 3);
            QVERIFY(writeFile(path, junk));
        }
        const Read r = readSettings(f.file, dir.path());
        QVERIFY(r.status == Status::Malformed && r.values == readSettings(f.file, none.path()).values);
        QVERIFY2(r.problem.contains(f.file) && r.problem.size() < 160, qPrintable(r.problem));
    }

    void failedWriteKeepsEarlierFile_data() { tableRowsOver(targetRows(), std::array{"full disk", "a folder"}); }
    void failedWriteKeepsEarlierFile()
    {
        QFETCH(int, variant);
        const bool folder = variant == 1;
        xls::Sheet sheet;
        sheet.setText(0, 0, QStringLiteral("日期"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(tableRow(targetRows()).name)), earlier = folder ? path + "/earlier" : path;
        QVERIFY((!folder || QDir().mkdir(path)) && writeFile(earlier, "earlier file\r\n"));
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QString error;
        bool written;
        {
            const FileSizeLimit full(folder ? RLIM_INFINITY : 4);
            if (path.endsWith(u"comm.set"))
                written = settings::writeComm(dir.path(), settings::Comm{3, 9600}, &error);
            else if (path.endsWith(u"replywin.set"))
                written = settings::writeReplyWindow(dir.path(), settings::ReplyWindow{}, &error);
            else if (path.contains(u".xls"))
                written = (path.endsWith(u'x') ? xlsx::writeWorkbook : xls::writeWorkbook)(path, sheet, &error);
            else
                written = safefile::writeWhole(path, "2018-04-27 03:21  23.4 -01.5 @1\r\n", &error);
        }
        QVERIFY(!written);
        QCOMPARE(readFile(earlier), QByteArray("earlier file\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);  // nothing partial, no temporary file
        QVERIFY2(error.contains(folder ? QStringLiteral("同名的是一个文件夹") : QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error));
    }

    void appDir()
    {
        QTemporaryDir exe, given;
        QCOMPARE(resolveAppDir(QString(), exe.path()), exe.path());  // a portable copy keeps its files beside it
        QCOMPARE(resolveAppDir(given.path() + QStringLiteral("/sub"), exe.path()), given.path() + QStringLiteral("/sub"));
        QVERIFY(QFileInfo(given.path() + QStringLiteral("/sub")).isDir());
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        // An executable directory that does not exist falls back to the per-user data folder; so does an
        // installed program, even one that could write beside itself (root can, in /usr/bin).
        QCOMPARE(resolveAppDir(QString(), QStringLiteral("/nonexistent/dir")), data);
        QCOMPARE(resolveAppDir(QString(), QStringLiteral("/usr/bin")), data);
        QCOMPARE(resolveAppDir(QStringLiteral("/usr/bin"), exe.path()), QStringLiteral("/usr/bin"));  // asked for, it is used
    }

    void installed_data() { tableRows(installedRows(), [](const auto &r) { return QString::fromLatin1(r.exeDir) + u'|' + QLatin1String(r.installBinDir); }); }
    void installed()
    {
        const auto &r = tableRow(installedRows());
        QVERIFY2(installedInSystem(QString::fromLatin1(r.exeDir), QString::fromLatin1(r.installBinDir)) == r.installed, r.exeDir);
    }

    void language_data() { tableRows(languageRows(), [](const auto &r) { return r.option + u'|' + r.saved.value_or(QStringLiteral("-")) + u'|' + QLatin1String(r.locale); }); }
    void language()
    {
        const auto &r = tableRow(languageRows());
        const auto got = language::choose(r.option, r.saved, QLatin1String(r.locale));
        QVERIFY2(got.language == r.want && got.problem.isEmpty() != r.problem, qPrintable(got.problem));
    }

    // The choice is kept whole: a file that cannot be read is said, never taken for a language.
    void savedLanguage()
    {
        QTemporaryDir dir;
        QString problem, error;
        QVERIFY(!language::readSaved(dir.path(), &problem) && problem.isEmpty());
        QVERIFY(language::save(dir.path(), language::Language::English, &error));
        QCOMPARE(language::readSaved(dir.path(), &problem), u"en");  // its line end is no part of it
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")) && writeFile(dir.filePath(QStringLiteral("sub/language.set")), QByteArray(100, 'x')));
        QVERIFY(!language::readSaved(dir.filePath(QStringLiteral("sub")), &problem) && problem.contains(u"language.set"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
