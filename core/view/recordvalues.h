#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

// A downloaded record as the viewer shows it: its time and one value a sensor, in tenths, or no
// reading, read by the record's own decoding (records::Record), as the files are written.
namespace view {

struct RecordValues {
    QDateTime time;                          // local time, minutes
    QVector<std::optional<int>> tenths;      // one a sensor; nothing where the recorder had no reading
};

// The data bytes of one record (the marker 5B, BCD yy mm dd hh mi, one big-endian word a sensor).
// Nothing when they hold no record (records::isRecordData) or the date does not exist (31 April).
std::optional<RecordValues> recordValues(const QByteArray &data, int sensors);

// A value as the text export writes it ("23.5", "-01.0"); the empty text for no reading.
QString valueText(std::optional<int> tenths);

} // namespace view
