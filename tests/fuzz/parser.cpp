// Export of received-data texts. First byte: sensors per record, second: the record bound;
// the rest is the text.
#include "core/export/exportformats.h"
#include "core/records/recordtext.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in = fuzzBytes(data, size);
    if (in.size() < 2)
        return 0;
    const int sensors = uint8_t(in[0]) % 24;
    const int bound = uint8_t(in[1]) % 8;
    const records::RecordText text = records::readRecordText(QString::fromLatin1(in.mid(2)), sensors);
    const QList<records::Record> &recs = text.records;

    int lines = 0;
    for (qsizetype i = 0; i < recs.size(); ++i) {
        FUZZ_CHECK(recs[i].position == i + 1);
        if (recs[i].hasTime() && (bound == 0 || recs[i].position <= bound))
            ++lines;
        recs[i].time();
    }
    // One line per readable record within the bound (and the CSV's heading).
    FUZZ_CHECK(exports::textFile(recs, bound).count("\r\n") == lines);
    FUZZ_CHECK(exports::csvFile(recs, bound).count("\r\n") == lines + 1);
    records::unreadableMessages(text, bound);
    return 0;
}
