// The settings files people edit by hand, in the audit trail: a change between two starts is one
// entry, old and new; the program's own save is none; each change is told once.
#include "core/archive/recordstore.h"
#include "core/files/safefile.h"
#include "core/settings/settingsaudit.h"
#include "tablerows.h"
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr std::array Files{"sensors.set", "recorders.set", "alarms.set", "notify.set", "watch.set"};

// The file at the first start and at the next (nullptr: not there), whether the program wrote the
// second, and the next start's entries, "old → new" with %1 for the file's name.
const auto &changeRows() { static const struct { const char *name, *first, *next; bool byProgram; QStringList entries; } rows[] = {
    {"edited by hand", "A\r\n", "B\r\n", false, {"A\r\n → %1（在程序之外被修改）\nB\r\n"}},
    {"unchanged", "A\r\n", "A\r\n", false, {}},
    {"written by the program", "A\r\n", "B\r\n", true, {}},
    {"removed", "A", nullptr, false, {"A → %1（在程序之外被删除）"}},
    {"emptied", "A", "", false, {"A → %1（在程序之外被修改）\n"}},
    {"first record", nullptr, "A", false, {" → %1（首次记录，不是修改）\nA"}},
    {"never there", nullptr, nullptr, false, {}},
    {"a password kept out", "a=1\n", "password = x1\nsmtp=smtps://u:x2@h\n", false,
     {"a=1\n → %1（在程序之外被修改）\npassword =***\nsmtp=smtps://u:***@h\n"}},
}; return rows; }
} // namespace

class TestSettingsAudit : public QObject {
    Q_OBJECT
private slots:
    void changes_data() { tableRowsOver(changeRows(), Files); }
    void changes()
    {
        const auto &r = tableRow(changeRows());
        QFETCH(int, variant);
        const QString file = QString::fromLatin1(Files[variant]);
        QCOMPARE(settings::auditedSettingsFiles().value(variant), file);
        QTemporaryDir dir;
        archive::RecordStore store;
        QString error;
        QVERIFY2(store.open({archive::ArchiveConfig::Sqlite, dir.filePath("archive.db"), {}, 0, {}, {}, {}}, &error), qPrintable(error));
        const auto put = [&](const char *content) {
            QVERIFY(content ? safefile::writeWhole(dir.filePath(file), content, &error) : !QFile::exists(dir.filePath(file)) || QFile::remove(dir.filePath(file)));
        };
        // What a start says and the entries it adds.
        const auto start = [&] {
            const qsizetype before = store.audit().trail(&error, "settings-file").value().size();
            QStringList told = settings::auditSettingsFiles(store.audit(), dir.path());
            for (const auto &row : store.audit().trail(&error, "settings-file").value().mid(before))
                told << row.oldValue + " → " + row.newValue;
            return told;
        };
        put(r.first);
        start();
        put(r.next);
        if (r.byProgram)
            QVERIFY(settings::auditSettingsFile(store.audit(), dir.path(), file, settings::Writer::Program, &error).value());
        QStringList entries;
        for (const QString &e : r.entries)
            entries << e.arg(file);
        QCOMPARE(start(), entries);
        QCOMPARE(start(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSettingsAudit)
#include "test_settingsaudit.moc"
