// A period of the archive exported: the same files as the download that brought its records, the
// .xls limit, and the .xlsx workbook read back by another program.
#include "core/archive/recordstore.h"
#include "core/export/exportformats.h"
#include "core/export/periodexport.h"
#include "core/export/xlsxworkbook.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {
struct Rec {
    const char *time;
    QVector<int> words;
};

// A record's data bytes as the recorder sends them.
QByteArray bytesOf(const Rec &r)
{
    QByteArray data = QByteArray(1, char(0x5B)) + QByteArray::fromHex(QByteArray(r.time).replace(' ', ""));
    for (int w : r.words)
        data += char(w >> 8), data += char(w);
    return data;
}

// The archive's rows for records as the download stores them: the time read from the data bytes.
QList<archive::StoredRecord> stored(const QVector<Rec> &recs)
{
    QList<archive::StoredRecord> out;
    for (const Rec &r : recs) {
        const QByteArray data = bytesOf(r);
        archive::StoredRecord s;
        s.recorder = QStringLiteral("COM4-21");
        s.time = records::Record{0, data}.timeText();
        s.words = data.mid(6);
        out.append(s);
    }
    return out;
}

QStringList cellTexts(const xls::Sheet &sheet)
{
    QStringList out;
    for (const xls::Cell *c : sheet.placedCells())
        out << QStringLiteral("%1:%2 %3").arg(c->row).arg(c->column).arg(QVariant::fromStdVariant(c->value).toString());
    return out;
}

QVector<int> counting(int n, int from)
{
    QVector<int> v;
    for (int i = 0; i < n; ++i)
        v << from + 37 * i;
    return v;
}

// The workbook as CSV, every cell as shown (minus signs U+2212), by gnumeric's converter.
QByteArray shownCells(const QString &workbook, QString *why)
{
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (ssconvert.isEmpty()) {
        *why = QStringLiteral("ssconvert not found");
        return {};
    }
    const QString csv = workbook + QStringLiteral(".csv");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(ssconvert, {QStringLiteral("--export-type=Gnumeric_stf:stf_assistant"), QStringLiteral("-O"),
                        QStringLiteral("format=preserve separator=, eol=unix"), workbook, csv});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *why = QStringLiteral("ssconvert failed: %1 %2").arg(p.errorString(), QString::fromLocal8Bit(p.readAll()));
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    QFile f(csv);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The first sheet's name and column A's width, then from the third row on the first two cells' types, values and formats,
// as openpyxl reads them; a null text without python3.
QString openpyxlCells(const QString &workbook)
{
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});  // Debian's
    if (python.isEmpty() && (python = QStandardPaths::findExecutable(QStringLiteral("python3"))).isEmpty())
        return {};
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QStringLiteral(
        "import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
        "print(ws.title, ws.column_dimensions['A'].width)\n"
        "for row in ws.iter_rows(min_row=3, max_col=2):\n"
        "    print(' | '.join(f'{type(c.value).__name__} {c.value} {c.number_format}' for c in row))\n"), workbook});
    p.waitForFinished(120000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? out : QStringLiteral("failed: ") + p.errorString() + out;
}

QVector<Rec> manyRecords(int n)
{
    QVector<Rec> recs(n, Rec{"24 01 02 03 04", {0x00EB}});
    recs.back() = Rec{"24 02 03 04 05", {0xFF85}};
    return recs;
}

const auto &periodRows() {
    const QVector<int> noReading{0xD8F1, 0xDD48, 0x00EB, 0xFF85, 0x0000, 0x3039, 0x3100, 0xFFFB};
    static const struct { const char *name; int sensors; QVector<Rec> recs; } rows[] = {
        {"8 sensors: no reading, negative, sign edge", 8, {{"18 04 27 03 21", noReading}, {"18 04 27 03 31", counting(8, 0xFFF0)}}},
        {"two identical records", 8, {{"18 04 27 03 21", noReading}, {"18 04 27 03 21", noReading}}},
        {"20 sensors, value bytes 5B", 20, {{"26 11 30 08 05", counting(20, 0x5B5B)}, {"26 11 30 08 06", counting(20, 0x005B)}}},
        {"a time that is no date", 2, {{"26 1A 06 14 05", {1, 0xFFF1}}, {"26 12 31 23 59", {2, 3}}}},
        {"one sensor", 1, {{"24 01 02 03 04", {0x8000}}, {"24 01 02 03 05", {0x7FFF}}}},
    }; return rows; }

// The limit is the .xls writer's own: one record more and the sheet no longer goes in.
const auto &limitRows() { static const struct { const char *name; int records; bool fits; } rows[] = {
    {"the most a sheet holds", 65534, true}, {"one more", 65535, false}}; return rows; }

const auto &failureRows() { static const struct { const char *name; int row; QString text; const char *named; } rows[] = {
    {"last row", 1048575, QStringLiteral("日期"), ""},
    {"row past the sheet", 1048576, QStringLiteral("日期"), "1048577"},
    {"text too long", 3, QString(32768, u'x'), "32768"},
}; return rows; }
} // namespace

