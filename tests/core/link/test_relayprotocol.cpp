// The watcher's socket protocol (relayprotocol.h): every message both sides use round trips; what no
// side sends (short or overlong frames, unknown types, values out of range) is refused; a length out of
// bounds breaks the stream. Then the client side against a watcher of the test's own: an answer whose
// id is not the request's is never taken for its reply.
#include "core/link/busshare.h"
#include "core/link/relayprotocol.h"
#include "hexbytes.h"
#include "tablerows.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>

using namespace relay;

namespace {
const QByteArray Read = modbus::readHolding(21, 5, 1);

const auto &roundTripRows() { static const struct { const char *name; Message message; } rows[] = {
    {"hello", Hello{19200, QStringLiteral("/dev/ttyUSB0")}},
    {"hello, a Chinese name, no rate", Hello{0, QStringLiteral("冷库线路")}},
    {"request, every flag but echo", Request{7, 4, 300, 500, 1200, true, true, EchoMode::Auto, Read}},
    {"request, echo on, longest waits", Request{0xFFFFFFFF, 0, 65535, 65535, 65535, false, false, EchoMode::On, Read}},
    {"request, echo off, a write", Request{1, 9, 0, 0, 0, true, false, EchoMode::Off, modbus::writeRegister(2, 116, 60)}},
    {"request, the longest frame", Request{2, 12, 1, 2, 3, true, false, EchoMode::Auto, QByteArray(MaxMessage - 13, '\x15')}},
    {"started", Started{0x01020304}},
    {"answer sent", Answer{5, Outcome::Sent, withCrc("15 03 02 10 E1")}},
    {"answer, nothing came", Answer{5, Outcome::Sent, {}}},
    {"answer not sent", Answer{6, Outcome::NotSent, {}}},
    {"answer unconfirmed", Answer{0, Outcome::Unconfirmed, withCrc("15 03 02 00 01")}},
    {"give up", GiveUp{9}},
}; return rows; }

// Frames' contents (type byte first) that neither side sends.
const auto &refusedRows() { static const struct { const char *name, *hex; } rows[] = {
    {"nothing", ""}, {"unknown type", "58 00 00 00 01"}, {"lower-case type", "61 00 00 00 01 00"},
    {"hello without its rate", "48 00 00 4B"},
    {"started short", "53 00 00 00"}, {"started long", "53 00 00 00 01 00"},
    {"give up short", "43 00 00"}, {"give up long", "43 00 00 00 01 FF"},
    {"answer without outcome", "41 00 00 00 01"}, {"answer, unknown outcome", "41 00 00 00 01 03 15 03"},
    {"request, head only", "51 00 00 00 01 00 00 C8 00 00 00 00 01"},
    {"request, frame of 3", "51 00 00 00 01 00 00 C8 00 00 00 00 01 15 03 00"},
    {"request, unknown flag", "51 00 00 00 01 00 00 C8 00 00 00 00 11 15 03 00 05 00 01 96 DE"},
    {"request, echo on and off", "51 00 00 00 01 00 00 C8 00 00 00 00 0C 15 03 00 05 00 01 96 DE"},
}; return rows; }

// Streams of bytes as a socket brings them: what the reader makes of them, in order
// (M: a message, S: a frame skipped, B: broken; the reading ends at the first "more").
const auto &streamRows() { static const struct { const char *name, *hex, *says; } rows[] = {
    {"empty", "", ""}, {"three bytes of a length", "00 00 00", ""},
    {"a length, no content yet", "00 00 00 05 53", ""},
    {"one started", "00 00 00 05 53 00 00 00 01", "M"},
    {"skipped, then one", "00 00 00 01 58 00 00 00 05 43 00 00 00 02", "SM"},
    {"two, the second cut", "00 00 00 05 53 00 00 00 01 00 00 00 05 41", "M"},
    {"length 0", "00 00 00 00 53", "B"},
    {"length past the bound", "00 00 10 01 53", "B"},
    {"a length near 4 GiB", "FF FF FF FF 53", "B"},
    {"one, then a broken length", "00 00 00 05 43 00 00 00 02 80 00 00 00", "MB"},
}; return rows; }

QString says(Reader &reader)
{
    QString out;
    Message m;
    for (Reader::Next next; (next = reader.next(&m)) != Reader::Next::More;) {
        out += next == Reader::Next::Message ? u'M' : next == Reader::Next::Skipped ? u'S' : u'B';
        if (next == Reader::Next::Broken)
            break;
    }
    return out;
}

bool same(const Message &a, const Message &b)
{
    if (a.index() != b.index())
        return false;
    return std::visit([&b](const auto &x) {
        const auto &y = std::get<std::decay_t<decltype(x)>>(b);
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Hello>) return x.baud == y.baud && x.device == y.device;
        else if constexpr (std::is_same_v<T, Request>)
            return x.id == y.id && x.kindId == y.kindId && x.firstWaitMs == y.firstWaitMs && x.secondWaitMs == y.secondWaitMs
                && x.guardMs == y.guardMs && x.confirmsAfterFault == y.confirmsAfterFault && x.pumpAfterWait == y.pumpAfterWait
                && x.echo == y.echo && x.frame == y.frame;
        else if constexpr (std::is_same_v<T, Answer>) return x.id == y.id && x.outcome == y.outcome && x.reply == y.reply;
        else return x.id == y.id;
    }, a);
}
} // namespace

