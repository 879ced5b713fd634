#pragma once
#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <utility>

// The names the user gives recorders. A recorder is a port and a bus address; without a name it is
// called "COM4-21". The names live in "recorders.set" in the application directory, UTF-8, one line
// a recorder, "COM4,21,冷库一号" (blank lines and lines starting with # are ignored), so the file
// can be read and mended in any editor.
//
// A name is trimmed and must be 1 to 40 characters without a comma, line break or other control
// character; no two recorders share a name (letter case aside), and no name is the default name of
// another recorder.
class RecorderNames {
public:
    static QString fileName() { return QStringLiteral("recorders.set"); }
    static constexpr int kMaxNameLength = 40;
    static constexpr int kMinAddress = 1, kMaxAddress = 255;
    static constexpr qint64 kMaxFileBytes = 64 * 1024;

    static QString defaultName(int comPort, int address);

    // Replaces the names with those of the file. A missing file holds no names and is no problem; a
    // file that cannot be read, and each line that cannot be used (named by its number, and skipped),
    // add a sentence to *problems. The lines that can be used are.
    void load(const QString &appDir, QStringList *problems);
    void parse(const QByteArray &content, QStringList *problems);

    QString name(int comPort, int address) const;
    bool hasName(int comPort, int address) const { return m_names.contains({comPort, address}); }

    // Names a recorder. A name that breaks a rule is refused, nothing changes, and *error says why.
    bool setName(int comPort, int address, const QString &name, QString *error);
    void clearName(int comPort, int address) { m_names.remove({comPort, address}); }

    // The file's text, and writing it whole (the earlier file survives a failed write).
    QByteArray content() const;
    bool save(const QString &appDir, QString *error) const;

private:
    // Why name (trimmed) cannot be this recorder's; empty when it can.
    QString refusal(int comPort, int address, const QString &name) const;

    QMap<std::pair<int, int>, QString> m_names;  // (COM number, address) → name
};
