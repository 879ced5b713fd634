#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
// The "key=value" settings files people write by hand (archive.set, alarms.set, notify.set): UTF-8,
// one setting a line, # for a comment, blanks around key and value ignored, keys in any case, a
// byte-order mark at the start skipped.
namespace settings {

struct KeyValueLine {
    int number = 0;  // from 1, as an editor counts
    QString key;     // lower case; empty when the line is unusable
    QString value;
    QString why;     // what makes the line unusable ("不是 UTF-8 文字", "应为“名称=值”"); empty when usable
};

// Every line that is neither blank nor a comment, in order.
QList<KeyValueLine> keyValueLines(const QByteArray &content);

} // namespace settings
