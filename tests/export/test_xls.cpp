// The .xls writer: what freexl reads back from it, how a failed write leaves the folder, and the
// record-layout facts freexl does not check but Excel relies on.
#include "export/xlsworkbook.h"
#include "biffwalker.h"
#include "freexlreader.h"
#include "hexbytes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <freexl.h>

#include <cmath>
#include <sys/stat.h>

namespace {

using namespace biff;

// ---- The sheet the program writes --------------------------------------------------------------

const double kValues[] = {12.3, -12.3, 0, 1234.5, 5, -0.04, 0.05, 7.25, -7.25, 99.95, 100, -0.5, 65.5, -40, 0.949};
constexpr int kValueCount = int(std::size(kValues));
constexpr int kChannels = 20;

QString timeText(int dataRow)
{
    return QDateTime(QDate(2018, 4, 27), QTime(3, 21)).addSecs(60 * dataRow).toString(u"yyyy-MM-dd HH:mm ");
}

double valueAt(int dataRow, int channel) { return kValues[(dataRow * 7 + channel) % kValueCount]; }

// Row 1: the serial-number heading alone; row 2: date and channel headings; then the records.
Value programCell(int row, int column)
{
    if (row == 0)
        return column == 0 ? Value(QStringLiteral("传感器序列号")) : Value();
    if (row == 1)
        return column == 0 ? QStringLiteral("日期") : QStringLiteral("%1#传感器").arg(column);
    return column == 0 ? Value(timeText(row - 2)) : Value(valueAt(row - 2, column - 1));
}

xls::Sheet programSheet(int dataRows)
{
    xls::Sheet sheet(QStringLiteral("记录"));
    sheet.reserve(2 + kChannels + dataRows * (kChannels + 1));
    for (int row = 0; row < dataRows + 2; ++row)
        for (int column = 0; column <= kChannels; ++column) {
            const Value v = programCell(row, column);
            if (const QString *text = std::get_if<QString>(&v))
                sheet.setText(row, column, *text);
            else if (const double *number = std::get_if<double>(&v))
                sheet.setNumber(row, column, *number);
        }
    return sheet;
}

// ---- Strings for a shared-string table that needs many CONTINUE records --------------------------

// Distinct texts of varied length, a third of them Chinese, so that record ends fall inside texts
// of both kinds; none longer than two records hold (freexl reads no text that spans three).
QStringList variedStrings()
{
    const QString chinese = QStringLiteral("传感器温度湿度记录仪数据导出通道");
    const QString latin = QStringLiteral("Moisture 25.0°C reading é ");
    QStringList out;
    for (int i = 0; i < 2400; ++i) {
        const QString &fill = i % 3 == 0 ? chinese : latin;
        QString s = QString::number(i) + u'#';
        const int length = 5 + (i * 53) % 190;
        while (s.size() < length)
            s += fill.at(s.size() % fill.size());
        out << s;
    }
    out << QStringLiteral("长").repeated(4000);
    out << QStringLiteral("😀").repeated(2000);
    out << QString::number(1) + QStringLiteral("#传感器");
    return out;
}

// Texts over three records and more, with surrogate pairs at every record end.
QStringList giantStrings()
{
    return {QStringLiteral("长").repeated(20000), QStringLiteral("L").repeated(32767), QStringLiteral("😀").repeated(9000)};
}

bool noPartFiles(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("*.part*")}, QDir::Files | QDir::Hidden).isEmpty();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(xls::Sheet)

class TestXls : public QObject {
    Q_OBJECT

private slots:
    // ---- Read back by freexl ----------------------------------------------------------------

