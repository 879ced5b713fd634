// The window for people who do not see it as drawn, or see it small: what a screen reader is told of
// every changing label, the keyboard's path through each tab, and that every tab fits a common screen.
#include <QPushButton>
#include "ui/translation.h"
#include "windowfixture.h"
#include "panels/history/recordchart.h"
#include <QGraphicsTextItem>
#include <QSet>
#include "ui/valuelabel.h"
#include "panels/live/pollingpanel.h"
#include <QAbstractButton>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QTabWidget>
#include <QTreeWidget>

namespace {
struct Heard {
    QObject *object;
    QAccessible::Event type;
    QString value;  // of a value change, or what the object showed
};
QList<Heard> g_heard;
// A click made when a label first changes (ends a command that would run on).
QObject *g_watched = nullptr;
QAbstractButton *g_stopOnChange = nullptr;

void listen(QAccessibleEvent *event)
{
    const QString value = event->type() == QAccessible::ValueChanged
                              ? static_cast<QAccessibleValueChangeEvent *>(event)->value().toString()
                              : event->accessibleInterface()->text(QAccessible::Value);
    g_heard.append({event->object(), event->type(), value});
    if (g_stopOnChange && event->object() == g_watched)
        std::exchange(g_stopOnChange, nullptr)->click();
}

// The steps before the command: "file NAME TEXT", "device ADDR", "records ADDR N",
// "holding ADDR REG VALUE", "set BOX TEXT", "click BUTTON"; "start" opens the window.
void prepare(WindowFixture &fx, const QStringList &steps)
{
    for (const QString &step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        if (w[0] == u"file")
            fx.writeFile(w[1], w.mid(2).join(QLatin1Char(' ')).replace(QStringLiteral("\\n"), QStringLiteral("\n")).toUtf8());
        else if (w[0] == u"device")
            fx.recorder.addDevice(uint8_t(w[1].toInt()));
        else if (w[0] == u"records")
            fx.recorder.setRecords(sim::SimRecorder::demoRecords(w[2].toInt(), QDateTime(QDate(2026, 12, 1), QTime(8, 0))), uint8_t(w[1].toInt()));
        else if (w[0] == u"holding")
            fx.recorder.setHolding(uint16_t(w[2].toInt()), uint16_t(w[3].toInt()), uint8_t(w[1].toInt()));
        else if (w[0] == u"start")
            fx.start();
        else if (w[0] == u"set")
            fx.find<QLineEdit>(w[1])->setText(w.value(2));
        else if (w[0] == u"click")
            fx.find<QAbstractButton>(w[1])->click();
        else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

// Shows tab i and gives its page as the tab control shows it, the width it has and its caption.
QWidget *showPage(QTabWidget *tabs, int i, int *room, QString *tab)
{
    tabs->setCurrentIndex(i);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    *tab = tabs->tabText(i);
    QWidget *w = tabs->widget(i);
    if (auto *area = qobject_cast<QScrollArea *>(w)) {
        *room = area->viewport()->width();
        return area->widget();
    }
    *room = w->width();
    return w;
}

QString where(QWidget *w, QWidget *page)
{
    const QPoint p = w->mapTo(page, QPoint());
    return QStringLiteral("%1 \"%2\" at %3,%4").arg(w->objectName(), w->property("text").toString()).arg(p.x()).arg(p.y());
}

// Tab i at the window's size: the page needs no scroll bar, and every caption and frame has the
// width it needs (a wrapped label the height).
void checkTabFits(QTabWidget *tabs, int i)
{
    int room = 0;
    QString tab;
    QWidget *page = showPage(tabs, i, &room, &tab);
    QVERIFY2(page->minimumSizeHint().width() <= room,
             qPrintable(QStringLiteral("%1: needs %2, has %3").arg(tab).arg(page->minimumSizeHint().width()).arg(room)));
    if (auto *area = qobject_cast<QScrollArea *>(tabs->widget(i)))
        QVERIFY2(!area->horizontalScrollBar()->isVisible() && !area->verticalScrollBar()->isVisible(),
                 qPrintable(QStringLiteral("%1: needs %2 × %3, has %4 × %5").arg(tab).arg(page->minimumSizeHint().width())
                                .arg(page->minimumSizeHint().height()).arg(room).arg(area->viewport()->height())));
    for (QWidget *c : page->findChildren<QWidget *>()) {
        if (!c->isVisible())
            continue;
        auto *label = qobject_cast<QLabel *>(c);
        const bool caption = (label && !label->text().isEmpty()) || qobject_cast<QAbstractButton *>(c);
        const bool frame = qobject_cast<QGroupBox *>(c);
        if (!caption && !frame)
            continue;
        if (label && label->wordWrap()) {
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(tab + QStringLiteral(": clipped ") + where(c, page)));
            continue;
        }
        // A button's caption needs its width and a margin, whatever the button's own hint says.
        const auto *button = qobject_cast<QAbstractButton *>(c);
        const int captionNeeds = button && !button->text().isEmpty() ? c->fontMetrics().horizontalAdvance(button->text()) + 8 : 0;
        const int needs = frame ? c->minimumSizeHint().width() : std::max(c->sizeHint().width(), captionNeeds);
        QVERIFY2(c->width() >= needs, qPrintable(QStringLiteral("%1: %2 is %3 wide, needs %4").arg(tab, where(c, page)).arg(c->width()).arg(needs)));
    }
}
} // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        g_heard.clear();
        g_stopOnChange = nullptr;
        // Qt passes events on only while assistive technology is active, never on the offscreen
        // platform: the labels' own listener hears them.
        ValueLabel::setListener(listen);
    }
    void cleanup() { ValueLabel::setListener(nullptr); }

    // Each command changes labels; a screen reader gets each label's name and shown text and hears
    // the change.
    void labelValues_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("stop");  // clicked when the first label changes
        QTest::addColumn<QStringList>("labels");
        const QStringList at21{"start", "set txtStationID 21"};
        QTest::newRow("counters after a read") << at21 << "comDoOnce" << "" << QStringList{"lblCounter", "lblRecCount"};
        QTest::newRow("passes of the module loop")
            << QStringList{"file ModSet.set 1\\n1\\n20\\n1\\n", "device 1", "start", "set txtMtime 0"} << "cmd1Sys"
            << "Command3" << QStringList{"lblCicle", "lblCounter"};
        QTest::newRow("storage state") << QStringList{"holding 21 124 7", "holding 21 125 1234"} + at21
                                       << "cmdStartMonitor" << "" << QStringList{"lblStartCount", "lblMinuterCount"};
        QTest::newRow("record number after a download") << QStringList{"records 21 3"} + at21 + QStringList{"click cmdPoint"} << "cmdRedall" << ""
            << QStringList{"lblCountIC", "Label4(3)", "Label5(0)"};
        QTest::newRow("memory fill after the count") << QStringList{"records 21 5"} + at21 << "cmdPoint" << "" << QStringList{"lblMemoryFill"};
        QTest::newRow("status line: cyclic read, port closed") << QStringList{"start", "click cmdCloseComm"} << "cmdOneM"
                                                               << "" << QStringList{"lblStatusLine"};
        QTest::newRow("status line: device loop, port closed") << QStringList{"start", "click cmdCloseComm"} << "cmdLoop"
                                                               << "" << QStringList{"lblStatusLine"};
        QTest::newRow("port device") << QStringList{} << "start" << "" << QStringList{"lblComDevice"};
    }
    void labelValues()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, command);
        QFETCH(QString, stop);
        QFETCH(QStringList, labels);
        WindowFixture fx;
        prepare(fx, steps);
        if (QTest::currentTestFailed())
            return;
        if (!stop.isEmpty()) {
            g_watched = fx.find(labels.first());
            g_stopOnChange = fx.find<QAbstractButton>(stop);
        }
        g_heard.clear();
        if (command == u"start")
            fx.start();
        else
            fx.find<QAbstractButton>(command)->click();
        QVERIFY(!g_stopOnChange);
        for (const QString &name : labels) {
            auto *l = fx.find<QLabel>(name);
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(l);
            QVERIFY(a);
            QVERIFY2(!l->accessibleName().isEmpty(), qPrintable(name));
            QCOMPARE(a->text(QAccessible::Name), l->accessibleName());
            QVERIFY2(l->text() != u"0" && !l->text().isEmpty(), qPrintable(name + QStringLiteral(" did not change")));
            QCOMPARE(a->text(QAccessible::Value), l->text());
            QCOMPARE(a->text(QAccessible::Description), l->text());
            QString last;
            bool described = false;
            for (const Heard &h : std::as_const(g_heard))
                if (h.object == l && h.type == QAccessible::DescriptionChanged) {
                    last = h.value;
                    described = true;
                }
            QVERIFY2(described, qPrintable(name));
            QCOMPARE(last, l->text());
        }
    }

    // Every status-line message is announced, the same message again too.
    void statusLineAnnounces()
    {
        WindowFixture fx;
        frmMain &w = fx.start();
        g_heard.clear();
        QStringList texts;
        for (int i = 0; i < 3; ++i) {
            fx.find<QAbstractButton>(QStringLiteral("cmdCloseComm"))->click();
            texts << w.lblStatusLine->text();
        }
        QStringList announced;
        for (const Heard &h : std::as_const(g_heard))
            if (h.object == w.lblStatusLine && h.type == QAccessible::Alert)
                announced << h.value;
        QCOMPARE(texts[1], texts[2]);
        QCOMPARE(announced.size(), 3);
        QCOMPARE(announced.last(), texts.last());
    }

    // A command's button keeps the focus while its command runs and after: Space twice reads twice
    // (and never starts the cyclic read beside it); Enter presses the focused button as Space does.
    void focusStaysOnThePressedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::newRow("space") << int(Qt::Key_Space) << "comDoOnce";
        QTest::newRow("enter") << int(Qt::Key_Return) << "comDoOnce";
        QTest::newRow("a slot's read") << int(Qt::Key_Space) << "cmdReadP(11)";
    }
    void focusStaysOnThePressedButton()
    {
        QFETCH(int, key);
        QFETCH(QString, button);
        WindowFixture fx;
        frmMain &w = fx.start();
        QApplication::setActiveWindow(&w);
        auto *once = fx.find<QPushButton>(button);
        for (int i = 0; i < w.tabs->count(); ++i)
            if (w.tabs->widget(i)->isAncestorOf(once))
                w.tabs->setCurrentIndex(i);
        once->setFocus();
        QCOMPARE(QApplication::focusWidget(), once);
        const qsizetype before = fx.recorder.requests().size();
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));  // the read is done when it returns
        QCOMPARE(QApplication::focusWidget(), once);
        QCOMPARE(fx.recorder.requests().size() - before, 2);
    }

    // A cyclic read's tick that finds the port closed says so once, and again after the port was
    // open in between.
    void closedPortPausesPollingAudibly()
    {
        WindowFixture fx;
        frmMain &w = fx.start();
        auto *polling = fx.find<PollingPanel>(QStringLiteral("PollingPanel"));
        const auto click = [&](const char *name) { fx.find<QAbstractButton>(QLatin1String(name))->click(); };
        click("cmdCloseComm");
        g_heard.clear();
        polling->runCyclicTick();
        polling->runCyclicTick();
        click("cmdOpenComm");
        polling->runCyclicTick();
        click("cmdCloseComm");
        polling->runCyclicTick();
        QStringList said;
        for (const Heard &h : std::as_const(g_heard))
            if (h.object == w.lblStatusLine && h.type == QAccessible::Alert)
                said << h.value;
        const QString pause = QStringLiteral("串口已关闭，循环采集暂停；重新打开串口后继续。");
        QCOMPARE(said.count(pause), 2);
        QCOMPARE(said.last(), pause);
    }

    // At 1366 × 768 every tab fits its width, and no frame, caption or button is squeezed below
    // what its text needs.
    // In Chinese and in English, whose captions are longer.
    void tabsFitTheScreen_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("zh") << false;
        QTest::newRow("en") << true;
    }
    void tabsFitTheScreen()
    {
        QFETCH(bool, english);
        QVERIFY(translation::apply(english ? language::Language::English : language::Language::Chinese));
        const auto chinese = qScopeGuard([] { translation::apply(language::Language::Chinese); });
        WindowFixture fx;
        frmMain &w = fx.start();
        // The whole window, frame and status line included, on the screen's free area.
        QTRY_VERIFY2(w.screen()->availableGeometry().contains(w.frameGeometry()), qPrintable(QStringLiteral("%1 × %2")
                     .arg(w.frameGeometry().width()).arg(w.frameGeometry().height())));
        QVERIFY(w.lblStatusLine->isVisible() && w.screen()->availableGeometry().contains(
                    QRect(w.lblStatusLine->mapToGlobal(QPoint()), w.lblStatusLine->size())));
        QVERIFY(w.isMaximized());
        // The test screen's frame is thinner than a desktop's: the pages are checked in the room a
        // maximized window under a 32-pixel title bar has.
        w.showNormal();
        w.resize(w.screen()->availableSize() - QSize(0, 32));
        for (int i = 0; i < w.tabs->count(); ++i)
            checkTabFits(w.tabs, i);
        if (QTest::currentTestFailed() || english)
            return;
        // The maintenance page after a scan that found the recorder and a settings file saved and
        // loaded back: still nothing out of reach.
        fx.find<QLineEdit>(QStringLiteral("txtScanLast"))->setText(QStringLiteral("24"));
        fx.find<QAbstractButton>(QStringLiteral("cmdScanStart"))->click();
        QTRY_VERIFY(!w.link().busy());
        QCOMPARE(fx.find<QTreeWidget>(QStringLiteral("lstScanFound"))->topLevelItemCount(), 1);
        fx.desktop->saveAnswer = fx.dir.filePath(QStringLiteral("s.txt"));
        fx.desktop->openAnswer = fx.desktop->saveAnswer;
        fx.find<QLineEdit>(QStringLiteral("txtStationID"))->setText(QStringLiteral("21"));
        for (const char *command : {"cmdSaveSettings", "cmdLoadSettings"}) {
            fx.find<QAbstractButton>(QLatin1String(command))->click();
            QTRY_VERIFY(!w.link().busy());
        }
        QVERIFY(QFileInfo::exists(fx.desktop->saveAnswer));
        for (int i = 0; i < w.tabs->count(); ++i)
            if (w.tabs->widget(i)->isAncestorOf(fx.find(QStringLiteral("fraBusScan"))))
                checkTabFits(w.tabs, i);
    }

    // The history tab opened after a download shows the recorder's records at once, at 1366 × 768:
    // the time column as wide as its text and every sensor's column in view; with twenty named
    // sensors and their limits the plot keeps half the chart, no value label is cut, and the legend
    // and the colours tell the twenty apart.
    void historyFits()
    {
        WindowFixture fx;
        QByteArray named;
        for (int s = 1; s <= 20; ++s)
            named += QStringLiteral("COM4-21\t%1\t二号常温库西墙货架第%1层\t℃\t%2\t30.0\n").arg(s).arg(s % 2 ? "2.0" : "-25.0").toUtf8();
        fx.writeFile(QStringLiteral("sensors.set"), named);
        prepare(fx, {"records 21 40", "start", "set txtStationID 21", "click cmdPoint", "click cmdRedall"});
        fx.window->resize(1366, 768);
        int room = 0;
        QString tab;
        showPage(fx.window->tabs, fx.window->tabs->indexOf(fx.find(QStringLiteral("HistoryPanel"))), &room, &tab);
        const auto *table = fx.find<QTableView>(QStringLiteral("tblHistory"));
        QCOMPARE(table->model()->rowCount(), 40);
        QCOMPARE(table->model()->columnCount(), 21);
        QVERIFY(table->columnWidth(0) > table->fontMetrics().horizontalAdvance(table->model()->index(0, 0).data().toString()) + 6);
        QVERIFY2(table->horizontalHeader()->length() <= table->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(table->horizontalHeader()->length()).arg(table->viewport()->width())));
        // The table is one Tab stop: Tab leaves it, whichever cell is current.
        QApplication::setActiveWindow(fx.window.get());
        fx.find<QTableView>(QStringLiteral("tblHistory"))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != table);
        auto *chart = fx.find<RecordChart>(QStringLiteral("chtHistory"));
        QTRY_VERIFY(chart->chart()->plotArea().bottom() < chart->legend().y());
        QVERIFY2(chart->chart()->plotArea().height() >= chart->height() / 2.0,
                 qPrintable(QStringLiteral("plot %1 of %2").arg(chart->chart()->plotArea().height()).arg(chart->height())));
        QCOMPARE(chart->legend().entries().size(), 20);
        QSet<QRgb> colours;
        for (const ChartLegend::Entry &e : chart->legend().entries())
            colours.insert(e.colour.rgb());
        QCOMPARE(colours.size(), 20);
        for (QGraphicsItem *item : chart->scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && text->isVisible())
                QVERIFY2(!text->toPlainText().contains(QStringLiteral("...")) && !text->toPlainText().contains(QStringLiteral("…")),
                         qPrintable(text->toPlainText()));
    }

    // Tab walks each page in reading order: a frame at a time, and within a frame top to bottom,
    // left to right; a new column may start higher up only to the right.
    void tabOrderFollowsTheLayout()
    {
        WindowFixture fx;
        frmMain &w = fx.start();
        w.resize(1366, 768);
        for (int i = 0; i < w.tabs->count(); ++i) {
            int room = 0;
            QString tab;
            QWidget *page = showPage(w.tabs, i, &room, &tab);
            // The frame around a page is no stop, or a named one.
            QVERIFY2(!(w.tabs->widget(i)->focusPolicy() & Qt::TabFocus) || !w.tabs->widget(i)->accessibleName().isEmpty(), qPrintable(tab));
            QList<QWidget *> stops;
            for (QWidget *c : page->findChildren<QWidget *>()) {
                const bool stop = c->isVisible() && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus) && !c->focusProxy();
                // The live values are walked through, read only; a combo box is named by its caption,
                // its text field too.
                if (c->objectName().startsWith(u"txtValue1("))
                    QVERIFY2(stop, qPrintable(tab + QStringLiteral(": no Tab stop at ") + where(c, page)));
                if (auto *combo = qobject_cast<QComboBox *>(c))
                    QVERIFY2(!combo->accessibleName().isEmpty() && (!combo->lineEdit() || !combo->lineEdit()->accessibleName().isEmpty()),
                             qPrintable(tab + QStringLiteral(": unnamed ") + where(c, page)));
                if (stop)
                    stops << c;
            }
            if (stops.isEmpty())
                continue;
            // The chain as Tab walks it, from the first of the page's stops it reaches.
            QList<QWidget *> chain;
            QWidget *at = page;
            for (int n = 0; n < 5000 && chain.size() < stops.size(); ++n, at = at->nextInFocusChain())
                if (stops.contains(at) && !chain.contains(at))
                    chain << at;
            QCOMPARE(chain.size(), stops.size());
            const auto frameOf = [page](QWidget *c) {
                QWidget *f = c->parentWidget();
                while (f != page && !qobject_cast<QGroupBox *>(f))
                    f = f->parentWidget();
                return f;
            };
            const auto rect = [page](QWidget *c) { return QRect(c->mapTo(page, QPoint()), c->size()); };
            // b comes after a: not in the same row to its left, not above it unless in a column to its right.
            const auto backwards = [](const QRect &a, const QRect &b) {
                const bool sameRow = b.top() < a.bottom() && a.top() < b.bottom();
                return sameRow ? b.right() < a.left() : b.bottom() < a.top() && b.left() < a.right();
            };
            QSet<QWidget *> framesDone;
            for (qsizetype k = 0; k + 1 < chain.size(); ++k) {
                QWidget *a = chain[k], *b = chain[k + 1];
                QWidget *fa = frameOf(a), *fb = frameOf(b);
                if (fa == fb) {
                    QVERIFY2(!backwards(rect(a), rect(b)), qPrintable(QStringLiteral("%1: %2 → %3").arg(tab, where(a, page), where(b, page))));
                    continue;
                }
                framesDone.insert(fa);  // the page itself is no frame: it may be left and come back to
                QVERIFY2(fb == page || !framesDone.contains(fb),
                         qPrintable(QStringLiteral("%1: back into %2 from %3").arg(tab, where(fb, page), where(a, page))));
                if (fa != page && fb != page)
                    QVERIFY2(!backwards(rect(fa), rect(fb)),
                             qPrintable(QStringLiteral("%1: frame %2 → %3").arg(tab, where(fa, page), where(fb, page))));
            }
        }
    }
};

QTEST_MAIN(TestAccess)
#include "test_access.moc"
