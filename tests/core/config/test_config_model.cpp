// The recorder settings without a window: the polling table's register map and groups, what read-all
// shows and writes back, the clock fields, and what a write's reply says.
#include "core/config/clockfields.h"
#include "core/config/pollingtable.h"
#include "core/config/recordersettings.h"
#include "hexbytes.h"
#include "tablerows.h"
#include <QTest>
#include <set>

// Boundaries of the map: 0–80 → 24–104, 81–100 → 130–149; the box's group k and the coil committing it.
const auto &boxRows() { static const struct { int box, reg, k, coil; } rows[] = {
    {0, 24, 0, 0}, {19, 43, 0, 0}, {20, 44, 1, 1}, {39, 63, 1, 1}, {40, 64, 2, 2}, {59, 83, 2, 2}, {60, 84, 3, 4},
    {79, 103, 3, 4}, {80, 104, 5, 5}, {81, 130, 4, 6}, {87, 136, 4, 6}, {100, 149, 4, 6}}; return rows; }

const auto &readBackRows() { static const struct { const char *text; int read, word; const char *rounding; } rows[] = {
    {"0", 0xFFFF, 0xFFFF, ""}, {"00", 0xFFFF, 0, ""}, {"1", 0xFFFF, 1, ""}, {"0.4", 0xFFFF, 0, "“0.4”已取整为 0"},
    {"abc", 0xFFFF, -1, ""}, {"-25535", 0x9C41, 0x9C41, ""}, {"40000", 0x9C41, 40000, ""},
    {"13.5", -1, 14, "“13.5”已取整为 14"}, {" 12.4", -1, 12, "“12.4”已取整为 12"}, {"12.0", -1, 12, ""},
}; return rows; }

Exchange exchange(const QByteArray &request, const QByteArray &reply)
{
    return Exchange{.sent = true, .request = request, .reply = reply, .info = modbus::classifyReply(request, reply), .stateText = {}};
}

const auto &writeRows() {
    const QByteArray write = modbus::writeRegister(21, 116, 60), clear = modbus::writeRegisters(21, 121, QByteArray(2, '\0'));
    Exchange stopped = exchange(write, write);
    stopped.aborted = true;
    static const struct { const char *name; Exchange ex; const char *says; } rows[] = {
        {"echo", exchange(write, write), ""}, {"no reply", exchange(write, QByteArray()), "无应答"},
        {"exception", exchange(write, hx("15 86 02 83 A5")), "非法数据地址"}, {"bad crc", exchange(write, hx("15 06 00 74 00 3C CA D6")), "CRC"},
        {"another value", exchange(write, modbus::writeRegister(21, 116, 61)), "不一致"},  // well formed, but not what was asked
        {"16 answered", exchange(clear, hx("15 10 00 79 00 01 D3 04")), ""},           // 16 answers with its first six bytes
        {"16 echoed", exchange(clear, clear), "应答"},                              // the request itself is no answer
        {"port closed", Exchange(), "端口未打开"}, {"stopped", stopped, "停"},
    }; return rows; }

class TestConfigModel : public QObject {
    Q_OBJECT
private slots:
    void boxRegisters_data() { tableRows(boxRows(), [](const auto &r) { return QStringLiteral("box %1").arg(r.box); }); }
    void boxRegisters()
    {
        const auto &r = tableRow(boxRows());
        const polling::Group &g = polling::groupOfBox(r.box);
        QCOMPARE((QList<int>{polling::registerOf(r.box), g.k, g.coil}), (QList<int>{r.reg, r.k, r.coil}));
        QCOMPARE(&g, &polling::groups()[r.k]);
    }

    void registerMap()
    {
        // Every box its own register, none of them among the interval, clock and memory registers.
        std::set<int> regs;
        for (int i = 0; i < polling::BoxCount; ++i)
            regs.insert(polling::registerOf(i) > 104 && polling::registerOf(i) < 130 ? -1 : polling::registerOf(i));
        QVERIFY(int(regs.size()) == polling::BoxCount && !regs.count(-1));
        QCOMPARE(polling::groups()[1].boxCaption(22), QStringLiteral("RS485轮循设备地址 测点3"));
        QCOMPARE(polling::groups()[5].boxCaption(80), QStringLiteral("RS485 MODBUS-RTU轮循设备总数"));
    }

