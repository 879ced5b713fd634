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
