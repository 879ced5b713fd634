#include "scenario.h"
#include "windowfixture.h"
#include "core/export/freexlreader.h"
#include "core/link/busshare.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTreeWidget>
#include <QTableView>
#include <QTableWidget>
#include <QDateTimeEdit>
#include <QItemSelectionModel>
#include <QChartView>
#include <QLineSeries>
#include <QGraphicsItem>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>

namespace {

// A watcher owning the recorder's line on a thread of its own, as another program would: the window
// reaches the bus through it. Its polls run when a step asks for one, so the frames stay in order.
class ScenarioWatcher : public QObject {
public:
    explicit ScenarioWatcher(sim::SimRecorder &recorder) : m_recorder(recorder)
    {
        moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(this, [this] {
            m_link = std::make_unique<Link>();
            m_link->setPeerWitness(&m_recorder);
            m_error = m_link->open(m_recorder.portPath(), 19200, 0);
            m_relay = std::make_unique<busshare::BusRelay>(*m_link);
            if (m_error.isEmpty())
                m_error = m_relay->listen(m_recorder.portPath());
            connect(m_link.get(), &Link::idle, this, [this] { pollOwed(); });
        }, Qt::BlockingQueuedConnection);
    }
    ~ScenarioWatcher() override
    {
        QMetaObject::invokeMethod(this, [this] {
            m_relay.reset();
            m_link.reset();
        }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QString error() const { return m_error; }
    int polls() const { return m_polls; }
    // One live read of device 21 as soon as the bus is free.
    void poll()
    {
        QMetaObject::invokeMethod(this, [this] {
            ++m_owed;
            pollOwed();
        });
    }

private:
    void pollOwed()
    {
        if (m_owed == 0)
            return;
        std::optional<Link::Hold> hold = m_link->tryHold(Link::Visibility::Quiet);
        if (!hold)
            return;  // idle brings the turn back
        --m_owed;
        m_link->exchange(*hold, kinds::LiveRead, modbus::readHolding(21, 0, 20));
        ++m_polls;
    }

    sim::SimRecorder &m_recorder;
    QThread m_thread;
    std::unique_ptr<Link> m_link;
    std::unique_ptr<busshare::BusRelay> m_relay;
    QString m_error;
    int m_owed = 0;
    std::atomic<int> m_polls = 0;
};

const QMap<QString, sim::Fault> kFaults = {
    {"NoReply", sim::Fault::NoReply},     {"BadCrc", sim::Fault::BadCrc},   {"Truncated", sim::Fault::Truncated},
    {"Late", sim::Fault::Late},           {"Exception", sim::Fault::Exception},
    {"OtherAddress", sim::Fault::OtherAddress}, {"Trailing", sim::Fault::Trailing},
    {"Doubled", sim::Fault::Doubled},     {"Split", sim::Fault::Split},
    {"Disconnect", sim::Fault::Disconnect},
};

QString digest(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12));
}

// A long text is kept as its length, digest and beginning.
QString shortened(const QString &text)
{
    if (text.size() <= 120)
        return text;
    return QStringLiteral("%1… (%2 chars #%3)").arg(text.left(60)).arg(text.size()).arg(digest(text.toUtf8()));
}

class Runner : public QObject {
public:
    // baseline: the window as it starts with nothing changed; the first screen lists what differs.
    Runner(const Scenario &s, QMap<QString, QString> baseline) : m_steps(s.steps), m_screen(std::move(baseline)) {}

