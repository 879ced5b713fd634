#pragma once
#include "ui/desktop.h"

class QWidget;

// The desktop as Qt offers it: QMessageBox, QFileDialog, QDesktopServices.
class QtDesktop : public Desktop {
public:
    explicit QtDesktop(QString appDir) : m_appDir(std::move(appDir)) {}
    void setParentWidget(QWidget *w) { m_parent = w; }

    void message(const QString &title, const QString &text, Icon icon) override;
    bool confirm(const QString &title, const QString &text) override;
    QString saveFileName(const QString &title, const QString &folder, const QString &filter) override;
    QString openFileName(const QString &title, const QString &folder, const QString &filter) override;
    bool openFile(const QString &path, Opener opener) override;
    std::optional<records::ReplyWindow> editReplyWindow(const records::ReplyWindow &current) override;
    bool print(const QString &title, const std::function<void(QPrinter *)> &draw) override;
    std::optional<archive::ArchiveConfig> editArchive(const archive::ArchiveConfig &current) override;
    QDateTime now() const override;
    QString appDir() const override { return m_appDir; }

private:
    QString m_appDir;
    QWidget *m_parent = nullptr;
};
