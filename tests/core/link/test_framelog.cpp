// The bus monitor's log: what a frame reads as (every function the program uses, both ways, every
// exception, torn and overlong frames, stray bytes), the gap's text, and the bound on its size.
#include "core/link/crc16.h"
#include "core/link/framelog.h"
#include "hexbytes.h"
#include "tablerows.h"
#include <QTest>

namespace {
const auto &gapRows() { static const struct { qint32 us; const char *text; } rows[] = {
    {-1, "—"}, {0, "0.0"}, {1749, "1.7"}, {3600, "3.6"}, {123'450, "123.5"}, {60'000'000, "60000.0"}, {60'000'001, "> 60000"}}; return rows; }

QByteArray badCrc(const char *hex)
{
    QByteArray f = withCrc(hex);
    f[f.size() - 1] = char(f[f.size() - 1] ^ 0x01);
    return f;
}
} // namespace

class TestFrameLog : public QObject {
    Q_OBJECT
private slots:
    void decoding_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("request");  // the last request sent before it
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("address");
        const int S = int(FrameKind::Sent), R = int(FrameKind::Received);
        const QByteArray read03 = withCrc("01 03 00 0A 00 03"), write16 = withCrc("15 10 00 7A 00 02 04 00 01 FF FF");
        const QByteArray reply03 = withCrc("01 03 06 00 01 00 02 FF FF");
        const QString reply03Text = QStringLiteral("地址 1，功能 03 读保持寄存器，起始 10，数量 3，值 1 2 65535，CRC 正确");
        const auto row = [](const char *name, int kind, const QByteArray &bytes, const QByteArray &request, const QString &text,
                            bool error, int address) { QTest::newRow(name) << kind << bytes << request << text << error << address; };

        row("03 request", S, read03, {}, QStringLiteral("地址 1，功能 03 读保持寄存器，起始 10，数量 3，CRC 正确"), false, 1);
        row("03 reply: start from its request", R, reply03, read03, reply03Text, false, 1);
        row("03 reply, request gone from the log", R, reply03, {}, QStringLiteral("地址 1，功能 03 读保持寄存器，数量 3，值 1 2 65535，CRC 正确"), false, 1);
        row("04 request", S, withCrc("15 04 12 34 00 17"), {}, QStringLiteral("地址 21，功能 04 读输入寄存器，起始 4660，数量 23，CRC 正确"), false, 21);
        row("04 reply of the wrong size", R, withCrc("15 04 02 00 07"), withCrc("15 04 00 00 00 02"),
            QStringLiteral("地址 21，功能 04 读输入寄存器，起始 0，数量 1，字节数 2 与请求的 2 个寄存器不符，值 7，CRC 正确"), true, 21);
        row("05 request on", S, withCrc("02 05 00 03 FF 00"), {}, QStringLiteral("地址 2，功能 05 写单个线圈，线圈 3 = ON，CRC 正确"), false, 2);
        row("05 reply off", R, withCrc("02 05 00 03 00 00"), withCrc("02 05 00 03 00 00"),
            QStringLiteral("地址 2，功能 05 写单个线圈，线圈 3 = OFF，CRC 正确"), false, 2);
        row("06 request", S, withCrc("15 06 00 82 01 2C"), {}, QStringLiteral("地址 21，功能 06 写单个寄存器，寄存器 130 = 300，CRC 正确"), false, 21);
        row("16 request", S, write16, {}, QStringLiteral("地址 21，功能 16 写多个寄存器，起始 122，数量 2，值 1 65535，CRC 正确"), false, 21);
        row("16 reply", R, withCrc("15 10 00 7A 00 02"), write16, QStringLiteral("地址 21，功能 16 写多个寄存器，起始 122，数量 2，CRC 正确"), false, 21);
        row("16 exception", R, withCrc("15 90 02"), write16, QStringLiteral("地址 21，功能 16 写多个寄存器，异常应答：代码 02 非法数据地址，CRC 正确"), true, 21);

        const struct { const char *code; const char *name; } exceptions[] = {
            {"01", "非法功能"}, {"02", "非法数据地址"}, {"03", "非法数据值"}, {"04", "从站设备故障"}, {"05", "确认"},
            {"06", "从站设备忙"}, {"08", "存储奇偶性差错"}, {"0A", "网关路径不可用"}, {"0B", "网关目标设备响应失败"},
            {"07", "未知异常"},
        };
        for (const auto &e : exceptions)
            row(qPrintable(QStringLiteral("exception %1").arg(QLatin1String(e.code))), R, withCrc(qPrintable(QStringLiteral("01 83 ") + e.code)),
                read03, QStringLiteral("地址 1，功能 03 读保持寄存器，异常应答：代码 %1 %2，CRC 正确").arg(QLatin1String(e.code), QString::fromUtf8(e.name)), true, 1);

        row("bad CRC", R, badCrc("01 03 06 00 01 00 02 FF FF"), read03, QStringLiteral("地址 1，功能 03 读保持寄存器，起始 10，数量 3，值 1 2 65535，CRC 错误"), true, 1);
        row("torn: 1 byte", R, hx("01"), read03, QStringLiteral("地址 1，残帧：1 字节"), true, 1);
        row("torn: 2 bytes", R, hx("01 03"), read03, QStringLiteral("地址 1，功能 03 读保持寄存器，残帧：2 字节"), true, 1);
        row("torn: 3 bytes", R, hx("01 03 06"), read03, QStringLiteral("地址 1，功能 03 读保持寄存器，残帧：3 字节，应为 11 字节"), true, 1);
        row("torn: 4 bytes of a write's reply", R, hx("15 10 00 7A"), write16, QStringLiteral("地址 21，功能 16 写多个寄存器，残帧：4 字节，应为 8 字节"), true, 21);
        row("torn: 4 bytes of an exception", R, hx("01 83 02 C0"), read03, QStringLiteral("地址 1，功能 03 读保持寄存器，残帧：4 字节，应为 5 字节"), true, 1);
        row("longer than its frame", R, reply03 + hx("00 00"), read03, reply03Text + QStringLiteral("，其后多出 2 字节"), true, 1);
        row("from another device", R, withCrc("02 03 06 00 01 00 02 FF FF"), read03,
            QStringLiteral("地址 2，功能 03 读保持寄存器，起始 10，数量 3，值 1 2 65535，不是所发请求的地址或功能码，CRC 正确"), true, 2);
        row("echo", int(FrameKind::Echo), read03, read03, QStringLiteral("适配器回显的请求，已去除"), false, 1);
        row("no reply", int(FrameKind::NoReply), {}, read03, QStringLiteral("设备 1 无应答：01 03 00 0A 00 03 25 C9"), true, 1);
        row("dropped late reply", int(FrameKind::Dropped), reply03, read03, QStringLiteral("丢弃的字节：") + reply03Text, true, 1);
        row("trailing bytes", int(FrameKind::Trailing), hx("02 04"), read03, QStringLiteral("完整应答之后多出的字节：地址 2，功能 04 读输入寄存器，残帧：2 字节"), true, 2);
    }
    void decoding()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, request);
        FrameLog log;
        if (!request.isEmpty())
            log.append(FrameKind::Sent, 0, 0, request);
        log.append(FrameKind(kind), 0, 0, bytes);
        const FrameText t = framelog::decode(log.at(log.endSeq() - 1));
        QTEST(t.text, "text");
        QTEST(t.error, "error");
        QTEST(t.address, "address");
    }

