#pragma once
#include "core/archive/recordstore.h"
#include <QString>

// The PostgreSQL archive's password in the user's keyring (the desktop's secret service), never in a
// file of ours. Each call waits for the keyring's answer; one that does not answer within the
// timeout counts as unreachable. Without a keyring (no desktop session, an unattended run) the
// archive is opened without a password and libpq looks in ~/.pgpass or PGPASSFILE, or the server
// trusts the local user.
namespace archive {

inline constexpr char KeyringService[] = "wl8806n-archive";
inline constexpr int KeyringTimeoutMs = 5000;
// When a person is at the screen: a locked keyring asks them to unlock it first.
inline constexpr int KeyringPromptTimeoutMs = 60000;

// The entry's name: "user@host:port/database".
QString keyringKey(const ArchiveConfig &config);

struct KeyringAnswer {
    enum Status { Done, NotFound, Unreachable };
    Status status = Unreachable;  // also a keyring that refused us
    QString password;  // what readPassword found
    QString reason;    // NotFound or Unreachable, in a few words
};

KeyringAnswer readPassword(const ArchiveConfig &config, int timeoutMs = KeyringTimeoutMs);
KeyringAnswer storePassword(const ArchiveConfig &config, const QString &password, int timeoutMs = KeyringTimeoutMs);
KeyringAnswer forgetPassword(const ArchiveConfig &config, int timeoutMs = KeyringTimeoutMs);

} // namespace archive
