#pragma once
#include "panels/port/modbuspanel.h"
#include "core/link/hex.h"
#include "panels/records/recordcountpanel.h"
#include "panels/records/recordreadpanel.h"
#include "panels/records/recordspanel.h"
#include "../app/windowfixture.h"
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTextEdit>

// What the tests of the record commands share: a window talking to device 21 of the simulator.
struct RecordsWindow : WindowFixture {
    frmMain *w = nullptr;
    RecordsPanel *tab = nullptr;
    RecordCountPanel *count = nullptr;
    RecordReadPanel *read = nullptr;

    RecordsWindow()
    {
        recorder.setFrameEndBySilence(true);  // a master that skips the gap between frames gets no reply
        w = &start();
        tab = w->recordsPanel;
        count = w->recordCountPanel;
        read = w->recordReadPanel;
        w->modbusPanel->txtStationID->setText(QStringLiteral("21"));
        recorder.clearRequests();
    }

    QString status() const { return w->lblStatusLine->text(); }

    // The record texts of the simulator's memory for the given record numbers, back to back.
    QString memoryText(const QList<int> &numbers, uint8_t address = 21) const
    {
        const auto recs = recorder.records(address);
        QString s;
        for (int k : numbers)
            s += ShowHex(sim::SimRecorder::recordBytes(recs[k - 1]));
        return s;
    }

    // Start registers of the record reads (function 04) the simulator received.
    QList<int> recordStarts(uint8_t address = 21) const
    {
        QList<int> out;
        for (const QByteArray &f : recorder.requests())
            if (f.size() == 8 && uint8_t(f[0]) == address && f[1] == 0x04)
                out << ((uint8_t(f[2]) << 8) | uint8_t(f[3]));
        return out;
    }
};

inline QList<int> oneTo(int n)
{
    QList<int> l;
    for (int k = 1; k <= n; ++k)
        l << k;
    return l;
}

// The record numbers a message lists after "第": "第 5、9、12-15 条" gives 5, 9, 12, 13, 14, 15.
inline QSet<int> listedRecords(const QString &message)
{
    QSet<int> out;
    const QRegularExpression list(QStringLiteral("第 ([0-9、-]+) 条"));
    auto it = list.globalMatch(message);
    while (it.hasNext()) {
        for (const QString &part : it.next().captured(1).split(QStringLiteral("、"))) {
            const QStringList ends = part.split(QLatin1Char('-'));
            const int a = ends.first().toInt(), b = ends.last().toInt();
            for (int k = a; k <= b; ++k)
                out.insert(k);
        }
    }
    return out;
}