class TestRelayProtocol : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data() { tableRows(roundTripRows()); }
    void roundTrip()
    {
        const auto &r = tableRow(roundTripRows());
        Reader reader;
        const QByteArray bytes = encode(r.message);
        // Byte by byte, as a slow socket hands it on: nothing before the last byte, then the message.
        for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
            reader.append(bytes.mid(i, 1));
            Message m;
            QCOMPARE(reader.next(&m), Reader::Next::More);
        }
        reader.append(bytes.right(1));
        Message back;
        QCOMPARE(reader.next(&back), Reader::Next::Message);
        QVERIFY(same(back, r.message));
    }

    void refused_data() { tableRows(refusedRows()); }
    void refused() { QVERIFY(!decode(hx(tableRow(refusedRows()).hex))); }

    void stream_data() { tableRows(streamRows()); }
    void stream()
    {
        const auto &r = tableRow(streamRows());
        Reader reader;
        reader.append(hx(r.hex));
        QCOMPARE(says(reader), QString::fromLatin1(r.says));
    }

    void tooLongNotEncoded()
    {
        QVERIFY(encode(Request{.frame = QByteArray(MaxMessage - 12, '\x15')}).isEmpty());
        QVERIFY(encode(Answer{.reply = QByteArray(MaxMessage, 'x')}).isEmpty());
    }

    // The kind a watcher runs: the known kind of the id with the client's waits, its pause left out;
    // waits past what the message holds are clamped, an unknown id runs as a single read.
    void kindCarried()
    {
        ExchangeKind kind = kinds::SetReg;
        kind.firstWaitMs = 70000;
        kind.secondWaitMs = -5;
        kind.guardMs = 900;
        kind.confirmsAfterFault = false;
        const auto back = std::get<Request>(*decode(encode(requestFor(3, kind, EchoMode::On, Read)).mid(4)));
        const ExchangeKind run = kindOf(back);
        QVERIFY(run.id == kind.id && run.name == kind.name);
        QVERIFY(run.firstWaitMs == 65535 && run.secondWaitMs == 0 && run.guardMs == 900 && !run.confirmsAfterFault);
        QVERIFY(run.pauseAfterMs == 0 && !run.pumpAfterWait && back.echo == EchoMode::On && back.frame == Read);
        QVERIFY(kindOf(Request{.kindId = 200}).id == kinds::SingleParameterRead.id);
        QCOMPARE(kindOf(Request{.kindId = uint8_t(kinds::BusProbe.id)}).confirmsAfterFault, true);  // as the request says
    }

    // A watcher that answers a request given up before the one asked now: the client takes only its own.
    void answerOfAnotherRequestNotTaken()
    {
        const QString target = QStringLiteral("relay-test-%1").arg(QCoreApplication::applicationPid());
        QLocalServer server;
        QVERIFY(QDir().mkpath(QFileInfo(busshare::socketPath(target)).absolutePath()));
        QLocalServer::removeServer(busshare::socketPath(target));
        QVERIFY(server.listen(busshare::socketPath(target)));
        Reader input;
        const QByteArray own = withCrc("15 03 02 10 E1"), other = withCrc("15 03 02 00 07");
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket *client = server.nextPendingConnection();
            client->write(encode(Hello{9600, QStringLiteral("/dev/ttyS1")}));
            connect(client, &QLocalSocket::readyRead, client, [&input, client, own, other] {
                input.append(client->readAll());
                Message m;
                while (input.next(&m) == Reader::Next::Message)
                    if (const auto *q = std::get_if<Request>(&m))
                        client->write(encode(Started{q->id - 1}) + encode(Answer{q->id - 1, Outcome::Sent, other})
                                      + encode(Answer{q->id + 1, Outcome::Unconfirmed, other}) + encode(Started{q->id})
                                      + encode(Answer{q->id, Outcome::Sent, own}));
            });
        });
        Link link;
        QCOMPARE(link.open(target, 19200, 0), QString());
        QVERIFY(link.viaWatcher() && link.baudRate() == 9600);
        for (int i = 0; i < 2; ++i) {
            const Exchange ex = link.exchange(*link.tryHold(), kinds::SingleParameterRead, Read);
            QVERIFY(ex.valid());
            QCOMPARE(ex.reply, own);
        }
    }
};

QTEST_GUILESS_MAIN(TestRelayProtocol)
#include "test_relayprotocol.moc"