    void programSheetReadsBackCellByCell()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.xls"));
        const int dataRows = 3000;
        QString error;
        QVERIFY2(xls::writeWorkbook(path, programSheet(dataRows), &error), qPrintable(error));
        QVERIFY(error.isEmpty());

        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QCOMPARE(book.dimensions(), qMakePair(unsigned(dataRows + 2), unsigned(kChannels + 1)));
        QStringList faults;
        for (int row = 0; row < dataRows + 2; ++row)
            for (int column = 0; column <= kChannels; ++column)
                if (const QString f = book.check(row, column, programCell(row, column)); !f.isEmpty())
                    faults << f;
        QVERIFY2(faults.isEmpty(), qPrintable(QStringList(faults.mid(0, 5)).join(u"; ")));
        QVERIFY(noPartFiles(dir.path()));
    }

    void longStringTableGoesOnInContinueRecords()
    {
        const QStringList varied = variedStrings();
        const QStringList strings = varied + giantStrings();
        auto sheetOf = [](const QStringList &texts) {
            xls::Sheet sheet;
            for (int i = 0; i < texts.size(); ++i)
                sheet.setText(i, 0, texts[i]);
            sheet.setText(int(texts.size()), 0, texts[0]);  // used twice, stored once
            return sheet;
        };
        const xls::Sheet sheet = sheetOf(strings);

        // The scenario really splits texts of both kinds, and a reader finds every one whole.
        const QVector<Record> records = recordsOf(xls::workbookStream(sheet));
        QVERIFY(!records.isEmpty());
        for (const Record &r : records)
            QVERIFY2(r.data.size() <= 8224, qPrintable(QString::number(r.id, 16)));
        QVERIFY(ofId(records, kContinue).size() >= 20);
        const SharedStrings sst = sharedStrings(records);
        QVERIFY2(sst.fault.isEmpty(), qPrintable(sst.fault));
        QCOMPARE(sst.strings, strings);
        QCOMPARE(sst.total, quint32(strings.size() + 1));
        QVERIFY(sst.splitWide >= 10);
        QVERIFY(sst.splitNarrow >= 10);

        // EXTSST: every bucket's first string, by stream position and by offset in its record.
        const QVector<Record> ext = ofId(records, kExtsst);
        QCOMPARE(ext.size(), 1);
        const int perBucket = u16(ext[0].data, 0);
        QVERIFY(perBucket >= 8);
        const int buckets = (int(strings.size()) + perBucket - 1) / perBucket;
        QVERIFY(buckets <= 128);
        QCOMPARE(ext[0].data.size(), 2 + 8 * buckets);
        for (int b = 0; b < buckets; ++b) {
            QCOMPARE(qsizetype(u32(ext[0].data, 2 + 8 * b)), sst.streamPos[b * perBucket]);
            QCOMPARE(int(u16(ext[0].data, 6 + 8 * b)), sst.recordOffset[b * perBucket]);
        }

        // freexl reads texts that span at most two records: the varied ones.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("varied.xls"));
        QString error;
        QVERIFY2(xls::writeWorkbook(path, sheetOf(varied), &error), qPrintable(error));
        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QStringList faults;
        for (int i = 0; i <= varied.size(); ++i)
            if (const QString f = book.check(i, 0, varied[i % varied.size()]); !f.isEmpty())
                faults << f;
        QVERIFY2(faults.isEmpty(), qPrintable(QStringList(faults.mid(0, 5)).join(u"; ")));
    }

    void laterCellReplacesEarlierInAnyOrder()
    {
        xls::Sheet sheet;
        sheet.setNumber(2, 1, 12.3);
        sheet.setText(0, 0, QStringLiteral("旧"));
        sheet.setText(2, 0, QStringLiteral("2018-04-27 03:21 "));
        sheet.setNumber(0, 0, -7.5);                   // number over text
        sheet.setNumber(1, 3, 1);
        sheet.setText(1, 3, QStringLiteral("1#传感器"));  // text over number
        sheet.setText(1, 0, QStringLiteral("a"));
        sheet.setText(1, 0, QStringLiteral("日期"));      // text over text

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("order.xls"));
        QString error;
        QVERIFY2(xls::writeWorkbook(path, sheet, &error), qPrintable(error));
        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QCOMPARE(book.dimensions(), qMakePair(3u, 4u));
        const struct {
            int row, column;
            Value value;
        } expected[] = {
            {0, 0, -7.5}, {1, 0, QStringLiteral("日期")}, {1, 3, QStringLiteral("1#传感器")},
            {2, 0, QStringLiteral("2018-04-27 03:21 ")}, {2, 1, 12.3}, {0, 1, Value()}, {2, 3, Value()},
        };
        for (const auto &e : expected)
            QVERIFY2(book.check(e.row, e.column, e.value).isEmpty(), qPrintable(book.check(e.row, e.column, e.value)));

        // Replaced texts take no place among the shared strings.
        const SharedStrings sst = sharedStrings(recordsOf(xls::workbookStream(sheet)));
        QCOMPARE(sst.strings, (QStringList{QStringLiteral("日期"), QStringLiteral("1#传感器"), QStringLiteral("2018-04-27 03:21 ")}));
        QCOMPARE(sst.total, 3u);
    }

    // ---- What a sheet may hold --------------------------------------------------------------

    void limits_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("named");  // what the message names

        const QVariant text = QStringLiteral("传感器");
        QTest::newRow("last row and column") << 65535 << 255 << text << true << QString();
        QTest::newRow("row 65537") << 65536 << 0 << text << false << QStringLiteral("65537");
        QTest::newRow("column 257") << 0 << 256 << QVariant(12.3) << false << QStringLiteral("257");
        QTest::newRow("negative row") << -1 << 0 << QVariant(12.3) << false << QStringLiteral("0");
        QTest::newRow("negative column") << 0 << -1 << text << false << QStringLiteral("0");
        QTest::newRow("longest text") << 3 << 2 << QVariant(QString(32767, u'传')) << true << QString();
        QTest::newRow("text too long") << 3 << 2 << QVariant(QString(32768, u'x')) << false << QStringLiteral("32768");
        QTest::newRow("not a number") << 3 << 2 << QVariant(std::nan("")) << false << QStringLiteral("第 4 行第 3 列");
        QTest::newRow("infinite") << 3 << 2 << QVariant(-HUGE_VAL) << false << QStringLiteral("第 4 行第 3 列");
    }

    void limits()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(QString, named);

        xls::Sheet sheet;
        sheet.setText(0, 0, QStringLiteral("日期"));
        if (value.typeId() == QMetaType::QString)
            sheet.setText(row, column, value.toString());
        else
            sheet.setNumber(row, column, value.toDouble());

        // Written over an earlier export: refused, the earlier one stays as it was.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("导出.xls"));
        QVERIFY(xls::writeWorkbook(path, programSheet(3), nullptr));
        const QByteArray before = fileBytes(path);
        QString error;
        QCOMPARE(xls::writeWorkbook(path, sheet, &error), accepted);
        QCOMPARE(xls::workbookStream(sheet).isEmpty(), !accepted);
        QVERIFY(noPartFiles(dir.path()));
        if (!accepted) {
            QVERIFY2(error.contains(path) && error.contains(named), qPrintable(error));
            QCOMPARE(fileBytes(path), before);
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString text = value.toString();
        if (text.size() > 4000) {  // beyond freexl's reach: read the stream instead
            QVERIFY(sharedStrings(recordsOf(xls::workbookStream(sheet))).strings.contains(text));
            return;
        }
        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QCOMPARE(book.dimensions(), qMakePair(unsigned(row + 1), unsigned(column + 1)));
        QVERIFY(book.check(row, column, text).isEmpty());
    }

    // ---- Failures leave the folder as it was ------------------------------------------------

    void missingFolderLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("没有/records.xls"));
        QString error;
        QVERIFY(!xls::writeWorkbook(path, programSheet(5), &error));
        QVERIFY2(error.contains(path) && error.contains(QStringLiteral("文件夹不存在")), qPrintable(error));
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    }

    void folderInTheWayIsLeftAlone()
    {
        // The temporary file is written in full; only the rename fails, and it is removed.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.xls"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        QString error;
        QVERIFY(!xls::writeWorkbook(path, programSheet(5), &error));
        QVERIFY2(error.contains(path), qPrintable(error));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("inside")});
        QVERIFY(noPartFiles(dir.path()));
    }

    void replacingKeepsTheFilesPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("records.xls"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("not a workbook");
        }
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QString error;
        QVERIFY2(xls::writeWorkbook(path, programSheet(4), &error), qPrintable(error));
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        FreeXl book(path);
        QCOMPARE(book.status(), FREEXL_OK);
        QVERIFY(book.check(5, 20, valueAt(3, 19)).isEmpty());
        QVERIFY(noPartFiles(dir.path()));
    }

    // ---- Record layout that the readers above do not check ----------------------------------

    void stringBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored");  // length, flags, characters

        QTest::newRow("ASCII, one byte each") << QStringLiteral("Ab") << hx("02 00 00 41 62");
        QTest::newRow("Latin-1 stays one byte") << QStringLiteral("25°é") << hx("04 00 00 32 35 B0 E9");
        QTest::newRow("Chinese, UTF-16") << QStringLiteral("日期") << hx("02 00 01 E5 65 1F 67");
        QTest::newRow("one wide character widens all") << QStringLiteral("1#传") << hx("03 00 01 31 00 23 00 20 4F");
        QTest::newRow("pair counts two") << QStringLiteral("😀") << hx("02 00 01 3D D8 00 DE");
        QTest::newRow("empty") << QString() << hx("00 00 00");
    }

    void stringBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        xls::Sheet sheet;
        sheet.setText(0, 0, text);
        const QVector<Record> sst = ofId(recordsOf(xls::workbookStream(sheet)), kSst);
        QCOMPARE(sst.size(), 1);
        QCOMPARE(sst[0].data, hx("01 00 00 00 01 00 00 00") + stored);
    }

    void sheetRecords_data()
    {
        QTest::addColumn<xls::Sheet>("sheet");
        QTest::addColumn<QByteArray>("dimensions");
        QTest::addColumn<QByteArray>("name");  // as BOUNDSHEET holds it

        QTest::newRow("empty") << xls::Sheet() << hx("00 00 00 00  00 00 00 00  00 00  00 00  00 00") << hx("06 00 53 68 65 65 74 31");
        xls::Sheet one(QStringLiteral("a/b:c?*[d]"));
        one.setNumber(3, 5, 1.5);
        QTest::newRow("one cell; name without :\\/?*[]")
            << one << hx("03 00 00 00  04 00 00 00  05 00  06 00  00 00") << hx("0A 00 61 5F 62 5F 63 5F 5F 5F 64 5F");
        QTest::newRow("program sheet") << programSheet(3000) << hx("00 00 00 00  BA 0B 00 00  00 00  15 00  00 00")
                                       << hx("02 01 B0 8B 55 5F");
        xls::Sheet strings(QStringLiteral("x").repeated(40));
        for (const QString &s : variedStrings() + giantStrings())
            strings.setText(int(strings.cells().size()) + 7, 2, s);
        QTest::newRow("long strings, name cut to 31")
            << strings << hx("07 00 00 00  6D 09 00 00  02 00  03 00  00 00") << hx("1F 00") + QByteArray(31, 'x');
    }

    void sheetRecords()
    {
        QFETCH(xls::Sheet, sheet);
        QFETCH(QByteArray, dimensions);
        QFETCH(QByteArray, name);

        const QByteArray stream = xls::workbookStream(sheet);
        const QVector<Record> records = recordsOf(stream);
        QVERIFY(!records.isEmpty());
        QCOMPARE(records.front().id, kBof);
        QCOMPARE(records.front().data.left(4), hx("00 06 05 00"));  // BIFF8, globals
        QCOMPARE(ofId(records, kCodepage).value(0).data, hx("B0 04"));
        QCOMPARE(ofId(records, kWindow1).size(), 1);

        // BOUNDSHEET points at the worksheet's BOF, right after the globals' EOF.
        const QVector<Record> sheets = ofId(records, kBoundsheet);
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0].data.mid(6), name);
        const qsizetype bofAt = u32(sheets[0].data, 0);
        qsizetype index = -1;
        for (qsizetype i = 0; i < records.size(); ++i)
            if (records[i].at == bofAt)
                index = i;
        QVERIFY2(index > 0, "BOUNDSHEET does not point at a record");
        QCOMPARE(records[index].id, kBof);
        QCOMPARE(records[index].data.left(4), hx("00 06 10 00"));
        QCOMPARE(records[index - 1].id, kEof);
        QCOMPARE(ofId(records, kEof).size(), 2);
        QCOMPARE(records.back().id, kEof);
        QCOMPARE(records[records.size() - 2].id, kWindow2);
        QCOMPARE(ofId(records, kDimensions).value(0).data, dimensions);
        for (const Record &r : records)
            QVERIFY(r.data.size() <= 8224);
    }

    void cellsUseTheirFormats()
    {
        // Every number cell is shown through "#00.0", every text through General, each by a
        // cell XF whose font exists (Excel numbers no font 4).
        const QVector<Record> records = recordsOf(xls::workbookStream(programSheet(20)));
        const QVector<Record> fonts = ofId(records, kFont), formats = ofId(records, kFormat),
                              xfs = ofId(records, kXf);
        QCOMPARE(fonts.size(), 5);
        QVERIFY(xfs.size() >= 17);
        QCOMPARE(ofId(records, kStyle).size(), 1);
        for (int i = 0; i < 15; ++i)
            QVERIFY2(u16(xfs[i].data, 4) & 0x0004, "the first 15 XFs are styles");
        for (const Record &xf : xfs) {
            const int font = u16(xf.data, 0);
            QVERIFY(font != 4 && font <= 5);
        }
        QHash<int, QString> formatText;
        for (const Record &f : formats) {
            const int length = u16(f.data, 2);
            QCOMPARE(f.data.size(), 5 + length);
            QCOMPARE(f.data[4], '\0');
            formatText.insert(u16(f.data, 0), QString::fromLatin1(f.data.mid(5)));
        }

        auto formatOfCell = [&](const Record &cell) -> QString {
            const int xf = u16(cell.data, 4);
            if (xf >= xfs.size() || xf < 15 || (u16(xfs[xf].data, 4) & 0xFFF4) != 0)
                return QStringLiteral("XF %1 is not a cell XF on Normal").arg(xf);
            const int format = u16(xfs[xf].data, 2);
            if (format == 0)
                return QStringLiteral("General");
            return format >= 164 ? formatText.value(format, QStringLiteral("missing FORMAT")) : QStringLiteral("built-in");
        };
        const QVector<Record> numbers = ofId(records, kNumber), texts = ofId(records, kLabelsst);
        QCOMPARE(numbers.size(), 20 * kChannels);
        QCOMPARE(texts.size(), 1 + 1 + kChannels + 20);
        for (const Record &n : numbers)
            QCOMPARE(formatOfCell(n), xls::Sheet::numberFormat());
        for (const Record &t : texts)
            QCOMPARE(formatOfCell(t), QStringLiteral("General"));
    }
};

QTEST_GUILESS_MAIN(TestXls)
#include "test_xls.moc"
