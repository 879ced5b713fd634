// The recorder settings file: what is written reads back as the same words, and a damaged or
// hand-edited file that would write a wrong register is refused, naming the line at fault.
#include "core/config/settingsfile.h"
#include "tablerows.h"
#include <QTest>

using namespace settingsfile;

namespace {
Words sample()
{
    Words w;
    int i = 0;
    for (uint16_t r : registers())
        w[r] = uint16_t(i++ * 641);
    w[25] = 65535;  // read-all shows it as 0, the file keeps the word
    w[26] = 40001;  // read-all shows it negative
    return w;
}

QByteArray file() { return write(sample(), 21, QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))); }

// The line number of register reg in file().
int lineOf(uint16_t reg)
{
    const QList<QByteArray> lines = file().split('\n');
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(QByteArray::number(reg) + '\t'))
            return i + 1;
    return 0;
}

// file() with the line of reg replaced (an empty with drops it).
QByteArray edited(uint16_t reg, const QByteArray &with)
{
    QList<QByteArray> lines = file().split('\n');
    lines[lineOf(reg) - 1] = with;
    return lines.join('\n');
}
int lastLine() { return int(file().count('\n')); }

// What a person's editor or hand may do to a file that still means the same words.
const auto &acceptedRows() { static const struct { const char *name; QByteArray text; int reg, word; } rows[] = {
    {"CR LF and a BOM", "\xEF\xBB\xBF" + file().replace("\n", "\r\n"), 26, 40001},
    {"comments, blanks", edited(25, "\n  # x\t\t\n 25 \t 传感器类型  测点2 \t+7 \n#"), 25, 7},
    {"negative as the box", edited(25, "25\t传感器类型 测点2\t-2"), 25, 65534},
    {"lowest", edited(130, "130\tRS485轮循数据长度 测点1\t-32768"), 130, 32768},
    {"whole with zeros", edited(116, "116\t记录时间间隔\t65535.00"), 116, 65535},
    {"no final line end", file().chopped(1), 116, 64741},
}; return rows; }

const auto &refusedRows() {
    const int l25 = lineOf(25);
    static const struct { const char *name; QByteArray text; int line; QString says; } rows[] = {
        {"empty", QByteArray(), 1, "不是记录仪设置文件"},
        {"comment first", "# x\n" + file(), 1, "不是记录仪设置文件"},
        {"binary", QByteArray("\x00\xFF\x01\n\x02", 5), 1, "UTF-8"},
        {"later version", file().replace("设置 1\n", "设置 2\n"), 1, "版本“2”不受支持"},
        {"GBK name", edited(25, "25\t\xB4\xAB\xB8\xD0\xC6\xF7 2\t1"), l25, "UTF-8"},
        {"spaces for tabs", edited(25, "25  传感器类型 测点2  1"), l25, "制表符"},
        {"fourth field", edited(25, "25\t传感器类型 测点2\t1\t"), l25, "制表符"},
        {"between the parts", edited(25, "105\t\t1"), l25, "“105”不是设置文件所含的寄存器"},
        {"past the table", edited(25, "150\t\t1"), l25, "“150”不是"},
        {"register no number", edited(25, "0x19\t传感器类型 测点2\t1"), l25, "“0x19”不是"},
        {"register past 16 bits", edited(25, "65560\t传感器类型 测点2\t1"), l25, "不是设置文件"},
        {"moved to the wrong line", edited(25, "25\t传感器类型 测点3\t1"), l25, "寄存器 25 是“传感器类型 测点2”"},
        {"twice", file() + "24\t传感器类型 测点1\t1\n", lastLine() + 1, QString("已在第 %1 行").arg(lineOf(24))},
        {"fraction", edited(25, "25\t传感器类型 测点2\t12.5"), l25, "“12.5”不是 -32768 到 65535 之间的整数"},
        {"past 16 bits", edited(25, "25\t传感器类型 测点2\t65536"), l25, "不是 -32768"},
        {"below the box", edited(25, "25\t传感器类型 测点2\t-32769"), l25, "不是 -32768"},
        {"negative interval", edited(116, "116\t记录时间间隔\t-1"), lastLine(), "不是 0 到 65535"},
        {"no value", edited(25, "25\t传感器类型 测点2\t"), l25, "“”不是"},
        {"exponent", edited(25, "25\t传感器类型 测点2\t1e3"), l25, "“1e3”"},
        {"huge line", edited(25, QByteArray(1 << 20, 'x')), l25, "“xxxxxxxxxxxxxxxxxxxxxxxx…”"},
        {"no interval", edited(116, ""), lastLine(), "缺少寄存器 116（记录时间间隔）"},
        {"cut short", file().left(file().indexOf("\n26\t") + 1), lineOf(26) - 1, "缺少寄存器 26（传感器类型 测点3）等 100 个"},
    }; return rows; }
} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void layoutAndRoundTrip()
    {
        QCOMPARE((QStringList{describe(104), describe(105)}), (QStringList{"RS485 MODBUS-RTU轮循设备总数", ""}));
        const QStringList lines = QString::fromUtf8(file()).split(QLatin1Char('\n'));
        QCOMPARE(lines[0], QStringLiteral("WL8806N 记录仪设置 1"));
        QVERIFY(lines.filter(QStringLiteral("# ")).join(QString()).contains(QStringLiteral("21，时间 2025-03-14 09:26:53")));
        QVERIFY(lines.filter(QStringLiteral("136（RS485轮循数据长度 测点7）也是记录仪的传感器总数，此文件中为 55767")).size() == 1);
        QCOMPARE(lines.value(lineOf(24) - 1), QStringLiteral("24\t传感器类型 测点1\t0"));
        QCOMPARE(lines.value(lineOf(26) - 1), QStringLiteral("26\t传感器类型 测点3\t40001"));
        QCOMPARE(lines.value(lastLine() - 1), QStringLiteral("116\t记录时间间隔\t64741"));

        const Parsed back = parse(file());
        QVERIFY2(back.words, qPrintable(back.error));
        QCOMPARE(*back.words, sample());

        Words device = sample();
        device[25] = 1, device[136] = 20, device[116] = 59;
        QList<int> diff;
        for (const Difference &d : differences(device, sample()))
            diff << d.reg << d.device << d.file;
        QCOMPARE(diff, (QList<int>{25, 1, 65535, 136, 20, 55767, 116, 59, 64741}));
        QCOMPARE(groupsOf({116, 136, 25, 30}), (QList<int>{0, 4}));
        QCOMPARE(groupsOf({104, 44, 103, 84}), (QList<int>{1, 3, 5}));
        QCOMPARE(groupsOf({116, 105}), QList<int>());
    }

    void accepted_data() { tableRows(acceptedRows()); }
    void accepted()
    {
        const auto &r = tableRow(acceptedRows());
        const Parsed p = parse(r.text);
        QVERIFY2(p.words && p.error.isEmpty(), qPrintable(p.error));
        Words expected = sample();
        expected[uint16_t(r.reg)] = uint16_t(r.word);
        QCOMPARE(*p.words, expected);
    }

    void refused_data() { tableRows(refusedRows()); }
    void refused()
    {
        const auto &r = tableRow(refusedRows());
        const Parsed p = parse(r.text);
        QVERIFY(!p.words);
        QVERIFY2(p.error.startsWith(QStringLiteral("第 %1 行：").arg(r.line)) && p.error.contains(r.says), qPrintable(p.error));
        QVERIFY(!p.error.contains(QLatin1Char('\n')) && p.error.size() < 120);
    }
};

QTEST_APPLESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
