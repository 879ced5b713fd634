// Every write a link sends goes into the audit trail, named, with the value last read from the same
// register as the old one; a write that was not confirmed, or that the recorder refused, says so; the
// clock's words as the time they set. A set of the PC's clock leaves the recorder's within a second of it.
#include "core/archive/writeaudit.h"
#include "core/config/clockset.h"
#include "core/link/frames.h"
#include "core/link/writes.h"
#include "simlines.h"
#include "hexbytes.h"
#include "tablerows.h"
#include <QTest>

namespace {
// What the audit trail says a request wrote, at the edges of each named range ("" when it says
// nothing: a read, a frame cut short, a count that does not match its bytes).
const auto &wordRows() { static const struct { const char *name; QByteArray request; const char *text; } rows[] = {
    {"the clock's four registers", modbus::writeRegisters(21, 126, hx("42 05 10 10 05 12 20 26")), "寄存器 126…129（时钟） = 2026-12-10 10:42:05"},
    {"the clock's last register", modbus::writeRegister(21, 129, 0x2026), "寄存器 129（时钟） = 2026年"},
    {"the clock's weekday and month", modbus::writeRegister(21, 128, 0x0712), "寄存器 128（时钟） = 12月，星期六"},
    {"two clock words, a day 32", modbus::writeRegisters(21, 126, hx("42 05 32 10")), "寄存器 126…127（时钟） = 42分05秒, 0x3210"},
    {"a clock word not BCD", modbus::writeRegister(21, 126, 0x3B05), "寄存器 126（时钟） = 0x3B05"},
    {"past the clock: the first polling length", modbus::writeRegister(21, 130, 2), "寄存器 130（RS485轮循数据长度 测点1） = 2"},
    {"the record count", modbus::writeRegister(21, 121, 0), "寄存器 121（记录条数） = 0"},
    {"the record pointer's two words", modbus::writeRegister(21, 123, 1), "寄存器 123（记录指针） = 1"},
    {"past the record pointer", modbus::writeRegister(21, 124, 1), "寄存器 124 = 1"},
    {"the lowest baud register", modbus::writeRegister(21, 2560, 1), "寄存器 2560（波特率） = 1"},
    {"the highest baud register (code 5)", modbus::writeRegister(21, 2565, 4), "寄存器 2565（波特率） = 4"},
    {"past the baud registers", modbus::writeRegister(21, 2566, 4), "寄存器 2566 = 4"},
    {"the clear coil, on", modbus::writeCoil(21, 3, true), "线圈 3（清除记录） = 开"},
    {"the clock coil, off", modbus::writeCoil(21, 8, false), "线圈 8（设置时钟） = 关"},
    {"another coil", modbus::writeCoil(21, 9, true), "线圈 9 = 开"},
    {"a read", modbus::readHolding(21, 116, 1), ""},
    {"cut short", modbus::writeRegister(21, 116, 1).left(7), ""},
    {"a count its bytes do not match", modbus::writeRegisters(21, 126, hx("00 01 00 02")).replace(5, 1, "\x03"), ""},
}; return rows; }
} // namespace

