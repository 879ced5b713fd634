// The alarm tab over an archive a watcher filled: the open alarms first, then the week's cleared ones,
// named from sensors.set; an acknowledgement without a name refused, one with a name appended for the
// watcher to pick up, and the same alarm not acknowledged twice. An archive that cannot be opened
// says why.
#include "core/settings/archivesettings.h"
#include "panels/alarms/alarmpanel.h"
#include "ui/valuelabel.h"
#include "windowfixture.h"
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

using watch::AlarmEvent;
using watch::AlarmKind;
using watch::Transition;

namespace {
QStringList rowTexts(const QTreeWidgetItem *item)
{
    QStringList texts;
    for (int c = 0; c < item->columnCount(); ++c)
        texts << item->text(c);
    return texts;
}
} // namespace

class TestAlarmPanel : public QObject {
    Q_OBJECT
private slots:
    void listAndAcknowledge()
    {
        WindowFixture fx;
        fx.writeFile("sensors.set", "COM4-21\t3\t东墙\t℃\t\t20.0\nCOM4-21\t5\t\t%RH\t30.0\t\n");
        const QDateTime now = fx.desktop->clock;
        const auto at = [&](qint64 s) { return now.addSecs(s); };
        const auto shown = [&](qint64 s) { return at(s).toString("yyyy-MM-dd HH:mm:ss"); };
        archive::RecordStore store;
        QString error;
        QVERIFY2(archive::openConfiguredArchive(store, fx.dir.path(), &error, nullptr), qPrintable(error));
        const qint64 day = 86400;
        const auto step = [](AlarmEvent e, AlarmKind k, qint64 id, const QString &recorder, int sensor,
                             std::optional<int> value, std::optional<int> limit, const QDateTime &t) {
            return Transition{e, k, id, recorder, 21, sensor, value, limit, t.toUTC(), {}, {}};
        };
        for (const Transition &t : {
                 step(AlarmEvent::Raised, AlarmKind::High, 4, "COM4-21", 3, 215, 200, at(-12 * day)),
                 step(AlarmEvent::Cleared, AlarmKind::High, 4, "COM4-21", 3, 190, 200, at(-10 * day)),  // too long ago
                 step(AlarmEvent::Raised, AlarmKind::Low, 5, "COM4-21", 5, 250, 300, at(-9 * day)),
                 step(AlarmEvent::Raised, AlarmKind::High, 6, "COM4-21", 3, 251, 200, at(-3 * 3600)),
                 step(AlarmEvent::Raised, AlarmKind::NoAnswer, 7, "COM4-22", 0, {}, {}, at(-3600)),
                 step(AlarmEvent::Cleared, AlarmKind::Low, 5, "COM4-21", 5, 312, 300, at(-day)),
                 step(AlarmEvent::Repeated, AlarmKind::High, 6, "COM4-21", 3, 263, 200, at(-1800))})
            QVERIFY2(store.alarms().append(t, &error), qPrintable(error));
        QVERIFY2(store.watchers().beat({"pc1", at(-120).toUTC(), "COM4"}, &error), qPrintable(error));
        using State = archive::OutboxEntry::State;
        for (const State state : {State::Delivered, State::GivenUp}) {
            const bool mail = state == State::GivenUp;
            QVERIFY(store.outbox().append({.alarmId = 6, .event = "raised", .happened = at(-3 * 3600).toUTC(), .channel = mail ? "mail" : "webhook",
                                           .recipients = mail ? "a@e.org, b@e.org" : "https://hooks.example/wl", .queued = at(-3 * 3600).toUTC(),
                                           .due = at(-60).toUTC(), .state = state, .outcome = {}, .settled = at(-60).toUTC()}, &error));
        }

        frmMain &w = fx.start();
        w.tabs->setCurrentWidget(w.alarmPanel);
        auto *list = fx.find<QTreeWidget>("lstAlarms");
        QTRY_COMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(w.alarmPanel->lblWatcherState->text(), "监视程序运行中：主机 pc1，最后读取 " + at(-120).toString("HH:mm:ss"));
        QCOMPARE(rowTexts(list->topLevelItem(0)), QStringList({"7", "报警中", "COM4-22", "—", "无应答", "—", "—", shown(-3600), "", ""}));
        QCOMPARE(rowTexts(list->topLevelItem(1)), QStringList({"6", "报警中", "COM4-21", "东墙", "高于上限", "26.3 ℃", "20.0 ℃", shown(-3 * 3600), "", ""}));
        QCOMPARE(rowTexts(list->topLevelItem(2)), QStringList({"5", "已解除", "COM4-21", "5#传感器", "低于下限", "31.2 %RH",
                                                               "30.0 %RH", shown(-9 * day), "", shown(-day)}));
        for (int r = 0; r < 3; ++r)
            QVERIFY(!list->topLevelItem(r)->icon(1).isNull());
        // Who was told of the selected alarm, when and by what.
        list->setCurrentItem(list->topLevelItem(1));
        const auto *notices = fx.find<QTreeWidget>("lstAlarmNotices");
        QCOMPARE(notices->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(notices->topLevelItem(0)), QStringList({"报警", shown(-3 * 3600), "webhook", "https://hooks.example/wl", "已送达", shown(-60)}));
        QCOMPARE(rowTexts(notices->topLevelItem(1)), QStringList({"报警", shown(-3 * 3600), "邮件", "a@e.org, b@e.org", "未送达（放弃）", shown(-60)}));

        const auto steps = [&] { return store.alarms().steps(archive::AlarmSteps::All, {}, &error).value(); };
        const auto acknowledge = [&](int row, const QString &by, const QString &note) {
            list->setCurrentItem(list->topLevelItem(row));
            fx.find<QLineEdit>("txtAckBy")->setText(by);
            fx.find<QLineEdit>("txtAckNote")->setText(note);
            fx.find<QPushButton>("cmdAckAlarm")->click();
            return w.lblStatusLine->text();
        };
        QVERIFY(acknowledge(1, "  ", "门已关").contains("确认人"));
        QCOMPARE(steps().size(), 7);
        QCOMPARE(acknowledge(1, "王工", "门已关"), "报警 6 已由 王工 确认");
        const QList<Transition> after = steps();
        QCOMPARE(after.size(), 8);
        QCOMPARE(std::tuple(after.last().event, after.last().id, after.last().by, after.last().note, after.last().time),
                 std::tuple(AlarmEvent::Acknowledged, qint64(6), QString("王工"), QString("门已关"), now.toUTC()));
        QCOMPARE(list->currentItem()->text(0), "6");
        QCOMPARE(list->currentItem()->text(1), "已确认");
        QCOMPARE(list->currentItem()->text(8), "王工 " + now.toString("MM-dd HH:mm") + "：门已关");
        QVERIFY(acknowledge(1, "李工", "").contains("已经确认过"));
        QVERIFY(acknowledge(2, "李工", "").contains("不存在或已经解除"));  // the cleared one
        QCOMPARE(steps().size(), 8);

        // The watcher stopped long ago.
        QVERIFY(store.watchers().beat({"pc1", at(-301).toUTC(), "COM4"}, &error));
        fx.find<QPushButton>("cmdAlarmRefresh")->click();
        QCOMPARE(w.alarmPanel->lblWatcherState->text(), "监视程序没有在运行（最后一次：" + shown(-301) + "，主机 pc1）");
    }

    void archiveUnusable()
    {
        WindowFixture fx;
        fx.writeFile("archive.db", QByteArray(4096, 'x'));
        frmMain &w = fx.start();
        w.tabs->setCurrentWidget(w.alarmPanel);
        QTRY_VERIFY(w.alarmPanel->lblWatcherState->text().startsWith("存档无法打开："));
        QCOMPARE(w.alarmPanel->lstAlarms->topLevelItemCount(), 0);
        const QString why = w.alarmPanel->lblWatcherState->text().mid(QString("存档无法打开：").size());
        w.alarmPanel->txtAckBy->setText("王工");
        w.alarmPanel->cmdAckAlarm->click();
        QVERIFY2(w.lblStatusLine->text().contains(why), qPrintable(w.lblStatusLine->text()));
    }
};

QTEST_MAIN(TestAlarmPanel)
#include "test_alarmpanel.moc"
