#include "core/archive/checkpoint.h"
#include "core/files/safefile.h"
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

namespace {
constexpr char Mark[] = "wl8806n-checkpoint/1";
constexpr char KeyMark[] = "wl8806n-checkpoint-key/1 ";
constexpr auto Base64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::optional<ChainTip> tipOf(const QString &field)
{
    const QStringList p = field.split(QLatin1Char('/'));
    bool counted = false;
    const qint64 rows = p.value(2).toLongLong(&counted);
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    if (p.size() != 4 || p[0].isEmpty() || !counted || rows < 0 || !hex.match(p[3]).hasMatch())
        return std::nullopt;
    return ChainTip{p[0], QUrl::fromPercentEncoding(p[1].toLatin1()), rows, p[3]};
}

// One line's fields, in order; nothing when it is not a whole checkpoint.
std::optional<Checkpoint> parseLine(const QString &line)
{
    const QStringList f = line.split(QLatin1Char(' '));
    static const QStringList names{QString(), "id=", "at=", "key=", "chains=", "sig="};
    if (f.size() != names.size() || f[0] != QLatin1String(Mark))
        return std::nullopt;
    for (int i = 1; i < f.size(); ++i)
        if (!f[i].startsWith(names[i]))
            return std::nullopt;
    const auto value = [&](int i) { return f[i].mid(names[i].size()); };
    Checkpoint c;
    c.archiveId = value(1);
    c.at = QDateTime::fromString(value(2), Qt::ISODate);
    c.publicKey = QByteArray::fromBase64(value(3).toLatin1(), Base64);
    c.signature = QByteArray::fromBase64(value(5).toLatin1(), Base64);
    if (c.archiveId.isEmpty() || !c.at.isValid() || c.publicKey.size() != crypto_sign_PUBLICKEYBYTES
        || c.signature.size() != crypto_sign_BYTES)
        return std::nullopt;
    for (const QString &field : value(4).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const auto tip = tipOf(field);
        if (!tip)
            return std::nullopt;
        c.chains << *tip;
    }
    c.at = c.at.toUTC();
    return c;
}
} // namespace

QByteArray Checkpoint::signedPart() const
{
    QStringList chainFields;
    for (const ChainTip &t : chains)
        chainFields << QStringLiteral("%1/%2/%3/%4").arg(t.table, QString::fromLatin1(QUrl::toPercentEncoding(t.recorder)))
                           .arg(t.rows).arg(t.hash);
    return QStringLiteral("%1 id=%2 at=%3 key=%4 chains=%5")
        .arg(QLatin1String(Mark), archiveId, at.toUTC().toString(Qt::ISODate), QString::fromLatin1(publicKey.toBase64(Base64)),
             chainFields.join(QLatin1Char(';')))
        .toUtf8();
}

QString Checkpoint::text() const
{
    return QString::fromUtf8(signedPart()) + QStringLiteral(" sig=") + QString::fromLatin1(signature.toBase64(Base64));
}

QString Checkpoint::shortHash() const
{
    return QString::fromLatin1(QCryptographicHash::hash(text().toUtf8(), QCryptographicHash::Sha256).toHex().left(12));
}

QList<chain::Anchor> Checkpoint::anchors() const
{
    QList<chain::Anchor> all;
    const QString source = QCoreApplication::translate("archive", " %1 的检查点 %2 ").arg(at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), shortHash());
    for (const ChainTip &t : chains)
        all << chain::Anchor{t.table, t.recorder, t.rows, t.hash, source};
    return all;
}

QList<Checkpoint> checkpointsIn(const QString &text, QStringList *bad)
{
    QList<Checkpoint> found;
    for (QString line : text.split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(QLatin1String(Mark));
        if (at < 0)
            continue;
        line = line.mid(at).trimmed();
        if (const auto c = parseLine(line))
            found << *c;
        else if (bad)
            *bad << safefile::shown(line, 48);
    }
    return found;
}

bool signatureHolds(const Checkpoint &c)
{
    if (!sodiumReady() || c.publicKey.size() != crypto_sign_PUBLICKEYBYTES || c.signature.size() != crypto_sign_BYTES)
        return false;
    const QByteArray message = c.signedPart();
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(c.signature.constData()),
                                       reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()),
                                       reinterpret_cast<const unsigned char *>(c.publicKey.constData())) == 0;
}

