// One table of port, address and rate words, each read by the shared parser and by every reader that
// takes such words: the collector's command line, watch.set and the watcher's command line. A word one
// of them reads otherwise than the others fails its row there.
#include "core/site/parse.h"
#include "collect/options.h"
#include "core/watch/watchsettings.h"
#include "watch/watchapp.h"
#include "tablerows.h"
#include "wholefile.h"
#include <QTemporaryDir>
#include <QTest>

namespace {
enum class Word { Port, Addresses, Baud };

// taken: what the word stands for ("COM4 4": name and COM number; "1,2": the addresses; "50": the
// rate), or nullptr when it is refused with a message holding why.
const auto &wordRows()
{
    using W = Word;
    static const struct { const char *name; Word word; const char *text; const char *taken; const char *why; } rows[] = {
        {"COM number", W::Port, "4", "COM4 4", nullptr},
        {"last COM", W::Port, "com25", "COM25 25", nullptr},
        {"past the last COM", W::Port, "COM26", nullptr, "“COM26” 既不是 COM 编号（1 到 25）"},
        {"COM0", W::Port, "COM0", nullptr, "“COM0” 既不是"},
        {"device path", W::Port, "/dev/nonexistent-wl8806n", "/dev/nonexistent-wl8806n 0", nullptr},
        {"gateway", W::Port, "tcp://127.0.0.1:1", "tcp://127.0.0.1:1 0", nullptr},
        {"not a line", W::Port, "http://127.0.0.1:502", nullptr, "“http://127.0.0.1:502” 既不是"},
        {"lowest rate", W::Baud, "50", "50", nullptr},
        {"highest rate", W::Baud, "4000000", "4000000", nullptr},
        {"rate below", W::Baud, "49", nullptr, "“49” 不是 50 到 4000000 之间的波特率"},
        {"rate above", W::Baud, "4000001", nullptr, "“4000001” 不是"},
        {"list", W::Addresses, "21,22", "21,22", nullptr},
        {"ranges and one", W::Addresses, "1-4,7", "1,2,3,4,7", nullptr},
        {"last address", W::Addresses, "247", "247", nullptr},
        {"address 0", W::Addresses, "0", nullptr, "“0” 不是 1 到 247 之间的地址"},
        {"address 248", W::Addresses, "21,248", nullptr, "“248” 不是"},
        {"address twice", W::Addresses, "21,20-22", nullptr, "地址 21 出现了两次"},
        {"range backwards", W::Addresses, "5-2", nullptr, "范围 “5-2” 的起点大于终点"},
        {"not an address", W::Addresses, "x", nullptr, "“x” 不是"},
        {"no address", W::Addresses, "", nullptr, "没有设备地址"},
    };
    return rows;
}
constexpr const char *Readers[] = {"parser", "collector", "watch.set", "watcher"};

QString addressText(const QList<uint8_t> &list)
{
    QStringList a;
    for (uint8_t x : list)
        a << QString::number(x);
    return a.join(u',');
}

struct Read {
    std::optional<QString> taken;  // nothing when refused
    QString said;
};

template <typename T>
Read read(const std::optional<T> &v, const QString &why, const std::function<QString(const T &)> &shown)
{
    return v ? Read{shown(*v), {}} : Read{std::nullopt, why};
}

Read byParser(Word word, const QString &text)
{
    QString why;
    switch (word) {
    case Word::Port:
        return read<site::Port>(site::parsePort(text, &why), why, [](const site::Port &p) { return QStringLiteral("%1 %2").arg(p.name).arg(p.com); });
    case Word::Addresses:
        return read<QList<uint8_t>>(site::parseAddresses(text, &why), why, addressText);
    case Word::Baud:
        return read<int>(site::parseBaud(text, &why), why, [](const int &r) { return QString::number(r); });
    }
    return {};
}

Read byCollector(Word word, const QString &text)
{
    const char *option = word == Word::Port ? "--port" : word == Word::Addresses ? "--address" : "--baud";
    const collect::Parsed p = collect::parseArguments({"wl8806n-collect", option, text});
    if (p.action != collect::Parsed::Action::Run)
        return {std::nullopt, p.text};
    const collect::Options &o = p.options;
    return {word == Word::Port ? QStringLiteral("%1 %2").arg(o.port).arg(o.com.value_or(0))
            : word == Word::Addresses ? addressText(o.addresses) : QString::number(o.baud.value_or(0)), {}};
}

Read byWatchSet(Word word, const QString &text)
{
    const QString line = word == Word::Port ? QStringLiteral("line=%1 addresses=1").arg(text)
                         : word == Word::Addresses ? QStringLiteral("line=COM4 addresses=%1").arg(text)
                                                   : QStringLiteral("line=COM4 addresses=1 baud=%1").arg(text);
    QString problem;
    const watch::WatchSettings s = watch::parseWatchSettings(line.toUtf8(), &problem);
    if (s.lines.isEmpty())
        return {std::nullopt, problem};
    const watch::WatchedLine &w = s.lines.first();
    return {word == Word::Port ? QStringLiteral("%1 %2").arg(w.port).arg(w.com)
            : word == Word::Addresses ? addressText(w.addresses) : QString::number(w.baud.value_or(0)), {}};
}

// The watcher once on a line that is not there: a word it takes gets as far as opening the line.
Read byWatcher(Word word, const QString &text)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("comports.map"), "COM4=/dev/nonexistent-wl8806n\nCOM25=/dev/nonexistent-wl8806n\n");
    QStringList args{"wl8806n-watch", "--appdir", dir.path(), "--once", "--port", word == Word::Port ? text : "COM4",
                     "--address", word == Word::Addresses ? text : "1"};
    if (word == Word::Baud)
        args << "--baud" << text;
    QString err;
    const int code = watch::run(args, {[](const QString &) {}, [&](const QString &s) { err += s; }, {}});
    if (code == watch::Usage)
        return {std::nullopt, err};
    return {QString(), err};  // what it took is not shown, only that it took it
}
} // namespace

class TestSite : public QObject {
    Q_OBJECT
private slots:
    void words_data() { tableRowsOver(wordRows(), Readers); }
    void words()
    {
        const auto &r = tableRow(wordRows());
        QFETCH(int, variant);
        const QString text = QString::fromUtf8(r.text);
        const Read got = variant == 0 ? byParser(r.word, text) : variant == 1 ? byCollector(r.word, text)
                       : variant == 2 ? byWatchSet(r.word, text) : byWatcher(r.word, text);
        if (!r.taken) {
            // Said where the word was given: the option, or watch.set's line and key.
            const char *option = r.word == Word::Port ? "--port：" : r.word == Word::Addresses ? "--address：" : "--baud：";
            const char *key = r.word == Word::Port ? "line" : r.word == Word::Addresses ? "addresses" : "baud";
            const QString where = variant == 0 ? QString() : variant == 2 ? QStringLiteral("第 1 行（%1=）：").arg(key) : QString::fromUtf8(option);
            QVERIFY2(!got.taken && got.said.contains(where + QString::fromUtf8(r.why)), qPrintable(got.said));
            return;
        }
        QVERIFY2(got.taken, qPrintable(got.said));
        if (variant != 3)
            QCOMPARE(*got.taken, QString::fromUtf8(r.taken));
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "test_site.moc"
