#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests, the benchmarks and the demo need.
# Non-interactive and idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libqt6serialport6-dev libgl-dev   # Widgets, SerialPort, Test (libgl-dev: Qt6Gui's CMake config needs it)
  qt6-qpa-plugins                                 # offscreen and xcb platform plugins
  qt6-charts-dev libqt6opengl6-dev                # charts (their CMake config needs Qt6OpenGL's); PrintSupport is in qt6-base-dev
  qt6-tools-dev qt6-l10n-tools                    # Qt Linguist's CMake functions, lupdate and lrelease (the English translation)
  qt6-translations-l10n                           # Qt's own dialogs in Chinese (qtbase_zh_CN.qm)
  libgsf-1-dev libfreexl-dev                      # workbook container and read-back
  libqt6sql6-sqlite libqt6sql6-psql postgresql postgresql-client   # the record archive's drivers; the archive test starts its own server; pg_dump for backups
  libxlsxwriter-dev                               # .xlsx export of an archived period
  qtkeychain-qt6-dev                              # the PostgreSQL password in the user's keyring
  libmodbus-dev                                   # independent Modbus peer for the interop test and benchmark
  libcurl4-openssl-dev                            # the watcher's notifications: webhook (HTTP) and e-mail (SMTP)
  python3-aiosmtpd                                # a real SMTP server for the notification test
  fonts-wqy-microhei                              # CJK font, so the Chinese texts render
  gnumeric                                        # ssconvert, to prove workbooks against a real spreadsheet program
  python3-openpyxl                                # reads the .xlsx back in a test: its times as dates, its sheet name
  poppler-utils                                   # pdftotext, to read the chart's PDF and print back in its test
  libgammu-dev gammu-smsd                         # SMS through a GSM modem: libgammu injects into gammu-smsd; tests run it on its dummy phone
  libupsclient-dev nut-server nut-client          # the UPS through Network UPS Tools; tests run upsd with the dummy-ups driver
  libcanberra-dev dbus-daemon                     # the window's alarm sound from the sound theme; a private session bus for its notification test
  libsodium-dev                                   # the archive's checkpoints signed with Ed25519
  libsystemd-dev                                  # the watcher tells systemd it is ready and alive (sd_notify)
  dpkg-dev lintian desktop-file-utils appstream   # the Debian package: dpkg-shlibdeps, and its checks
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
