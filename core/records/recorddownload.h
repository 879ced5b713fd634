#pragma once
#include "core/link/exchange.h"
#include "core/records/downloadreport.h"
#include "core/records/record.h"
#include "core/records/replywindow.h"
#include <QByteArray>
#include <QObject>
#include <cstdint>

// Reads a range of records from a recorder's memory and keeps only what can be trusted. With block
// reads on (the reply window's setting) a request asks for as many whole records as one read carries
// (125 registers: five of 20 sensors), never past the range or the register space, and the reply is
// split into records; otherwise one record a request. The first block requests decide whether the
// recorder takes them: an exception reply, or two block requests failing while single reads of the
// same records succeed, and the rest is read one record a request (said once, and in the report). A
// block that fails later is a line fault: its records are asked again one by one, and blocks go on.
// For every request:
// - a reply counts only when the bytes received during its exchange are exactly one valid frame of
//   the device and function asked with the byte count of the records asked (2N + 6 each);
// - after a failed attempt the link keeps the line silent for the guard time before the next request,
//   and confirms the next reply by a second read (it may be a late answer that slipped past the guard);
// - a record whose time is earlier than the record kept before it is read again after the guard and
//   kept only when the second read brings the same bytes;
// - a valid frame that is no record (erased memory) is named, never handed on as a record.
// The waits nest event loops (the window stays live); cancelling the hold's command ends the run at
// once, the record under way counted as not read. Whoever runs it shows what it reports.
class RecordDownload : public QObject {
    Q_OBJECT
public:
    RecordDownload(Link &link, const records::ReplyWindow &window, QObject *parent = nullptr);

    // Records first … first + count − 1 of the device at address, N = sensors values each. The caller
    // has checked that the last record's registers exist (records::recordStart). A cancel of hold ends
    // the run with the cancel's reason.
    records::DownloadOutcome run(const Link::Hold &hold, uint8_t address, int first, int count, int sensors);

    // The last exchange of the latest run.
    const Exchange &lastExchange() const { return m_last; }

signals:
    // Before record k is asked for: done records of total are behind; last is the latest exchange.
    void progress(int k, int done, int total, const Exchange &last);
    // A record read and kept (its number and its data bytes: marker, time, values).
    void recordRead(const records::Record &record);
    void finished(const records::DownloadOutcome &outcome);
    // The recorder refused block reads (why says how); the rest is read one record a request.
    void blockReadsRefused(const QString &why);

private:
    enum class Verdict { Read, Unread, Stopped, Refused };
    // Records k … k + n − 1 in one request, at most attempts requests that bring nothing to trust. Read:
    // data holds each record's bytes (a record or not: the caller judges). Refused: a block read got
    // an exception reply.
    Verdict readRun(const Link::Hold &hold, uint8_t address, int k, int n, int sensors, int attempts,
                    Exchange &last, QList<QByteArray> &data);
    // Records a request from k on: a block where blocks are on, never past last.
    int runLength(int k, int last, int sensors) const;
    // Records k … k + n − 1 as the run brought them (data: nothing when they went unread) sorted into
    // read (and sent on), not records and unread; silentInARow counts the unread in a row.
    void sortRun(records::DownloadOutcome &d, int k, int n, const QList<QByteArray> *data, int sensors,
                 int &silentInARow, bool &singlesRead);
    void refuseBlocks(records::DownloadOutcome &d, const QString &why);
    bool stopping(const Link::Hold &hold) const;
    records::DownloadOutcome::End stoppedEnd(const Link::Hold &hold) const;

    Link &m_link;
    records::ReplyWindow m_window;
    ExchangeKind m_kind;
    enum class Blocks { Off, Probing, On };
    Blocks m_blocks = Blocks::Off;
    QByteArray m_lastKept;      // data of the record kept last
    Exchange m_last;
};