class TestWriteAudit : public QObject {
    Q_OBJECT
private slots:
    void walk()
    {
        sim::SimRecorder recorder;
        QVERIFY(recorder.start());
        recorder.setHolding(116, 60);
        recorder.setHolding(24, 7);
        recorder.setHolding(25, 8);
        Link link;
        QVERIFY(openOn(link, recorder).isEmpty());
        QList<archive::AuditEntry> trail;
        const archive::WriteAudit audit(link, [](uint8_t a) { return QStringLiteral("R%1").arg(a); }, [&](const archive::AuditEntry &e) { trail << e; });
        auto hold = link.tryHold();
        using F = sim::Fault;
        // Each step: what is sent (a read when reads > 0), the fault of its reply, the entry expected.
        const struct { uint16_t reg; QList<uint16_t> values; bool coil; int reads; F fault; const char *old; const char *now; } steps[] = {
            {116, {}, false, 1, F::None, nullptr, nullptr},
            {24, {}, false, 2, F::None, nullptr, nullptr},
            {116, {120}, false, 0, F::None, "60", "寄存器 116（记录时间间隔） = 120"},
            {116, {90}, false, 0, F::Exception, "120", "寄存器 116（记录时间间隔） = 90（记录仪拒绝：异常应答：代码 04（从站设备故障））"},
            {116, {30}, false, 0, F::NoReply, "120", "寄存器 116（记录时间间隔） = 30（未确认：无应答）"},
            {116, {45}, false, 0, F::None, "", "寄存器 116（记录时间间隔） = 45"},
            {24, {3, 4}, false, 0, F::None, "7, 8", "寄存器 24…25（传感器类型 测点1） = 3, 4"},
            {126, {0x4205, 0x1010, 0x0512, 0x2026}, false, 0, F::None, "", "寄存器 126…129（时钟） = 2026-12-10 10:42:05"},
            {126, {0x4306}, false, 0, F::None, "42分05秒", "寄存器 126（时钟） = 43分06秒（时钟寄存器合为 2026-12-10 10:43:06）"},
            {3, {1}, true, 0, F::None, "", "线圈 3（清除记录） = 开"},
            {2563, {5}, false, 0, F::None, "", "寄存器 2563（波特率） = 5（记录仪拒绝：异常应答：代码 02（非法数据地址））"},
        };
        for (const auto &s : steps) {
            recorder.injectFault(sim::FaultSpec{s.fault});
            const qsizetype before = trail.size();
            if (s.reads > 0)
                link.exchange(*hold, kinds::SingleParameterRead, modbus::readHolding(21, s.reg, uint16_t(s.reads)));
            else if (s.coil)
                setCoil(link, *hold, 21, s.reg, s.values[0] != 0);
            else if (s.values.size() == 1)
                setRegister(link, *hold, 21, s.reg, s.values[0]);
            else
                setRegisters(link, *hold, 21, s.reg, [&] {
                    QByteArray b;
                    for (uint16_t v : s.values)
                        b.append(char(v >> 8)).append(char(v & 0xFF));
                    return b;
                }());
            if (!s.now) {
                QCOMPARE(trail.size(), before);
                continue;
            }
            QCOMPARE(trail.size(), before + 1);
            QCOMPARE(QStringList({trail.last().recorder, trail.last().kind, trail.last().oldValue, trail.last().newValue}),
                     QStringList({"R21", "device-write", s.old, s.now}));
        }
    }

    // The PC's clock set: the recorder's clock then keeps the PC's time to the second, and the trail
    // says the time its registers set.
    void clockSet()
    {
        sim::SimRecorder recorder;
        QVERIFY(recorder.start());
        recorder.setClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
        Link link;
        QVERIFY(openOn(link, recorder).isEmpty());
        QList<archive::AuditEntry> trail;
        const archive::WriteAudit audit(link, [](uint8_t) { return QString(); }, [&](const archive::AuditEntry &e) { trail << e; });
        const auto set = clockfields::setClock(link, *link.tryHold(), 21, [] { return QDateTime::currentDateTime(); });
        const qint64 offsetMs = QDateTime::currentDateTime().msecsTo(recorder.clock(21));
        QVERIFY2(set.done() && std::abs(offsetMs) <= 1000, qPrintable(QString::number(offsetMs)));
        QCOMPARE(trail.value(3).newValue.section("合为 ", 1), set.time.toString("yyyy-MM-dd HH:mm:ss") + "）");
    }

    void writeWords_data() { tableRows(wordRows()); }
    void writeWords()
    {
        const auto &r = tableRow(wordRows());
        const auto w = archive::describeWrite(r.request);
        QCOMPARE(w ? w->text : QString(), QString::fromUtf8(r.text));
    }
};

QTEST_GUILESS_MAIN(TestWriteAudit)
#include "test_writeaudit.moc"