QString CheckpointKey::defaultFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("wl8806n/checkpoint.key"));
}

namespace {
// The secret in an existing key file: nothing and *error when it cannot be used.
std::optional<QByteArray> readSecret(const QString &file, QString *error)
{
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) {
        *error = QCoreApplication::translate("archive", "签名钥匙 %1 不在").arg(file);
        return std::nullopt;
    }
    if (st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        *error = QCoreApplication::translate("archive", "签名钥匙 %1 别人也能读写，不用它（chmod 600，且须属于本用户）").arg(file);
        return std::nullopt;
    }
    QByteArray bytes;
    QString reason;
    if (safefile::readBounded(file, 4096, &bytes, &reason) != safefile::Read::Ok) {
        *error = QCoreApplication::translate("archive", "签名钥匙 %1 读不出：%2").arg(file, reason);
        return std::nullopt;
    }
    const QByteArray secret = bytes.startsWith(KeyMark) ? QByteArray::fromBase64(bytes.mid(qstrlen(KeyMark)).trimmed(), Base64) : QByteArray();
    if (secret.size() != crypto_sign_SECRETKEYBYTES) {
        *error = QCoreApplication::translate("archive", "签名钥匙 %1 不是本程序的钥匙文件").arg(file);
        return std::nullopt;
    }
    return secret;
}
} // namespace

std::optional<CheckpointKey> CheckpointKey::open(const QString &file, QString *error)
{
    if (!sodiumReady()) {
        *error = QCoreApplication::translate("archive", "libsodium 无法初始化");
        return std::nullopt;
    }
    if (QFileInfo::exists(file)) {
        const auto secret = readSecret(file, error);
        if (!secret)
            return std::nullopt;
        CheckpointKey k;
        k.m_secret = *secret;
        return k;
    }
    const QString dir = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(dir) || !QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        *error = QCoreApplication::translate("archive", "签名钥匙的文件夹 %1 建不成").arg(dir);
        return std::nullopt;
    }
    QByteArray pk(crypto_sign_PUBLICKEYBYTES, '\0'), sk(crypto_sign_SECRETKEYBYTES, '\0');
    crypto_sign_keypair(reinterpret_cast<unsigned char *>(pk.data()), reinterpret_cast<unsigned char *>(sk.data()));
    const QByteArray content = KeyMark + sk.toBase64(Base64) + '\n';
    sodium_memzero(sk.data(), size_t(sk.size()));
    // Written whole and owner-only under a name of its own, then linked to its place: another program
    // making the key at the same moment finds either no file or the whole of one, and uses that.
    QByteArray part = QFile::encodeName(file) + ".part-XXXXXX";
    const int fd = ::mkostemp(part.data(), O_CLOEXEC);
    const bool written = fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size() && ::fsync(fd) == 0;
    int err = errno;
    if (fd >= 0)
        ::close(fd);
    sodium_memzero(const_cast<char *>(content.constData()), size_t(content.size()));
    const bool linked = written && (::link(part.constData(), QFile::encodeName(file).constData()) == 0 || errno == EEXIST);
    if (written && !linked)
        err = errno;
    if (fd >= 0)
        ::unlink(part.constData());
    if (!linked) {
        *error = QCoreApplication::translate("archive", "签名钥匙 %1 写不成：%2").arg(file, safefile::writeReason(err));
        return std::nullopt;
    }
    return open(file, error);
}

std::optional<QByteArray> CheckpointKey::publicKeyIn(const QString &file, QString *error)
{
    const auto secret = readSecret(file, error);
    if (!secret)
        return std::nullopt;
    return secret->right(crypto_sign_PUBLICKEYBYTES);
}

QByteArray CheckpointKey::publicKey() const
{
    return m_secret.right(crypto_sign_PUBLICKEYBYTES);
}

void CheckpointKey::sign(Checkpoint *c) const
{
    c->publicKey = publicKey();
    const QByteArray message = c->signedPart();
    c->signature = QByteArray(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char *>(c->signature.data()), nullptr,
                         reinterpret_cast<const unsigned char *>(message.constData()), size_t(message.size()),
                         reinterpret_cast<const unsigned char *>(m_secret.constData()));
}

} // namespace archive
