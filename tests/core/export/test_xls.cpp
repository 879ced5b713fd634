// The .xls writer: what freexl reads back from it, what a refused or failed write leaves, and the
// record layout freexl does not check but Excel relies on.
#include "core/export/xlsworkbook.h"
#include "biffwalker.h"
#include "freexlreader.h"
#include "hexbytes.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace biff;

namespace {
const double kValues[] = {12.3, -12.3, 0, 1234.5, 5, -0.04, 0.05, 7.25, -7.25, 99.95, 100, -0.5, 65.5, -40, 0.949};
constexpr int kChannels = 20;

// Row 1: the serial-number heading alone; row 2: date and channel headings; then the records.
Value programCell(int row, int column)
{
    if (row < 2)
        return column == 0 ? Value(row == 0 ? QStringLiteral("传感器序列号") : QStringLiteral("日期"))
            : row == 0     ? Value()
                           : Value(QStringLiteral("%1#传感器").arg(column));
    if (column == 0)  // every minute of the day, over the leap day and the turn of a year
        return QDateTime(QDate(2023, 12, 31), QTime(23, 59)).addSecs(60 * 37 * (row - 2));
    return kValues[((row - 2) * 7 + column - 1) % std::size(kValues)];
}

void put(xls::Sheet &sheet, int row, int column, const Value &v)
{
    if (const QString *text = std::get_if<QString>(&v))
        sheet.setText(row, column, *text);
    else if (const double *number = std::get_if<double>(&v))
        sheet.setNumber(row, column, *number);
    else if (const QDateTime *at = std::get_if<QDateTime>(&v))
        sheet.setDateTime(row, column, *at);
}

xls::Sheet programSheet(int dataRows)
{
    xls::Sheet sheet(QStringLiteral("记录"));
    sheet.setNumber(0, 0, 1.5);  // a later cell replaces an earlier one, whatever either holds
    sheet.setText(2, 1, QStringLiteral("replaced"));
    for (int row = 0; row < dataRows + 2; ++row)
        for (int column = 0; column <= kChannels; ++column)
            put(sheet, row, column, programCell(row, column));
    return sheet;
}

// Distinct texts of varied length, a third of them Chinese, so that record ends fall inside texts
// of both kinds; none longer than two records hold (freexl reads no text that spans three).
QStringList variedStrings()
{
    const QString chinese = QStringLiteral("传感器温度湿度记录仪数据导出通道"), latin = QStringLiteral("Moisture 25.0°C é ");
    QStringList out;
    for (int i = 0; i < 2400; ++i) {
        const QString &fill = i % 3 ? latin : chinese;
        QString s = QString::number(i) + u'#';
        while (s.size() < 5 + (i * 53) % 190)
            s += fill.at(s.size() % fill.size());
        out << s;
    }
    return out << QStringLiteral("长").repeated(4000) << QStringLiteral("😀").repeated(2000);
}

bool noPartFiles(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.part*")}, QDir::Files | QDir::Hidden).isEmpty();
}

// What a sheet may hold, and where it may go ("导出.xls" is there already; named "": accepted).
const char *const Earlier = "导出.xls";
const auto &refusalRows() {
    const Value text = QStringLiteral("传感器");
    static const struct { const char *name; int row, column; Value value; const char *where, *named; } rows[] = {
        {"last row and column", 65535, 255, text, Earlier, ""}, {"longest text", 3, 2, QString(32767, u'传'), Earlier, ""},
        {"first date", 3, 2, QDateTime(QDate(1900, 3, 1), QTime(0, 0)), Earlier, ""},
        {"the recorder's last date", 3, 2, QDateTime(QDate(2099, 12, 31), QTime(23, 59)), Earlier, ""},
        {"date before March 1900", 3, 2, QDateTime(QDate(1900, 2, 28), QTime(23, 59)), Earlier, "第 4 行第 3 列"},
        {"after 9999", 3, 2, QDateTime(QDate(10000, 1, 1), QTime(0, 0)), Earlier, "第 4 行第 3 列"},
        {"no date", 3, 2, QDateTime(), Earlier, "第 4 行第 3 列"},
        {"row 65537", 65536, 0, text, Earlier, "65537"}, {"column 257", 0, 256, 12.3, Earlier, "257"},
        {"negative row", -1, 0, 12.3, Earlier, "0"}, {"text too long", 3, 2, QString(32768, u'x'), Earlier, "32768"},
        {"not a number", 3, 2, std::nan(""), Earlier, "第 4 行第 3 列"}, {"infinite", 3, 2, -HUGE_VAL, Earlier, "第 4 行第 3 列"},
        {"missing folder", 0, 0, text, "没有/r.xls", "文件夹不存在"}, {"a folder in the way", 0, 0, text, "dir.xls", "dir.xls"},
    }; return rows; }
} // namespace

