#pragma once
#include "core/archive/recordstore.h"
#include <QDialog>
#include <optional>

class Desktop;
class QLabel;
class ValueLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "存档数据库设置": whether the records go to the SQLite file in the application folder or to a
// site's PostgreSQL server, and that server's address and login. "测试连接" opens the archive with
// what the boxes hold and says here whether it worked. OK writes archive.set and keeps a typed
// password in the user's keyring, never in a file; without a keyring the user is sent to ~/.pgpass.
class ArchiveSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // The SQLite file and archive.set are those of desktop's application folder; what the user must
    // be told after OK goes through desktop.
    ArchiveSettingsDialog(const archive::ArchiveConfig &current, Desktop &desktop, QWidget *parent);

    // What the boxes hold, or nothing and *why naming the box that cannot be used.
    std::optional<archive::ArchiveConfig> value(QString *why) const;
    // After OK: what was saved, with the password for this run.
    archive::ArchiveConfig chosen() const { return m_chosen; }

    void accept() override;
    void testConnection();

    QRadioButton *optSqlite;
    QRadioButton *optPostgres;
    QLineEdit *txtHost;
    QLineEdit *txtPort;
    QLineEdit *txtDatabase;
    QLineEdit *txtUser;
    QLineEdit *txtPassword;
    QPushButton *cmdTestConnection;
    ValueLabel *lblResult;  // the connection test's answer, or why the boxes cannot be saved

private:
    void showProblem(const QString &why);

    Desktop &m_desktop;
    QString m_appDir;
    archive::ArchiveConfig m_current;
    archive::ArchiveConfig m_chosen;
};
