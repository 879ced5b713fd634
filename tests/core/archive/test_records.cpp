// The records part, the same table of cases on a SQLite file and on a PostgreSQL server: what is
// kept once, what is kept twice, what is refused, a batch that fails half-way, and the renaming every
// read goes through.
#include "archivetest.h"

using namespace archivetest;

namespace {
struct Step { QString recorder; QList<QByteArray> records; int added; };  // added −1: refused
struct Case {
    const char *name;
    const char *refused;    // a time the records table refuses, to fail a batch half-way
    QList<Step> steps;
    QList<QPair<QString, QList<QByteArray>>> kept;  // each recorder's records afterwards, in time order
};
const QList<Case> cases = {
    {"same memory twice", nullptr, {{"A", {r1, r2, r3}, 3}, {"A", {r1, r2, r3}, 0}}, {{"A", {r1, r2, r3}}}},
    {"identical neighbours", nullptr, {{"A", {r1, r1, r2}, 3}, {"A", {r1, r1, r2}, 0}, {"A", {r1, r1, r1, r2}, 1}}, {{"A", {r1, r1, r1, r2}}}},
    {"blank words as read", nullptr, {{"A", {blanks, r3}, 2}}, {{"A", {r3, blanks}}}},
    {"two recorders one address", nullptr, {{"A", {r1, r2}, 2}, {"B", {r1, r2}, 2}, {"A", {r2}, 0}}, {{"A", {r1, r2}}, {"B", {r1, r2}}}},
    {"what is not a record", nullptr, {{"A", {r1, erased}, -1}, {"A", {r1, r2.chopped(1)}, -1}, {"", {r1}, -1}, {"A", {r1}, 1}}, {{"A", {r1}}}},
    {"insert fails half-way", "2024-01-02 03:06", {{"A", {r1}, 1}, {"A", {r2, r3, blanks}, -1}}, {{"A", {r1}}}},
};

// A trigger that refuses a record of the time given, as a constraint the archive does not know would.
Statements refuse(bool postgres, const char *taken)
{
    if (!postgres)
        return {{QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON records WHEN NEW.taken = '%1'"
                                " BEGIN SELECT RAISE(ABORT, 'refused'); END").arg(taken), {}}};
    return {{QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                            " IF NEW.taken = '%1' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$").arg(taken), {}},
            {"CREATE TRIGGER refuse BEFORE INSERT ON records FOR EACH ROW EXECUTE FUNCTION refuse()", {}}};
}
} // namespace

class TestRecords : public QObject {
    Q_OBJECT
    Archives m_archives;

private slots:
    void initTestCase() { m_archives.start(); }