class TestPeriodExport : public QObject {
    Q_OBJECT
private slots:
    // The period's text, CSV and sheet are those of the download that brought the same records.
    void periodAsDownloaded_data() { tableRows(periodRows()); }
    void periodAsDownloaded()
    {
        const auto &r = tableRow(periodRows());
        const QVector<Rec> &recs = r.recs;
        QList<records::Record> downloaded;
        for (const Rec &r : recs)
            downloaded.append({int(downloaded.size()) + 1, bytesOf(r)});
        const auto period = exports::periodRecords(stored(recs));
        QCOMPARE(period.size(), recs.size());
        QCOMPARE(exports::textFile(period, 0), exports::textFile(downloaded, 0));
        QCOMPARE(exports::csvFile(period, 0), exports::csvFile(downloaded, 0));
        QCOMPARE(cellTexts(exports::workbookSheet(period, 0)), cellTexts(exports::workbookSheet(downloaded, 0)));
        QVERIFY(exports::textFile(period, 0).endsWith(QByteArray(" @") + QByteArray::number(recs.size()) + "\r\n"));
    }

    void xlsLimit_data() { tableRows(limitRows()); }
    void xlsLimit()
    {
        const auto &r = tableRow(limitRows());
        QCOMPARE(exports::fitsXls(r.records), r.fits);
        const xls::Sheet sheet = exports::workbookSheet(exports::periodRecords(stored(manyRecords(r.records))), 0);
        QCOMPARE(!xls::workbookStream(sheet).isEmpty(), r.fits);
        QVERIFY(r.fits || (exports::xlsTooManyRecords(r.records).contains(QStringLiteral("%1 条记录").arg(r.records))
                           && exports::xlsTooManyRecords(r.records).contains(QStringLiteral("65534"))));
    }

    // Every cell shows as in the .xls (numbers "#00.0", times "yyyy-mm-dd hh:mm"), a replaced one too; past the .xls rows as
    // well. Written over an earlier file, keeping its permissions. openpyxl reads the times as dates, the sheet by its name.
    void xlsxReadsBack()
    {
        QTemporaryDir dir;
        const QVector<int> values{0xD8F1, 0xDD48, 0x00EB, 0xFF85, 0x0005, 0x3039, 0x3100, 0xFFFB};
        xls::Sheet sheet = exports::workbookSheet(
            exports::periodRecords(stored({{"18 04 27 03 21", values}, {"24 02 29 23 59", values}, {"26 1A 06 14 05", counting(20, 0xFFF0)}})),
            0, 20, QStringLiteral("'冷库[1]/东:B*?\\'"));
        sheet.setNumber(3, 2, 1.5);  // out of order, and replacing a cell
        const QString xls = dir.filePath(QStringLiteral("p.xls")), xlsx = dir.filePath(QStringLiteral("时段.xlsx"));
        QString error;
        QVERIFY2(xls::writeWorkbook(xls, sheet, &error), qPrintable(error));
        QVERIFY(writeFile(xlsx, "earlier"));
        QVERIFY(::chmod(QFile::encodeName(xlsx).constData(), 0640) == 0);
        QVERIFY2(xlsx::writeWorkbook(xlsx, sheet, &error), qPrintable(error));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(xlsx).constData(), &st) == 0 && (st.st_mode & 07777) == 0640);
        QString why;
        const QByteArray fromXls = shownCells(xls, &why), fromXlsx = shownCells(xlsx, &why);
        QVERIFY2(!fromXls.isEmpty(), qPrintable(why));
        QCOMPARE(fromXlsx, fromXls);
        QVERIFY2(fromXlsx.contains("\"2018-04-27 03:21\",−999.9,−888.8,23.5,−12.3,00.5,1234.5,−5299.2,−00.5,,"), fromXlsx.constData());

        const QString big = dir.filePath(QStringLiteral("big.xlsx"));
        QVERIFY2(xlsx::writeWorkbook(big, exports::workbookSheet(exports::periodRecords(stored(manyRecords(70000))), 0), &error), qPrintable(error));
        const QList<QByteArray> lines = shownCells(big, &why).trimmed().split('\n');
        QCOMPARE(lines.size(), 70002);
        QVERIFY2(lines[70001].startsWith("\"2024-02-03 04:05\",−12.3,,"), lines[70001].constData());
        QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.part*")}, QDir::Files | QDir::Hidden).isEmpty());

        const QString read = openpyxlCells(xlsx);
        if (read.isNull())
            QSKIP("python3 not found: openpyxl's reading not checked");
        QCOMPARE(read, QStringLiteral("冷库_1__东_B___ 17.7109375\n"  // column A as wide as a date needs, as in the .xls
                                      "datetime 2018-04-27 03:21:00 yyyy-mm-dd hh:mm | float -999.9 #00.0\n"
                                      "datetime 2024-02-29 23:59:00 yyyy-mm-dd hh:mm | float -999.9 #00.0\n"
                                      "str 2026-1A-06 14:05 General | float -1.6 #00.0\n"));
    }

    // A refused or failed write names the file and why, leaves the earlier file and no temporary file.
    void xlsxFailureKeepsEarlierFile_data() { tableRows(failureRows()); }
    void xlsxFailureKeepsEarlierFile()
    {
        const auto &r = tableRow(failureRows());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.xlsx")), named = QString::fromUtf8(r.named);
        xls::Sheet earlier, sheet;
        earlier.setNumber(0, 0, 1.5);
        QVERIFY(xlsx::writeWorkbook(path, earlier, nullptr));
        const QByteArray before = readFile(path);
        sheet.setText(r.row, 0, r.text);
        QString error;
        QCOMPARE(xlsx::writeWorkbook(path, sheet, &error), named.isEmpty());
        QVERIFY(QDir(dir.path()).entryList({QStringLiteral("*.part*")}, QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY2(named.isEmpty() ? error.isEmpty() : error.contains(path) && error.contains(named), qPrintable(error));
        if (!named.isEmpty())
            QCOMPARE(readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestPeriodExport)
#include "test_periodexport.moc"