    // Every word read-all shows is written back unchanged, FFFF (shown as 0) through what the read
    // remembers; every other one from its text alone, as typed.
    void readAllRoundTripsEveryWord()
    {
        for (int w = 0; w <= 0xFFFF; ++w) {
            const polling::ReadBack read = polling::readAllBox(uint16_t(w));
            const auto back = polling::boxWrite(read.text, read);
            const auto typed = polling::boxWrite(read.text, std::nullopt);
            QVERIFY2(back && typed, qPrintable(read.text));
            if (back->word != w || typed->word != (w == 0xFFFF ? 0 : w))
                QFAIL(qPrintable(QStringLiteral("word %1 shows %2, written back as %3").arg(w).arg(read.text).arg(back->word)));
        }
    }

    // A box read-all filled: what it writes once edited, and the rounding it says (the plain rules of
    // the box text are in the one conversion table of the link tests).
    void readBackBoxes_data() { tableRows(readBackRows(), [](const auto &r) { return QStringLiteral("“%1” read %2").arg(r.text).arg(r.read, 0, 16); }); }
    void readBackBoxes()
    {
        const auto &r = tableRow(readBackRows());
        std::optional<polling::ReadBack> back;
        if (r.read >= 0)
            back = polling::readAllBox(uint16_t(r.read));
        const auto w = polling::boxWrite(QString::fromLatin1(r.text), back);
        QCOMPARE(w ? int(w->word) : -1, r.word);
        QCOMPARE(w ? w->rounding : QString(), QString::fromUtf8(r.rounding));
    }

    void readAllDecoding()
    {
        // Words 0001, FFFF, 9C40, 9C41, FFFE, 8000, 7FFF, shown as read-all shows them.
        const QByteArray reply = hx("15 03 0E 00 01 FF FF 9C 40 9C 41 FF FE 80 00 7F FF 00 00");
        QStringList shown;
        for (uint16_t w : polling::replyWords(reply, 7))
            shown << polling::readAllBox(w).text;
        QCOMPARE(shown, (QStringList{"1", "0", "40000", "-25535", "-2", "32768", "32767"}));
        using Words = QVector<uint16_t>;
        QCOMPARE(polling::replyWords(reply, 3), (Words{1, 0xFFFF, 40000}));
        // A cut reply gives only the words it holds whole before its last two bytes.
        QCOMPARE(polling::replyWords(reply.left(9), 20), (Words{1, 0xFFFF}));
        QCOMPARE(polling::replyWords(reply.left(7), 20), (Words{1}));
        QCOMPARE(polling::replyWords(reply.left(6), 20), Words());
        QCOMPARE(polling::replyWords(hx("15 83 02 80 F5"), 20), Words());
        QCOMPARE(polling::replyWord(hx("15 03 02 FF FE 00 00"), 0), std::optional<uint16_t>(0xFFFE));
        QCOMPARE(polling::replyWord(hx("15 03 02 FF FE 00 00"), 1), std::optional<uint16_t>());
        QCOMPARE(polling::presetTexts(true, QStringLiteral("x7")).mid(18) + polling::presetTexts(false, QStringLiteral("x7")).mid(19),
                 (QStringList{"19", "20", "x7"}));  // a uniform preset is checked when written
    }

    void clockFields()
    {
        // The boxes from the PC clock: second, minute, hour, weekday (Sunday 1), day, month, year.
        const auto boxes = clockfields::boxTexts(QDateTime(QDate(2100, 1, 1), QTime(8, 0, 9)));  // a Friday
        QCOMPARE(QStringList(boxes.begin(), boxes.end()), (QStringList{"9", "0", "8", "6", "1", "1", "100"}));
        // Read: a byte that is not BCD shows as it is, a leading zero goes; a cut reply fills only what it holds.
        const auto odd = clockfields::readTexts(hx("15 03 08 3B 05 06 14 03 12 20 26 00 00"));
        QCOMPARE((QStringList{*odd[0], *odd[1], *odd[2], *odd[3], *odd[4], *odd[5], *odd[6]}), (QStringList{"5", "3B", "14", "3", "6", "12", "26"}));
        const auto cut = clockfields::readTexts(hx("15 03 08 30 45 06 14 AA BB"));
        QCOMPARE((QStringList{*cut[0], *cut[1], *cut[2], *cut[4]}), (QStringList{"45", "30", "14", "6"}));
        QVERIFY(!cut[3] && !cut[5] && !cut[6]);
    }

    void writeOutcome_data() { tableRows(writeRows()); }
    void writeOutcome()
    {
        const auto &r = tableRow(writeRows());
        const QString problem = recorder::writeProblem(r.ex);
        QVERIFY2(*r.says ? problem.contains(QString::fromUtf8(r.says)) : problem.isEmpty(), qPrintable(problem));
    }
};

QTEST_APPLESS_MAIN(TestConfigModel)
#include "test_config_model.moc"