class TestXls : public QObject {
    Q_OBJECT
private slots:
    // Every cell as freexl reads it, signs included; written over an earlier file, keeping its permissions.
    void programSheetReadsBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.xls"));
        const int dataRows = 3000;
        QVERIFY(writeFile(path, "not a workbook"));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QString error;
        QVERIFY2(xls::writeWorkbook(path, programSheet(dataRows), &error), qPrintable(error));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QVERIFY(noPartFiles(dir.path()));

        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QCOMPARE(book.sheetName(), QStringLiteral("记录"));
        QCOMPARE(book.dimensions(), qMakePair(unsigned(dataRows + 2), unsigned(kChannels + 1)));
        QStringList faults;
        for (int row = 0; row < dataRows + 2; ++row)
            for (int column = 0; column <= kChannels; ++column)
                if (const QString f = book.check(row, column, programCell(row, column)); !f.isEmpty())
                    faults << f;
        QVERIFY2(faults.isEmpty(), qPrintable(QStringList(faults.mid(0, 5)).join(u"; ")));
        // Replaced texts take no place among the shared strings.
        QVERIFY(!sharedStrings(recordsOf(xls::workbookStream(programSheet(1)))).strings.contains(QStringLiteral("replaced")));
    }

    void sharedStringsGoOnInContinueRecords()
    {
        const QStringList varied = variedStrings();
        // Texts over three records and more, with surrogate pairs at every record end.
        const QStringList strings = varied + QStringList{QStringLiteral("长").repeated(20000), QString(32767, u'L'), QStringLiteral("😀").repeated(9000)};
        auto sheetOf = [](const QStringList &texts) {
            xls::Sheet sheet;
            for (int i = 0; i < texts.size(); ++i)
                sheet.setText(i, 0, texts[i]);
            sheet.setText(int(texts.size()), 0, texts[0]);  // used twice, stored once
            return sheet;
        };
        // The texts really are split, of both kinds, and a reader finds every one whole.
        const QVector<Record> records = recordsOf(xls::workbookStream(sheetOf(strings)));
        for (const Record &r : records)
            QVERIFY2(r.data.size() <= 8224, qPrintable(QString::number(r.id, 16)));
        const SharedStrings sst = sharedStrings(records);
        QVERIFY2(sst.fault.isEmpty(), qPrintable(sst.fault));
        QCOMPARE(sst.strings, strings);
        QCOMPARE(sst.total, quint32(strings.size() + 1));
        QVERIFY(sst.splitWide >= 10 && sst.splitNarrow >= 10);
        // EXTSST: every bucket's first string, by stream position and by offset in its record.
        const QVector<Record> ext = ofId(records, kExtsst);
        QCOMPARE(ext.size(), 1);
        const int perBucket = u16(ext[0].data, 0), buckets = (int(strings.size()) + perBucket - 1) / perBucket;
        QVERIFY(perBucket >= 8 && buckets <= 128);
        QCOMPARE(ext[0].data.size(), 2 + 8 * buckets);
        for (int b = 0; b < buckets; ++b) {
            QCOMPARE(qsizetype(u32(ext[0].data, 2 + 8 * b)), sst.streamPos[b * perBucket]);
            QCOMPARE(int(u16(ext[0].data, 6 + 8 * b)), sst.recordOffset[b * perBucket]);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("varied.xls"));
        QString error;
        QVERIFY2(xls::writeWorkbook(path, sheetOf(varied), &error), qPrintable(error));
        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        for (int i = 0; i <= varied.size(); ++i)
            QVERIFY2(book.check(i, 0, varied[i % varied.size()]).isEmpty(), qPrintable(book.check(i, 0, varied[i % varied.size()])));
    }

    // A refusal names the file and the reason, and the earlier file stays as it was.
    void refusedOrFailed_data() { tableRows(refusalRows()); }
    void refusedOrFailed()
    {
        const auto &r = tableRow(refusalRows());
        xls::Sheet sheet;
        sheet.setText(0, 0, QStringLiteral("日期"));
        put(sheet, r.row, r.column, r.value);
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromUtf8(r.where)), named = QString::fromUtf8(r.named);
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("dir.xls/inside"))));
        QVERIFY(xls::writeWorkbook(dir.filePath(QString::fromUtf8(Earlier)), programSheet(3), nullptr));
        const QByteArray before = readFile(path);
        QString error;
        QVERIFY(xls::writeWorkbook(path, sheet, &error) == named.isEmpty() && noPartFiles(dir.path()));
        QVERIFY2(named.isEmpty() ? error.isEmpty() : error.contains(path) && error.contains(named), qPrintable(error));
        if (!named.isEmpty())
            QCOMPARE(readFile(path), before);
        else if (const QString *t = std::get_if<QString>(&r.value); !t || t->size() < 4000) {  // freexl reads no longer text
            FreeXl book(path);
            QVERIFY(book.dimensions() == qMakePair(unsigned(r.row + 1), unsigned(r.column + 1)));
            QVERIFY2(book.check(r.row, r.column, r.value).isEmpty(), qPrintable(book.check(r.row, r.column, r.value)));
        }
    }

    void layout()
    {
        xls::Sheet named(QStringLiteral("a/b:c?*[d]").repeated(4));
        named.setNumber(3, 5, 1.5);
        const QVector<Record> records = recordsOf(xls::workbookStream(named));
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.front().data.left(4), hx("00 06 05 00"));  // BIFF8, globals
        QCOMPARE(ofId(records, kCodepage).value(0).data, hx("B0 04"));
        // BOUNDSHEET: the name without :\/?*[] and cut to 31 (where it points, freexl follows above).
        const QVector<Record> sheets = ofId(records, kBoundsheet);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].data.mid(6), hx("1F 00") + QByteArray("a_b_c___d_").repeated(4).left(31));
        QCOMPARE(records.back().id, kEof);
        QCOMPARE(ofId(records, kDimensions).value(0).data, hx("03 00 00 00  04 00 00 00  05 00  06 00  00 00"));

        // Every number cell shown through "#00.0", every date through "yyyy-mm-dd hh:mm" and every text
        // through General, each by a cell XF whose font exists (Excel numbers no font 4); dates from 1900,
        // in a column wide enough to show them.
        const QVector<Record> program = recordsOf(xls::workbookStream(programSheet(20)));
        const QVector<Record> xfs = ofId(program, kXf);
        QCOMPARE(ofId(program, kFont).size(), 5);
        QHash<int, QString> formats;
        for (const Record &f : ofId(program, kFormat))
            formats.insert(u16(f.data, 0), QString::fromLatin1(f.data.mid(5)));
        auto formatOf = [&](const Record &cell) -> QString {
            const int xf = u16(cell.data, 4);
            if (xf >= xfs.size() || xf < 15 || (u16(xfs[xf].data, 4) & 0xFFF4) != 0 || u16(xfs[xf].data, 0) == 4)
                return QStringLiteral("XF %1 is not a cell XF on Normal").arg(xf);
            const int format = u16(xfs[xf].data, 2);
            return format == 0 ? QStringLiteral("General") : formats.value(format, QStringLiteral("missing FORMAT"));
        };
        QCOMPARE(ofId(program, kNumber).size(), 20 * (kChannels + 1));
        for (const Record &n : ofId(program, kNumber))
            QCOMPARE(formatOf(n), u16(n.data, 2) == 0 ? xls::Sheet::dateFormat() : xls::Sheet::numberFormat());
        QCOMPARE(ofId(program, kDatemode).value(0).data, hx("00 00"));
        QCOMPARE(ofId(program, kColinfo).value(0).data.left(6), hx("00 00  00 00  00 11"));  // column A: a date's 16 characters and one
        for (const Record &t : ofId(program, kLabelsst))
            QCOMPARE(formatOf(t), QStringLiteral("General"));
    }
};

QTEST_GUILESS_MAIN(TestXls)
#include "test_xls.moc"
