#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <optional>

// A downloaded record as the viewer shows it: its time and one value a sensor, in tenths, or no
// reading. The values follow the exports' sign rule exactly, so a table or chart never shows a
// number the text, CSV or workbook file would write differently.
namespace view {

struct RecordValues {
    QDateTime time;                          // local time, minutes
    QVector<std::optional<int>> tenths;      // one a sensor; nothing where the recorder had no reading
};

// The data bytes of one record (the marker 5B, BCD yy mm dd hh mi, one big-endian word a sensor).
// Nothing when they hold no record (records::isRecordData) or the date does not exist (31 April).
std::optional<RecordValues> recordValues(const QByteArray &data, int sensors);

// One value word: its tenths by the sign rule, nothing for the no-reading words D8F1 and DD48.
std::optional<int> wordValue(int word);

// A value as the text export writes it ("23.5", "-01.0"); the empty text for no reading.
QString valueText(std::optional<int> tenths);

} // namespace view