    QString run()
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(0, this, [this] { step(); });
        m_loop.exec();
        qApp->removeEventFilter(this);
        return m_out.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }

private:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_calm && event->type() == QEvent::EnabledChange && !watched->objectName().isEmpty())
            m_toggled.insert(watched->objectName());
        return false;
    }

    void again(int ms = 5) { QTimer::singleShot(ms, this, [this] { step(); }); }

    void step()
    {
        if (m_until) {
            if (!m_until()) {
                if (m_clock.elapsed() > 20000) {
                    m_out << QStringLiteral("!! step did not end within 20 s");
                    m_until = nullptr;
                    m_index = m_steps.size();
                    return finish();
                }
                return again();
            }
            m_until = nullptr;
        }
        // A frame let go is answered before anything else happens: on a busy machine its late reply
        // could otherwise meet the next command's request. It is let go only once the stop has ended
        // the command: its reply, come while the command unwinds, would be taken as if in time.
        if (m_releaseAfter >= 0 && m_index > m_releaseAfter && fx.window && fx.window->link().busy())
            return again();
        if (m_releaseAfter >= 0 && m_index > m_releaseAfter && release()) {
            m_until = [this] { return !fx.recorder.replyPending(); };
            return again();
        }
        if (m_started)
            flush(m_screenAfter && m_inClick == 0);
        if (m_index >= m_steps.size())
            return finish();
        const QString line = m_steps[m_index++];
        m_out << QStringLiteral("> ") + line;
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        const QString arg = line.section(QLatin1Char(' '), 1, 1);
        const QString rest = line.section(QLatin1Char(' '), 2).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        m_screenAfter = !(verb == "wire" || verb == "press" || verb == "calm" || verb == "idle" || verb == "until");
        // While a command runs on, how many of its frames have come by the end of a step is a race:
        // "press" shows none, "wire N" the first N, any other step all of them.
        m_wireShown = verb == "press" ? m_frames : std::numeric_limits<qsizetype>::max();
        m_clock.restart();
        if (!act(verb, arg, rest))
            m_out << QStringLiteral("!! unknown step");
        again(0);
    }

    bool act(const QString &verb, const QString &arg, const QString &rest)
    {
        if (verb == "file") {
            fx.writeFile(arg, rest.toUtf8());
        } else if (verb == "records" || verb == "device") {
            const auto address = uint8_t(arg.toInt());
            if (!fx.recorder.addresses().contains(address))
                fx.recorder.addDevice(address);
            if (verb == "records")
                fx.recorder.setRecords(sim::SimRecorder::demoRecords(rest.toInt(), QDateTime(QDate(2026, 12, 1), QTime(8, 0))), address);
            else if (!rest.isEmpty())
                fx.recorder.setDeviceBaud(address, rest.toInt());
        } else if (verb == "refuse") {
            const auto address = uint8_t(arg.toInt());
            if (!fx.recorder.addresses().contains(address))
                m_out << QStringLiteral("!! no device ") + arg;
            fx.recorder.setRefusedRegister(uint16_t(rest.toInt()), true, address);
        } else if (verb == "fault") {
            sim::FaultSpec f;
            f.fault = kFaults.value(arg, sim::Fault::None);
            f.lateMs = 400;
            fx.recorder.injectFault(f, rest.isEmpty() ? 1 : rest.toInt());
        } else if (verb == "start") {
            // Live values and clocks move with time on their own: pinned, a transcript stays the same.
            static const uint16_t words[20] = {0x00EB, 0x0005, 0x0000, 0xFFFF, 0xFFF6, 0x8001, 0x7FFF, 70, 80, 90,
                                               100, 110, 120, 130, 140, 150, 160, 170, 180, 190};
            for (uint8_t a : fx.recorder.addresses()) {
                for (int k = 0; k < 20; ++k)
                    fx.recorder.setHolding(uint16_t(k), uint16_t(words[k] + a - 21), a);
                fx.recorder.setClock(QDateTime(QDate(2026, 12, 5), QTime(9, 10, 0)), a);
            }
            fx.start();
            m_started = true;
        } else if (verb == "set") {
            QWidget *w = fx.find(arg);
            if (auto *e = qobject_cast<QLineEdit *>(w))
                e->setText(rest);
            else if (auto *t = qobject_cast<QTextEdit *>(w))
                t->setPlainText(rest);
            else if (auto *c = qobject_cast<QComboBox *>(w))
                c->setEditText(rest);
            else if (auto *d = qobject_cast<QDateTimeEdit *>(w))
                d->setDateTime(QDateTime::fromString(rest, QStringLiteral("yyyy-MM-dd HH:mm")));
        } else if (verb == "rows") {
            // rows TABLE FIRST-LAST: those rows of a table picked, as a drag over them would.
            auto *t = fx.find<QTableView>(arg);
            const QStringList ends = rest.split(QLatin1Char('-'));
            const QModelIndex a = t->model()->index(ends.value(0).toInt(), 0);
            const QModelIndex b = t->model()->index(ends.value(1).toInt(), 0);
            t->selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else if (verb == "cell") {
            // cell TABLE ROW,COLUMN TEXT: a cell of an editable table typed over.
            auto *t = fx.find<QTableWidget>(arg);
            showTabOf(t);
            const QString place = rest.section(QLatin1Char(' '), 0, 0);
            const int row = place.section(QLatin1Char(','), 0, 0).toInt(), column = place.section(QLatin1Char(','), 1, 1).toInt();
            if (!t->item(row, column))
                t->setItem(row, column, new QTableWidgetItem);
            t->item(row, column)->setText(rest.section(QLatin1Char(' '), 1));
        } else if (verb == "pick") {
            auto *c = fx.find<QComboBox>(arg);
            const int i = c->findText(rest);
            if (i < 0)
                m_out << QStringLiteral("!! no entry ") + rest;
            c->setCurrentIndex(i);
            emit c->activated(i);
        } else if (verb == "click" || verb == "press") {
            // A press followed by "wire N" holds frame N from the start: the click may send it before
            // the next step runs.
            if (verb == "press" && m_index < m_steps.size() && m_steps[m_index].startsWith(QLatin1String("wire ")))
                armWire(m_steps[m_index].section(QLatin1Char(' '), 1, 1).toInt());
            auto *b = fx.find<QAbstractButton>(arg);
            showTabOf(b);
            auto done = std::make_shared<bool>(false);
            if (verb == "click")
                m_until = [done] { return *done; };
            QTimer::singleShot(0, this, [this, b, done] {
                ++m_inClick;
                b->click();
                --m_inClick;
                *done = true;
            });
        } else if (verb == "answer") {
            fx.desktop->confirmAnswer = arg == "yes";
        } else if (verb == "replywindow") {
            const QStringList v = arg.split(QLatin1Char(','));
            fx.desktop->replyWindowAnswer = records::ReplyWindow{v.value(0).toInt(), v.value(1).toInt(), v.value(2).toInt(),
                                                                 EchoMode(v.value(3).toInt()), v.value(4, QStringLiteral("1")) == u"1"};
        } else if (verb == "saveas") {
            fx.desktop->saveAnswer = arg.isEmpty() ? QString() : fx.dir.filePath(arg);
        } else if (verb == "openas") {
            fx.desktop->openAnswer = arg.isEmpty() ? QString() : fx.dir.filePath(arg);
        } else if (verb == "wire") {
            const qsizetype n = arg.toInt();
            m_wireShown = n;
            if (m_armedFor != n)
                armWire(n);
            m_releaseAfter = m_index;
            m_until = [this, n] { return fx.recorder.requests().size() >= n; };
        } else if (verb == "until") {
            m_until = [this, arg, rest] { return screen().value(arg).contains(rest); };
        } else if (verb == "idle") {
            m_until = [this] { return !fx.window->link().busy(); };
        } else if (verb == "quiet") {
            const qint64 ms = arg.toInt();
            const qsizetype before = fx.recorder.requests().size();
            m_until = [this, ms, before] {
                // At least ms, and then until the line is idle: what was counted is all there is.
                if (m_clock.elapsed() < ms || fx.window->link().busy() || fx.recorder.replyPending())
                    return false;
                const qsizetype extra = fx.recorder.requests().size() - before;
                m_out << (extra == 0 ? QStringLiteral("quiet") : QStringLiteral("!! %1 frames after the stop").arg(extra));
                return true;
            };
        } else if (verb == "calm") {
            const qint64 ms = arg.toInt();
            auto *combo = fx.find<QComboBox>(QStringLiteral("Combo1"));
            combo->showPopup();
            m_toggled.clear();
            m_calm = true;
            const qsizetype before = fx.recorder.requests().size();
            m_until = [this, ms, combo, before] {
                // At least ms, and at least two polling requests while the list was open.
                if (m_clock.elapsed() < ms || fx.recorder.requests().size() < before + 2)
                    return false;
                m_calm = false;
                QStringList names(m_toggled.begin(), m_toggled.end());
                names.sort();
                m_out << (names.isEmpty() ? QStringLiteral("no control changed state")
                                          : QStringLiteral("controls changed state: ") + names.join(QLatin1Char(' ')));
                m_out << (combo->view()->isVisible() ? QStringLiteral("Combo1 list still open") : QStringLiteral("Combo1 list closed"));
                combo->hidePopup();
                return true;
            };
        } else if (verb == "line") {
            // Before "start": the recorder moves behind a TCP listener, raw RTU or Modbus TCP, and its
            // COM number names the URL.
            QString error;
            fx.recorder.stop();
            if (!fx.recorder.start(&error, arg == "tcp" ? sim::SimRecorder::Transport::ModbusTcp : sim::SimRecorder::Transport::RtuOverTcp))
                m_out << QStringLiteral("!! ") + error;
            fx.writeFile(QStringLiteral("comports.map"), QStringLiteral("COM4=%1\n").arg(fx.recorder.portPath()).toUtf8());
            m_portPath = fx.recorder.portPath();
        } else if (verb == "watcher") {
            // watcher on|off: a watcher takes the line (before "start"), or ends; "poll": it polls once.
            m_watcher.reset();
            if (arg == "on") {
                m_watcher = std::make_unique<ScenarioWatcher>(fx.recorder);
                if (!m_watcher->error().isEmpty())
                    m_out << QStringLiteral("!! ") + m_watcher->error();
            }
        } else if (verb == "poll") {
            const int target = m_watcher->polls() + 1;
            m_watcher->poll();
            m_until = [this, target] { return m_watcher->polls() >= target; };
        } else if (verb == "unplug") {
            release();
            fx.recorder.stop();
        } else if (verb == "close") {
            fx.window->close();
        } else {
            return false;
        }
        return true;
    }

    void showTabOf(QWidget *w)
    {
        auto *tabs = fx.find<QTabWidget>(QStringLiteral("SSTab1"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(w))
                tabs->setCurrentIndex(i);
    }

    QString clean(QString s) const
    {
        static const QRegularExpression pts(QStringLiteral("pts/[0-9]+"));
        return s.replace(m_portPath, m_portPath.contains(QLatin1String("://")) ? QStringLiteral("<url>") : QStringLiteral("<pty>")).replace(pts, QStringLiteral("<pty>"))
            .replace(fx.dir.path(), QStringLiteral("<appdir>"));
    }

    QMap<QString, QString> screen() const
    {
        QMap<QString, QString> out;
        out.insert(QStringLiteral("(window)"), fx.window->isVisible() ? QStringLiteral("shown") : QStringLiteral("closed"));
        const QWidget *monitor = fx.window->findChild<QWidget *>(QStringLiteral("dockMonitor"));
        for (QWidget *w : fx.window->findChildren<QWidget *>()) {
            const QString name = w->objectName();
            // Left out: what a timer redraws at its own pace (the live trend, the bus monitor's frames
            // with their times) or what shows the time left.
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || name == QLatin1String("lblTimeLeft")
                || name == QLatin1String("lblScanLeft") || name == QLatin1String("chtLiveTrend")
                || (monitor && (w == monitor || monitor->isAncestorOf(w))))
                continue;
            QString s;
            if (auto *e = qobject_cast<QLineEdit *>(w))
                // A value outside its limits: what a screen reader hears of it.
                s = e->text() + (e->property("outOfRange").toBool() ? QStringLiteral(" [%1]").arg(e->accessibleDescription()) : QString());
            else if (auto *t = qobject_cast<QTextEdit *>(w))
                s = t->toPlainText();
            else if (auto *p = qobject_cast<QPlainTextEdit *>(w))
                s = p->toPlainText();
            else if (auto *l = qobject_cast<QLabel *>(w))
                s = l->text();
            else if (auto *c = qobject_cast<QComboBox *>(w))
                s = c->currentText();
            else if (auto *d = qobject_cast<QDateTimeEdit *>(w))
                s = d->text();
            else if (auto *b = qobject_cast<QAbstractButton *>(w))
                s = b->isCheckable() && b->isChecked() ? QStringLiteral("[checked]") : QString();
            else if (auto *g = qobject_cast<QProgressBar *>(w))
                s = QStringLiteral("%1/%2").arg(g->value()).arg(g->maximum());
            else if (auto *v = qobject_cast<QTreeWidget *>(w)) {
                QStringList rows;
                for (int i = 0; i < v->topLevelItemCount(); ++i) {
                    QStringList cells;
                    for (int c = 0; c < v->columnCount(); ++c)
                        cells << v->topLevelItem(i)->text(c);
                    rows << cells.join(QLatin1Char(' '));
                }
                s = rows.join(QStringLiteral("; "));
            } else if (auto *t = qobject_cast<QTableView *>(w)) {
                // A table by its size and the first cells of its first and last row.
                const QAbstractItemModel *m = t->model();
                const auto row = [m](int r) {
                    QStringList cells;
                    for (int c = 0; c < std::min(m->columnCount(), 4); ++c)
                        cells << m->index(r, c).data().toString();
                    return cells.join(QLatin1Char(' '));
                };
                s = QStringLiteral("%1 rows").arg(m->rowCount());
                if (m->rowCount() > 0)
                    s += QStringLiteral(": ") + row(0) + QStringLiteral(" … ") + row(m->rowCount() - 1);
            } else if (auto *v = qobject_cast<QChartView *>(w)) {
                // A chart by its lines (a sensor's first line carries its name), points and marks.
                QStringList named;
                int lines = 0, points = 0, marks = 0;
                for (QAbstractSeries *a : v->chart()->series()) {
                    auto *l = qobject_cast<QLineSeries *>(a);
                    if (!l)
                        continue;
                    ++lines;
                    points += int(l->count());
                    if (!l->name().isEmpty() && named.size() < 3)
                        named << QStringLiteral("%1 %2 pts").arg(l->name()).arg(l->count());
                }
                for (QGraphicsItem *i : v->scene()->items())
                    marks += i->data(0).toString() == QLatin1String("mark") && i->isVisible();
                s = QStringLiteral("%1 lines, %2 points, %3 marks: %4").arg(lines).arg(points).arg(marks).arg(named.join(QStringLiteral(", ")));
            } else if (auto *k = qobject_cast<QStackedWidget *>(w))
                s = k->currentWidget() ? k->currentWidget()->objectName() : QString();
            else
                continue;
            if (!w->isEnabled())
                s += QStringLiteral(" [off]");
            out.insert(name, shortened(clean(s)).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
        }
        return out;
    }

    QMap<QString, QByteArray> files() const
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(fx.dir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = QDir(fx.dir.path()).relativeFilePath(path);
            // The archive is a database: what it holds is read back through the history tab.
            if (name == QLatin1String("comports.map") || name.startsWith(QLatin1String("archive.db")))
                continue;
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            out.insert(name, f.readAll());
        }
        return out;
    }

    // A file as a reviewer wants to see it: a short settings file as it is; a longer text by its
    // size and its first lines (or, when an earlier version was shown, the lines that changed); a
    // workbook by what an independent reader finds in it.
    QStringList showFile(const QString &name, const QByteArray &bytes, const QByteArray &before) const
    {
        if (bytes.contains('\0')) {
            FreeXl book(fx.dir.filePath(name));
            if (book.status() != FREEXL_OK)
                return {QStringLiteral("file %1: %2 bytes, not a workbook freexl reads").arg(name).arg(bytes.size())};
            const auto [rows, columns] = book.dimensions();
            QStringList first, third;
            for (int c = 0; c < std::min<int>(columns, 4); ++c)
                first << book.text(0, c), third << book.text(2, c);
            return {QStringLiteral("file %1: %2 bytes, a workbook (sheet %3) of %4 rows × %5 columns; first row: %6; third: %7")
                        .arg(name).arg(bytes.size()).arg(book.sheetName()).arg(rows).arg(columns)
                        .arg(first.join(QStringLiteral(" | ")), third.join(QStringLiteral(" | ")))};
        }
        const QString text = QString::fromUtf8(bytes);
        if (bytes.size() <= 80 && !name.contains(QLatin1Char('/')))
            return {QStringLiteral("file %1: %2").arg(name, QString(text).replace(QStringLiteral("\r"), QStringLiteral("\\r"))
                                                                .replace(QStringLiteral("\n"), QStringLiteral("\\n")))};
        const QStringList lines = text.split(QStringLiteral("\n")), was = QString::fromUtf8(before).split(QStringLiteral("\n"));
        QStringList out{QStringLiteral("file %1: %2 lines, %3 bytes").arg(name).arg(lines.size() - lines.endsWith(QString())).arg(bytes.size())};
        for (qsizetype i = 0; i < lines.size() && out.size() <= 3; ++i)
            if (before.isNull() ? !lines[i].isEmpty() : was.value(i) != lines[i])
                out << QStringLiteral("  | %1%2").arg(before.isNull() ? QString() : QStringLiteral("line %1: ").arg(i + 1),
                                                      shortened(clean(QString(lines[i]).remove(QLatin1Char('\r')))));
        return out;
    }

    template <typename T>
    void listNew(const QList<T> &list, qsizetype &seen, const QString &what, const std::function<QString(const T &)> &show)
    {
        for (; seen < list.size(); ++seen)
            m_out << what + clean(show(list[seen]));
    }

    void flush(bool withScreen)
    {
        const QVector<QByteArray> wire = fx.recorder.requests();
        for (; m_frames < qMin(wire.size(), m_wireShown); ++m_frames)
            m_out << QStringLiteral("wire ") + QString::fromLatin1(wire[m_frames].toHex(' ').toUpper());
        RecordingDesktop &d = *fx.desktop;
        listNew<RecordingDesktop::Message>(d.messages, m_messages, QStringLiteral("message "),
                                           [](const auto &m) { return m.title + QStringLiteral(" | ") + m.text; });
        listNew<QString>(d.confirmations, m_confirms, QStringLiteral("confirm "), [](const QString &c) { return c; });
        const auto inAppDir = [this](const QString &c) { return QString(c).replace(fx.dir.path(), QStringLiteral("<appdir>")); };
        listNew<QString>(d.saveDialogs, m_saves, QStringLiteral("save dialog "), inAppDir);
        listNew<QString>(d.openDialogs, m_opens, QStringLiteral("open dialog "), inAppDir);
        listNew<QPair<QString, Desktop::Opener>>(d.opened, m_opened, QStringLiteral("opened "), [&](const auto &o) { return inAppDir(o.first); });
        const auto nowFiles = files();
        for (auto it = nowFiles.begin(); it != nowFiles.end(); ++it)
            if (!m_files.contains(it.key()) || m_files.value(it.key()) != it.value())
                m_out << showFile(it.key(), it.value(), m_files.value(it.key()));
        m_files = nowFiles;
        if (!withScreen || !fx.window)
            return;
        // A change of the enabled state alone is listed by name: whole groups change at once.
        const auto now = screen();
        const QString off = QStringLiteral(" [off]");
        QStringList turnedOff, turnedOn;
        for (auto it = now.begin(); it != now.end(); ++it) {
            const QString was = m_screen.value(it.key());
            if (m_screen.contains(it.key()) && was == it.value())
                continue;
            if (m_screen.contains(it.key()) && was + off == it.value())
                turnedOff << it.key();
            else if (m_screen.contains(it.key()) && was == it.value() + off)
                turnedOn << it.key();
            else
                m_out << QStringLiteral("  %1 = %2").arg(it.key(), it.value());
        }
        if (!turnedOff.isEmpty())
            m_out << QStringLiteral("  off: ") + turnedOff.join(QLatin1Char(' '));
        if (!turnedOn.isEmpty())
            m_out << QStringLiteral("  on: ") + turnedOn.join(QLatin1Char(' '));
        m_screen = now;
    }

    // Frame n is held unanswered until the step after "wire N" has acted: a stop or a close lands on
    // it, however fast or slow the machine.
    void armWire(qsizetype n)
    {
        m_armedFor = n;
        fx.recorder.setFrameHook([this, n](int index) {
            if (index + 1 == n)
                m_release.acquire();
        });
    }

    // Lets a frame held by "wire" be answered; true when one was held. The simulator takes the hook
    // with the frame, so a frame that has come is held or about to be, however late its thread runs.
    bool release()
    {
        const qsizetype n = std::exchange(m_armedFor, -1);
        m_releaseAfter = -1;
        fx.recorder.setFrameHook(nullptr);
        if (n < 0 || fx.recorder.requests().size() < n)
            return false;
        m_release.release();
        return true;
    }

    void finish()
    {
        release();
        if (m_inClick > 0)
            return again();
        flush(true);
        m_loop.quit();
    }

public:
    WindowFixture fx;
    QString m_portPath = fx.recorder.portPath();
    std::unique_ptr<ScenarioWatcher> m_watcher;  // goes before the recorder it watches

private:
    QStringList m_steps;
    QMap<QString, QString> m_screen;
    QStringList m_out;
    QEventLoop m_loop;
    QElapsedTimer m_clock;
    std::function<bool()> m_until;
    int m_index = 0;
    qsizetype m_armedFor = -1;  // the frame a "wire" hook holds, -1 for none
    int m_inClick = 0;
    int m_releaseAfter = -1;  // the step after which a held frame is let go
    QSemaphore m_release;
    bool m_started = false;
    bool m_screenAfter = true;
    bool m_calm = false;
    QSet<QString> m_toggled;
    QMap<QString, QByteArray> m_files;
    qsizetype m_wireShown = 0;
    qsizetype m_frames = 0, m_messages = 0, m_confirms = 0, m_saves = 0, m_opens = 0, m_opened = 0;
};

} // namespace

