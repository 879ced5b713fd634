#pragma once
#include "core/archive/chain.h"
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// A checkpoint: what the archive held at a moment, signed, so that a copy kept away from the PC (a
// mail, a webhook's log, the backup folder) later shows whether the archive still holds it. It names
// the archive by the random id made when the archive was created, the time, and each chain's row
// count and last hash; it travels as one line of text, signed with Ed25519 (libsodium) by a key kept
// in a file of its own, outside the archive's folder and readable by its owner only.
namespace archive {

struct ChainTip {
    QString table, recorder;  // recorder empty: the chain over the whole table
    qint64 rows = 0;
    QString hash;
    bool operator==(const ChainTip &) const = default;
};

struct Checkpoint {
    QString archiveId;
    QDateTime at;            // UTC, to the second
    QList<ChainTip> chains;  // by table, then recorder
    QByteArray publicKey, signature;

    // "wl8806n-checkpoint/1 id=… at=… key=… chains=… sig=…"
    QString text() const;
    // What the signature covers: the line before " sig=".
    QByteArray signedPart() const;
    // Twelve hex digits of the line's SHA-256: what a person quotes to find it again.
    QString shortHash() const;
    // Its chains as positions the archive must still hold.
    QList<chain::Anchor> anchors() const;
};

// Every checkpoint line in text (a mail, a file of several), in order; a line that starts like one
// but does not read as one is named in *bad.
QList<Checkpoint> checkpointsIn(const QString &text, QStringList *bad = nullptr);

// Whether the checkpoint's signature is its key's.
bool signatureHolds(const Checkpoint &c);

// The key checkpoints are signed with.
class CheckpointKey {
public:
    // wl8806n/checkpoint.key in the user's configuration folder.
    static QString defaultFile();
    // The key in file; made, with its folder, when there is none. A file others may read or that is
    // not the user's is refused: whoever reads it could sign.
    static std::optional<CheckpointKey> open(const QString &file, QString *error);
    // Only the public half, for checking; the file is never made here.
    static std::optional<QByteArray> publicKeyIn(const QString &file, QString *error);

    QByteArray publicKey() const;
    void sign(Checkpoint *c) const;

private:
    QByteArray m_secret;  // libsodium's 64 bytes: the seed, then the public key
};

} // namespace archive