    void gapText_data() { tableRows(gapRows(), [](const auto &r) { return QString::number(r.us); }); }
    void gapText()
    {
        const auto &r = tableRow(gapRows());
        QCOMPARE(framelog::gapText(r.us), QString::fromUtf8(r.text));
    }

    // 100,005 frames: the first five are gone, the rest kept in order under their own numbers; a reply
    // keeps the request it answers, even one gone or cleared; a clear keeps the numbering.
    void bound()
    {
        FrameLog log;
        QCOMPARE(log.capacity(), 100'000);
        for (int i = 0; i < 100'005; ++i)
            log.append(i % 2 ? FrameKind::Received : FrameKind::Sent, i, i, QByteArray::number(i));
        QCOMPARE(log.size(), 100'000);
        QCOMPARE(log.firstSeq(), 5);
        QCOMPARE(log.endSeq(), 100'005);
        QVERIFY(!log.contains(4) && log.contains(5) && log.contains(100'004) && !log.contains(100'005));
        QCOMPARE(log.at(5).timeMs, 5);
        QCOMPARE(log.at(5).request, "4");
        QCOMPARE(log.at(100'004).bytes, "100004");
        QCOMPARE(log.at(100'003).request, "100002");
        log.clear();
        QCOMPARE(log.size(), 0);
        log.append(FrameKind::Received, 1, 1, "x");
        QCOMPARE(log.firstSeq(), 100'005);
        QCOMPARE(log.at(100'005).bytes + log.at(100'005).request, "x100004");
    }
};

QTEST_GUILESS_MAIN(TestFrameLog)
#include "test_framelog.moc"
