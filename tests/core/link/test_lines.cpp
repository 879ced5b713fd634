// One table of line behaviours, run over every kind of line the link speaks through: the simulated
// recorder on a pseudo-terminal, behind a TCP listener as raw RTU, and as a Modbus TCP server. The
// first exchange meets the row's fault; the second, plain, must come through on every line (after a
// late reply, a cut one or a dropped connection alike).
#include "core/link/exchange.h"
#include "tablerows.h"
#include "simlines.h"
#include "hexbytes.h"
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QTest>

namespace {
using C = modbus::ReplyClass;
// The frames the bus monitor would show dropped.
struct DroppedFrames : LinkObserver {
    int count = 0;
    void frameSeen(FrameKind kind, qint64, qint32, const QByteArray &) override { count += kind == FrameKind::Dropped; }
};
using F = sim::Fault;
using T = sim::SimRecorder::Transport;

// cls: of the first exchange on the pty, raw RTU over TCP and Modbus TCP; exact: it was one whole frame.
const auto &behaviourRows() { static const struct { const char *name; F fault; C cls[3]; bool exact[3]; int notices[3]; } rows[] = {
    {"plain", F::None, {C::Valid, C::Valid, C::Valid}, {true, true, true}, {0, 0, 0}},
    {"late reply", F::Late, {C::None, C::None, C::None}, {}, {0, 0, 0}},
    // A reply in two pieces 100 ms apart, inside its window: one reply (on Modbus TCP, one MBAP frame
    // over two segments).
    {"split reply", F::Split, {C::Valid, C::Valid, C::Valid}, {true, true, true}, {0, 0, 0}},
    {"trailing bytes", F::Trailing, {C::Valid, C::Valid, C::Valid}, {}, {0, 0, 0}},
    {"another address", F::OtherAddress, {C::OtherSender, C::OtherSender, C::OtherSender}, {}, {0, 0, 0}},
    // A Modbus TCP frame cut short is no frame at all. The connection is made again before the next request.
    {"connection lost mid-reply", F::Disconnect, {C::Short, C::Short, C::None}, {}, {0, 1, 1}},
    // Only Modbus TCP carries a transaction id: a reply to another is dropped, never taken.
    {"another transaction", F::OtherTransaction, {C::Valid, C::Valid, C::None}, {true, true, false}, {0, 0, 0}},
    // A frame whose header names another protocol than Modbus is no answer, whatever it holds.
    {"another protocol", F::OtherProtocol, {C::Valid, C::Valid, C::CrcMismatch}, {true, true, false}, {0, 0, 0}},
}; return rows; }
} // namespace

class TestLines : public QObject {
    Q_OBJECT
private slots:
    void behaviours_data() { tableRowsOver(behaviourRows(), SimLineNames); }
    void behaviours()
    {
        const auto &r = tableRow(behaviourRows());
        QFETCH(int, variant);
        const int line = variant;
        sim::SimRecorder recorder;
        QVERIFY(recorder.start(nullptr, SimLines[line]));
        sim::FaultSpec fault{r.fault};
        fault.lateMs = 1000;
        recorder.injectFault(fault);
        Link link;
        link.setGuardMs(1200);  // longer than the late reply is late
        QVERIFY(openOn(link, recorder).isEmpty());
        // On a wire the frames keep 3.5 characters apart; a line of packets keeps no gap of its own.
        QCOMPARE(link.line()->gapNs() > 0, SimLines[line] == T::Pty);
        QSignalSpy started(&link, &Link::exchangeStarted), sent(&link, &Link::requestSent), finished(&link, &Link::exchangeFinished),
            notices(&link, &Link::notice);
        const ExchangeKind kind = readWithin(150);
        const QByteArray read = modbus::readHolding(21, 116, 1);
        auto hold = link.tryHold();
        DroppedFrames dropped;
        link.setObserver(&dropped);
        const Exchange first = link.exchange(*hold, kind, read);
        QVERIFY(first.sent);
        QCOMPARE(first.info.cls, r.cls[line]);
        QCOMPARE(first.info.exact(), r.exact[line]);
        QCOMPARE(notices.size(), r.notices[line]);
        // An answer to another transaction is shown dropped, not lost from sight.
        QVERIFY(dropped.count > 0 || r.fault != F::OtherTransaction || SimLines[line] != T::ModbusTcp);
        const Exchange second = link.exchange(*hold, kind, read);
        QVERIFY2(second.sent && second.info.exact() && second.reply == first.request.left(2) + QByteArray::fromHex("02003B") + second.reply.right(2),
                 qPrintable(second.stateText));
        // Every exchange is reported from its start to its end, and each request it sent (a read confirmed
        // after a fault is sent twice) is announced as the simulator heard it.
        QCOMPARE(started.size(), 2);
        QCOMPARE(finished.size(), 2);
        QVERIFY(recorder.waitForRequests(int(sent.size()), 5000));
        QCOMPARE(recorder.requests(), QVector<QByteArray>(sent.size(), read));  // the same RTU frames on every line
    }

    // A device server that closes an idle connection: nothing worth a word, and the next exchange connects
    // again and comes through.
    void idleDrop()
    {
        for (const T transport : {T::RtuOverTcp, T::ModbusTcp}) {
            sim::SimRecorder recorder;
            QVERIFY(recorder.start(nullptr, transport));
            Link link;
            QVERIFY(openOn(link, recorder).isEmpty());
            QSignalSpy notices(&link, &Link::notice), changed(&link, &Link::connectionChanged);
            const QByteArray read = modbus::readHolding(21, 116, 1);
            auto hold = link.tryHold();
            QVERIFY(link.exchange(*hold, kinds::SingleParameterRead, read).info.exact());
            recorder.dropConnection();
            QVERIFY(changed.wait(10000));
            QCOMPARE(notices.size(), 0);
            QVERIFY(link.exchange(*hold, kinds::SingleParameterRead, read).info.exact());
            QCOMPARE(notices.size(), 0);
        }
    }

    void mbapInPieces_data()
    {
        QTest::addColumn<QList<int>>("cuts");  // where the 13 bytes of the answer are cut into segments
        QTest::newRow("inside the PDU") << QList<int>{9};
        QTest::newRow("after the header") << QList<int>{7};
        QTest::newRow("byte by byte") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    }

    // A Modbus TCP gateway whose answer comes in segments some milliseconds apart: one answer, whole,
    // wherever it is cut.
    void mbapInPieces()
    {
        QFETCH(QList<int>, cuts);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&cuts, peer] {
                const QByteArray answer = peer->readAll().left(2) + QByteArray::fromHex("00000007150304003C000C");
                int from = 0, afterMs = 0;
                for (int cut : cuts + QList<int>{int(answer.size())}) {
                    QTimer::singleShot(afterMs += 5, peer, [peer, piece = answer.mid(from, cut - from)] { peer->write(piece), peer->flush(); });
                    from = cut;
                }
            });
        });
        Link link;
        link.setGuardMs(50);  // a line connected is not trusted before a guard and a confirming read
        QVERIFY(link.open(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()), 19200, 0).isEmpty());
        const Exchange ex = link.exchange(*link.tryHold(), readWithin(5000), modbus::readHolding(21, 116, 2));
        QVERIFY2(ex.info.exact() && ex.reply == withCrc("15 03 04 00 3C 00 0C"), qPrintable(ex.stateText));
    }
};

QTEST_GUILESS_MAIN(TestLines)
#include "test_lines.moc"
