#include "app/qtdesktop.h"
#include "panels/history/archivesettingsdialog.h"
#include "panels/records/replywindowdialog.h"
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <canberra.h>

QtDesktop::~QtDesktop()
{
    if (m_sound)
        ca_context_destroy(m_sound);
}

void QtDesktop::message(const QString &title, const QString &text, Icon icon)
{
    QMessageBox::Icon i = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None: i = QMessageBox::NoIcon; break;
    case Icon::Information: i = QMessageBox::Information; break;
    case Icon::Warning: i = QMessageBox::Warning; break;
    case Icon::Critical: i = QMessageBox::Critical; break;
    }
    QMessageBox box(i, title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtDesktop::confirm(const QString &title, const QString &text)
{
    return QMessageBox::question(m_parent, title, text) == QMessageBox::Yes;
}

QString QtDesktop::saveFileName(const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getSaveFileName(m_parent, title, folder, filter);
}

QString QtDesktop::openFileName(const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, folder, filter);
}

bool QtDesktop::openFile(const QString &path, Opener)
{
    // The desktop picks the text editor or the spreadsheet program by the file's type.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

std::optional<records::ReplyWindow> QtDesktop::editReplyWindow(const records::ReplyWindow &current)
{
    ReplyWindowDialog dialog(current, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

std::optional<archive::ArchiveConfig> QtDesktop::editArchive(const archive::ArchiveConfig &current)
{
    ArchiveSettingsDialog dialog(current, *this, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

QDateTime QtDesktop::now() const
{
    return QDateTime::currentDateTime();
}

bool QtDesktop::print(const QString &title, const std::function<void(QPrinter *)> &draw)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    draw(&printer);
    return true;
}

void QtDesktop::playAlarmSound()
{
    if (!m_sound) {
        if (ca_context_create(&m_sound) != CA_SUCCESS) {
            m_sound = nullptr;
            return;
        }
        ca_context_change_props(m_sound, CA_PROP_APPLICATION_NAME, "WL8806N", CA_PROP_APPLICATION_ID, "wl8806n", nullptr);
    }
    // A sound theme without the alarm clock's sound has the warning's at least; no sound device or
    // sound server plays nothing, and the alarm is still on the screen.
    const QByteArray description = QCoreApplication::translate("QtDesktop", "报警").toUtf8();
    const auto play = [&](const char *event) {
        return ca_context_play(m_sound, 0, CA_PROP_EVENT_ID, event, CA_PROP_EVENT_DESCRIPTION, description.constData(), nullptr);
    };
    if (play("alarm-clock-elapsed") == CA_ERROR_NOTFOUND)
        play("dialog-warning");
}
