// The recorders' names: what recorders.set may hold, the naming rules, and a name kept across a save.
#include "core/settings/recorders.h"
#include "tablerows.h"
#include <QTemporaryDir>
#include <QTest>

// Names as "port,address=name" (the default shows where a line was skipped) and the lines reported.
const auto &contentRows() {
    const QByteArray forty(40, 'x');
    static const struct { const char *name; QByteArray content; QStringList names; QList<int> badLines; } rows[] = {
        {"two lines", "COM4,21,冷库一号\r\nCOM5,3,Lab\n", {"4,21=冷库一号", "5,3=Lab", "4,22=COM4-22"}, {}},
        {"BOM, comment, blanks", "\xEF\xBB\xBF# 注释\r\n\r\n  com4 , 21 ,  冷库 一号  \r\n5,3,B", {"4,21=冷库 一号", "5,3=B"}, {}},
        {"malformed", "COM4,21\nCOM4,22,B\nCOM4,x,C\nCOM,1,D\nCOM4,23,A,B", {"4,21=COM4-21", "4,22=B"}, {1, 3, 4, 5}},
        {"twice", "COM4,21,A\nCOM5,1,a\nCOM4,21,B\nCOM6,2,A", {"4,21=A", "5,1=COM5-1", "6,2=COM6-2"}, {2, 3, 4}},
        {"out of range", "COM26,1,X\nCOM0,1,Y\nCOM4,0,Z\nCOM4,256,W\nCOM25,255,V", {"25,255=V"}, {1, 2, 3, 4}},
        {"too long, empty, a tab", "COM4,1," + forty + "\nCOM4,2,y" + forty + "\nCOM4,3,\nCOM4,4,a\tb", {"4,1=" + forty, "4,2=COM4-2"}, {2, 3, 4}},
        {"default names, not UTF-8", "COM4,21,COM5-3\nCOM4,22,COM4-22\nCOM4,23,\xFF\xFE", {"4,21=COM4-21", "4,22=COM4-22"}, {1, 3}},
    }; return rows; }

const auto &refusedRows() { static const struct { int port, address; const char *name; const char *why; } rows[] = {
    {5, 1, "冷库一号", "已用于 COM4-21"}, {5, 1, "  ", "不能为空"}, {5, 1, "a,b", "逗号"}, {5, 1, "a\nb", "换行"},
    {5, 1, "COM4-22", "默认名称"}, {26, 1, "x", "COM26"}, {5, 0, "x", "地址 0"},
}; return rows; }

class TestRecorders : public QObject {
    Q_OBJECT
private slots:
    void fileContents_data() { tableRows(contentRows()); }
    void fileContents()
    {
        const auto &r = tableRow(contentRows());
        RecorderNames names;
        QStringList problems;
        names.parse(r.content, &problems);
        for (const QString &q : r.names) {
            const QStringList k = q.section(u'=', 0, 0).split(u',');
            QCOMPARE(names.name(k[0].toInt(), k[1].toInt()), q.section(u'=', 1));
        }
        QCOMPARE(problems.size(), r.badLines.size());
        for (qsizetype i = 0; i < problems.size(); ++i)
            QVERIFY2(problems[i].contains(QStringLiteral("第 %1 行").arg(r.badLines[i])), qPrintable(problems[i]));
    }

    void refusedNames_data() { tableRows(refusedRows(), [](const auto &r) { return r.why; }); }
    void refusedNames()
    {
        const auto &r = tableRow(refusedRows());
        RecorderNames names;
        QString error;
        QVERIFY(names.setName(4, 21, QStringLiteral("  冷库一号 "), &error));
        QVERIFY(!names.setName(r.port, r.address, QString::fromUtf8(r.name), &error));
        QVERIFY2(error.contains(QString::fromUtf8(r.why)), qPrintable(error));
    }

    void setSaveLoad()
    {
        RecorderNames names;
        QString error;
        QVERIFY(names.setName(4, 21, QStringLiteral("  冷库一号 "), &error));
        QVERIFY(names.setName(3, 255, QStringLiteral("Lab, north").replace(u',', u'；'), &error));
        QVERIFY(names.setName(4, 21, QStringLiteral("冷库一号"), &error));  // its own name again
        QCOMPARE(names.content(), QByteArray("# 记录仪名称：端口,地址,名称\r\nCOM3,255,Lab； north\r\nCOM4,21,冷库一号\r\n"));

        QTemporaryDir dir;
        QVERIFY(names.save(dir.path(), &error));
        RecorderNames again;
        QStringList problems;
        again.setName(7, 7, QStringLiteral("forgotten on load"), &error);
        again.load(dir.path(), &problems);
        QVERIFY(problems.isEmpty());
        QCOMPARE(again.content(), names.content());
        QCOMPARE(again.name(7, 7), QStringLiteral("COM7-7"));
    }
};

QTEST_GUILESS_MAIN(TestRecorders)
#include "test_recorders.moc"