    void store_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::addColumn<int>("index");
        for (bool pg : {false, true})
            for (int i = 0; i < cases.size(); ++i)
                QTest::addRow("%s: %s", pg ? "postgres" : "sqlite", cases[i].name) << pg << i;
    }

    void store()
    {
        QFETCH(bool, postgres);
        QFETCH(int, index);
        const Case &c = cases[index];
        QTemporaryDir dir;
        const auto archive = m_archives.fresh(postgres, dir);
        if (!archive)
            return;
        const ArchiveConfig &config = *archive;
        // Each batch through a store of its own, as separate downloads would.
        for (const Step &s : c.steps) {
            RecordStore store;
            QString error;
            QVERIFY2(store.open(config, &error), qPrintable(error));
            if (c.refused && &s == &c.steps.last())
                QCOMPARE(runRaw(config, refuse(postgres, c.refused)), 0);
            const auto added = store.records().store({s.recorder, 21, 60, readAt, "COM4", records::numbered(s.records)}, &error);
            QCOMPARE(added.value_or(-1), s.added);
            QCOMPARE(error.isEmpty(), s.added >= 0);
        }
        RecordStore store;
        QString error;
        QVERIFY2(store.open(config, &error), qPrintable(error));
        QCOMPARE(store.schemaVersion(), archive::schema::Version);
        // Its chains whole, its audit trail starting with the archive made.
        QCOMPARE(store.checks().verify(&error).value_or(archive::chain::Verdict{}).ok, true);
        QCOMPARE(store.audit().trail(&error).value_or(QList<archive::AuditRow>{}).value(0).kind, "created");
        QStringList names;
        for (const auto &[recorder, records] : c.kept) {
            names << recorder;
            const auto rows = store.records().period(recorder, QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                                      QDateTime(QDate(2099, 12, 31), QTime(23, 59)), &error);
            QList<QByteArray> data;
            for (const auto &row : rows) {
                data << row.data();
                QCOMPARE(row.port, QStringLiteral("COM4"));
                QCOMPARE(std::tuple(row.address, row.intervalS, row.readAt), std::tuple(uint8_t(21), 60, readAt));
            }
            QCOMPARE(data, records);
            // Both ends of a period are in it.
            const auto inside = std::count_if(records.begin(), records.end(), [](auto &r) {
                return records::Record{0, r}.timeText() >= "2024-01-02 03:05" && records::Record{0, r}.timeText() <= "2024-01-02 03:06";
            });
            QCOMPARE(store.records().period(recorder, QDateTime(QDate(2024, 1, 2), QTime(3, 5)),
                                  QDateTime(QDate(2024, 1, 2), QTime(3, 6)), &error).size(), inside);
        }
        QCOMPARE(store.records().recorders(), names);
    }

    // Naming a recorder moves its records, merging with what the new name holds; the span and what
    // the archive holds follow.
    void renameAndSpan_data() { bothDatabases(); }
    void renameAndSpan()
    {
        QTemporaryDir dir;
        RecordStore store;
        const auto config = m_archives.openFresh(dir, store);
        if (!config)
            return;
        QString error;
        QVERIFY(store.records().store({"COM4-21", 21, 60, readAt, "COM4", {{1, r1}, {3, r2}}, {2, 7}, 7}, &error));
        QVERIFY(store.records().store({"冷库", 21, 60, readAt, "COM4", records::numbered({r2, r3}), {7}, 9}, &error));
        QVERIFY(!store.records().span("冷库二号", &error));
        QCOMPARE(store.records().rename("COM4-21", "冷库", &error).value_or(-1), 2);
        QCOMPARE(store.records().recorders(), QStringList{"冷库"});
        QList<QByteArray> kept;
        for (const auto &row : store.records().period("冷库", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error))
            kept << row.data();
        QCOMPARE(kept, (QList<QByteArray>{r1, r2, r3}));
        QCOMPARE(store.records().span("冷库", &error), (std::pair{records::Record{0, r1}.timeText(), records::Record{0, r3}.timeText()}));
        // The positions still to read go with the name; a later download drops what it read and what
        // lies past its count.
        QCOMPARE(store.records().missingPositions("冷库", &error), QList<int>({2, 7}));
        QVERIFY(store.records().store({"冷库", 21, 60, readAt, "COM4", {{2, r1}}, {}, 6}, &error));
        QCOMPARE(store.records().missingPositions("冷库", &error), QList<int>());
        // What a backward read asks: the same time with other words, or another recorder's, is not held.
        const std::pair<QString, QByteArray> asked[] = {{"冷库", r1}, {"冷库", r3}, {"冷库", rec("24 01 02 03 06 0001 0003")},
                                                        {"冷库", blanks}, {"COM4-21", r1}};
        QList<bool> held;
        for (const auto &[name, data] : asked)
            held << store.records().holds(name, data, &error).value_or(false);
        QCOMPARE(held, (QList<bool>{true, true, false, false, false}));
        // The rows stay where they were stored: the old name used again afterwards is a recorder of its own.
        QVERIFY(store.records().store({"COM4-21", 22, 60, readAt, "COM5", records::numbered({r3, blanks})}, &error) == 2);
        QCOMPARE(store.records().recorders(), (QStringList{"COM4-21", "冷库"}));
        QCOMPARE(store.records().period("COM4-21", QDateTime(QDate(2000, 1, 1), QTime()), QDateTime(QDate(2099, 1, 1), QTime()), &error).size(), 2);
        QCOMPARE(store.records().span("冷库", &error)->second, (records::Record{0, r3}.timeText()));
        QSqlQuery q(QSqlDatabase::database(QSqlDatabase::connectionNames().first()));
        QVERIFY(q.exec("SELECT COUNT(*) FROM records WHERE recorder = 'COM4-21'") && q.next());
        QCOMPARE(q.value(0).toInt(), 4);
        const auto trail = store.audit().trail(&error).value_or(QList<archive::AuditRow>{});
        QCOMPARE(QStringList({trail.last().kind, trail.last().oldValue, trail.last().newValue}), QStringList({"rename-records", "COM4-21", "冷库"}));
        QCOMPARE(store.checks().verify(&error)->text(), QString("verify: ok rows=8"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