void runScenario(const Scenario &scenario)
{
    // The start screen is kept once, as the transcript of the scenario that only starts the window.
    QMap<QString, QString> baseline;
    if (qstrcmp(scenario.name, StartScreen) != 0) {
        QFile start(QStringLiteral(WL_TRANSCRIPT_DIR "/%1.txt").arg(QLatin1String(StartScreen)));
        QVERIFY(start.open(QIODevice::ReadOnly));
        for (const QString &line : QString::fromUtf8(start.readAll()).split(QLatin1Char('\n')))
            if (const qsizetype eq = line.indexOf(QStringLiteral(" = ")); line.startsWith(QStringLiteral("  ")) && eq > 2)
                baseline.insert(line.mid(2, eq - 2), line.mid(eq + 3));
    }
    Runner runner(scenario, baseline);
    const QString actual = runner.run();
    const QString kept = QStringLiteral(WL_TRANSCRIPT_DIR "/%1.txt").arg(QString::fromLatin1(scenario.name));
    QFile f(kept);
    if (qEnvironmentVariableIsSet("WL_UPDATE_TRANSCRIPTS")) {
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(actual.toUtf8());
        return;
    }
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(kept + QStringLiteral(" is missing: run with WL_UPDATE_TRANSCRIPTS=1")));
    const QStringList want = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QStringList got = actual.split(QLatin1Char('\n'));
    QFile out(QStringLiteral("%1.actual.txt").arg(QString::fromLatin1(scenario.name)));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(actual.toUtf8());
    for (qsizetype i = 0; i < qMax(want.size(), got.size()); ++i) {
        const QString w = want.value(i), g = got.value(i);
        QVERIFY2(w == g, qPrintable(QStringLiteral("%1 line %2\n  kept:   %3\n  now:    %4")
                                        .arg(QString::fromLatin1(scenario.name)).arg(i + 1).arg(w, g)));
    }
}
