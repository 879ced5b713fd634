#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>
// The "key=value" settings files people write by hand (archive.set, alarms.set, notify.set, watch.set,
// comports.map):
// UTF-8, one setting a line, # for a comment, blanks around key and value ignored (a CR of a CR LF
// too), keys in any case, a byte-order mark at the start skipped.
//
// One reader serves them all: each file gives a table of its keys, each row naming the key, how its
// value is read and checked, and the field it sets. The reader says the same words for the same fault
// in every file; each file only frames the refusals (whether a refused line is skipped or refuses
// the whole file is the file's own affair).
namespace settings {

struct KeyValueLine {
    int number = 0;  // from 1, as an editor counts
    QString key;     // lower case; empty when the line is unusable
    QString value;
    QString why;     // what makes the line unusable ("不是 UTF-8 文字", "应为“名称=值”"); empty when usable
};

// Every line that is neither blank nor a comment, in order.
QList<KeyValueLine> keyValueLines(const QByteArray &content);

// A line (or a field of a line) that could not be used: named by its number and key, never by its
// value, which may be a password typed where it does not belong.
struct Refusal {
    int line = 0;
    QString key;  // empty when the line has none
    QString why;
    QString text() const;  // "第 3 行（port=）：应为 1–65535 的整数", or "第 3 行：应为“名称=值”"
};
QStringList refusalTexts(const QList<Refusal> &refusals);

// The words of the faults every file shares.
QString unknownKey();                              // "不认识的设置"
QString setTwice();                                // "前面已经设置过"
QString noValue();                                 // "没有值"
QString notWhole(qint64 lo, qint64 hi);            // "应为 1–65535 的整数"
QString notTenths(int lo, int hi);                 // "应为 0.0–100.0、最多一位小数的数"

// Value parsers: a whole decimal number (an optional sign, no fraction) or a number in tenths, as
// a limit is written ("0.5"); each within lo … hi.
std::optional<qint64> wholeNumber(const QString &text, qint64 lo, qint64 hi);
std::optional<int> tenthsNumber(const QString &text, int lo, int hi);

// One row of a file's table: the key, and what a value does to the settings S: sets its field, or
// gives why it cannot (then the field keeps what it had, unless the row says otherwise).
template <typename S>
struct Key {
    const char *name;
    std::function<QString(S &, const QString &)> set;
    bool repeatable = false;  // may be given on several lines (to=, line=); otherwise a repeat is refused
};

// Rows for the common kinds of field.
template <typename S, typename N>
Key<S> wholeKey(const char *name, N S::*field, qint64 lo, qint64 hi)
{
    return {name, [=](S &s, const QString &value) {
                if (const auto n = wholeNumber(value, lo, hi)) {
                    s.*field = N(*n);
                    return QString();
                }
                return notWhole(lo, hi);
            }};
}

template <typename S>
Key<S> tenthsKey(const char *name, int S::*field, int lo, int hi)
{
    return {name, [=](S &s, const QString &value) {
                if (const auto n = tenthsNumber(value, lo, hi)) {
                    s.*field = *n;
                    return QString();
                }
                return notTenths(lo, hi);
            }};
}

// A text field checked by refusal (empty: the value is fine); set only when fine.
template <typename S>
Key<S> textKey(const char *name, QString S::*field, std::function<QString(const QString &)> refusal)
{
    return {name, [=](S &s, const QString &value) {
                const QString why = refusal ? refusal(value) : QString();
                if (why.isEmpty())
                    s.*field = value;
                return why;
            }};
}

// A key that never belongs in the file (password=): refused every time with its own words.
template <typename S>
Key<S> refusedKey(const char *name, std::function<QString()> why)
{
    return {name, [=](S &, const QString &) { return why(); }, true};
}

struct ReadRules {
    bool valueRequired = false;  // an empty value is refused ("没有值") before its row sees it
};

// Non-template core of the reader: each usable line's key looked up in names (lower case); a key not
// there, or repeated where once is the rule, is refused; otherwise set(row, value) says why not.
QList<Refusal> readLines(const QList<KeyValueLine> &lines, const std::vector<QString> &names,
                         const std::vector<bool> &repeatable, const ReadRules &rules,
                         const std::function<QString(std::size_t, const QString &)> &set, QStringList *seen);

// Reads lines into settings by the table keys; the refused lines, in order. *seen, when given, gets
// every key met (for a file's own checks of keys that need a partner).
template <typename S>
QList<Refusal> readKeyValues(const QList<KeyValueLine> &lines, const std::vector<Key<S>> &keys, S &settings,
                             const ReadRules &rules = {}, QStringList *seen = nullptr)
{
    std::vector<QString> names;
    std::vector<bool> repeatable;
    for (const Key<S> &k : keys) {
        names.push_back(QString::fromLatin1(k.name));
        repeatable.push_back(k.repeatable);
    }
    return readLines(lines, names, repeatable, rules,
                     [&](std::size_t row, const QString &value) { return keys[row].set(settings, value); }, seen);
}

template <typename S>
QList<Refusal> readKeyValues(const QByteArray &content, const std::vector<Key<S>> &keys, S &settings,
                             const ReadRules &rules = {}, QStringList *seen = nullptr)
{
    return readKeyValues(keyValueLines(content), keys, settings, rules, seen);
}

// The "key=value" fields of one line, separated by blanks (watch.set's "line=COM4 addresses=21 poll-s=60"),
// as lines of number lineNumber for readKeyValues; keys in lower case. A field without "=" is refused.
QList<KeyValueLine> fieldsOf(const QString &text, int lineNumber);

} // namespace settings
