#include "panels/history/archivesettingsdialog.h"
#include "ui/valuelabel.h"
#include "core/archive/archivepassword.h"
#include "core/settings/archivesettings.h"
#include "ui/desktop.h"
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using archive::ArchiveConfig;

ArchiveSettingsDialog::ArchiveSettingsDialog(const ArchiveConfig &current, Desktop &desktop, QWidget *parent)
    : QDialog(parent), m_desktop(desktop), m_appDir(desktop.appDir()), m_current(current), m_chosen(current)
{
    setObjectName(QStringLiteral("frmArchiveSettings"));
    setWindowTitle(tr("存档数据库设置"));
    setMinimumWidth(420);
    optSqlite = new QRadioButton(tr("本机文件（SQLite）"), this);
    optSqlite->setObjectName(QStringLiteral("optSqlite"));
    optPostgres = new QRadioButton(tr("PostgreSQL 服务器"), this);
    optPostgres->setObjectName(QStringLiteral("optPostgres"));
    auto *kinds = new QButtonGroup(this);
    kinds->addButton(optSqlite);
    kinds->addButton(optPostgres);
    auto *file = new QLabel(tr("文件：%1/%2").arg(m_appDir, QLatin1String(archive::DefaultFileName)), this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *grid = new QGridLayout;
    int row = 0;
    const auto box = [&](const char *name, const QString &caption, const QString &text) {
        auto *edit = new QLineEdit(text, this);
        edit->setObjectName(QLatin1String(name));
        edit->setAccessibleName(caption);
        auto *label = new QLabel(caption, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row++, 1);
        return edit;
    };
    txtHost = box("txtHost", tr("主机"), current.host);
    txtPort = box("txtPort", tr("端口"), QString::number(current.port));
    txtDatabase = box("txtDatabase", tr("数据库"), current.database);
    txtUser = box("txtUser", tr("用户"), current.user);
    txtPassword = box("txtPassword", tr("口令"), current.password);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtHost->setPlaceholderText(tr("db.example 或 /run/postgresql"));
    txtPassword->setPlaceholderText(tr("空着：用 ~/.pgpass 或服务器信任本机用户"));

    cmdTestConnection = new QPushButton(tr("测试连接"), this);
    cmdTestConnection->setObjectName(QStringLiteral("cmdTestConnection"));
    cmdTestConnection->setAutoDefault(false);  // Enter in a box means OK
    lblResult = new ValueLabel(QString(), tr("连接测试结果"), this);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setWordWrap(true);
    lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ArchiveSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdTestConnection, &QPushButton::clicked, this, &ArchiveSettingsDialog::testConnection);
    const auto enableServer = [this](bool on) {
        for (QLineEdit *e : {txtHost, txtPort, txtDatabase, txtUser, txtPassword})
            e->setEnabled(on);
    };
    connect(optPostgres, &QRadioButton::toggled, this, enableServer);

    auto *column = new QVBoxLayout(this);
    column->addWidget(optSqlite);
    column->addWidget(file);
    column->addWidget(optPostgres);
    column->addLayout(grid);
    column->addWidget(cmdTestConnection, 0, Qt::AlignLeft);
    column->addWidget(lblResult);
    column->addWidget(buttons);
    (current.kind == ArchiveConfig::Postgres ? optPostgres : optSqlite)->setChecked(true);
    enableServer(current.kind == ArchiveConfig::Postgres);
}

std::optional<ArchiveConfig> ArchiveSettingsDialog::value(QString *why) const
{
    // The backup settings have no boxes here: they stay as archive.set has them.
    ArchiveConfig c;
    c.backupDir = m_current.backupDir;
    c.backupKeepDays = m_current.backupKeepDays;
    c.kind = optPostgres->isChecked() ? ArchiveConfig::Postgres : ArchiveConfig::Sqlite;
    c.sqlitePath = m_appDir + QLatin1Char('/') + QLatin1String(archive::DefaultFileName);
    c.host = txtHost->text().trimmed();
    c.database = txtDatabase->text().trimmed();
    c.user = txtUser->text().trimmed();
    bool isNumber = false;
    const int port = txtPort->text().trimmed().toInt(&isNumber, 10);
    if (isNumber && port >= 1 && port <= 65535)
        c.port = port;
    else if (c.kind == ArchiveConfig::Postgres) {
        *why = tr("端口“%1”不是 1–65535 之间的数字").arg(txtPort->text().trimmed());
        return std::nullopt;
    }
    if (c.kind == ArchiveConfig::Postgres)
        c.password = txtPassword->text();
    // The SQLite archive keeps the server's boxes for later only when they could be saved.
    if (c.kind == ArchiveConfig::Sqlite && !archive::settingsRefusal(c).isEmpty())
        c.host.clear(), c.database.clear(), c.user.clear();
    *why = archive::settingsRefusal(c);
    if (!why->isEmpty())
        return std::nullopt;
    return c;
}

void ArchiveSettingsDialog::showProblem(const QString &why)
{
    lblResult->setText(why);
    for (QLineEdit *e : {txtHost, txtPort, txtDatabase, txtUser})
        if (why.contains(e->accessibleName())) {
            e->setFocus();
            break;
        }
}

void ArchiveSettingsDialog::testConnection()
{
    QString why;
    const auto config = value(&why);
    if (!config) {
        showProblem(why);
        return;
    }
    lblResult->setText(tr("正在连接……"));
    cmdTestConnection->setEnabled(false);
    archive::RecordStore store;
    const bool ok = store.open(*config, &why);
    cmdTestConnection->setEnabled(true);
    lblResult->setText(ok ? tr("连接成功，存档可以使用。") : tr("连接失败：%1").arg(why));
}

void ArchiveSettingsDialog::accept()
{
    QString why, note;
    const auto config = value(&why);
    if (!config) {
        showProblem(why);
        return;
    }
    if (!archive::saveChoice(m_appDir, *config, &why, &note, archive::KeyringPromptTimeoutMs)) {
        lblResult->setText(tr("设置没有保存：%1").arg(why));
        return;
    }
    // A password emptied on purpose is no longer kept either.
    if (config->kind == ArchiveConfig::Postgres && config->password.isEmpty() && !m_current.password.isEmpty()
        && archive::keyringKey(*config) == archive::keyringKey(m_current))
        archive::forgetPassword(*config, archive::KeyringPromptTimeoutMs);
    if (!note.isEmpty())
        m_desktop.message(windowTitle(), note, Desktop::Icon::Warning);
    m_chosen = *config;
    QDialog::accept();
}
