#pragma once
#include "ui/desktop.h"

class QWidget;
struct ca_context;

// The desktop as Qt offers it: QMessageBox, QFileDialog, QDesktopServices; the sound theme through
// libcanberra.
class QtDesktop : public Desktop {
public:
    explicit QtDesktop(QString appDir) : m_appDir(std::move(appDir)) {}
    ~QtDesktop() override;
    QtDesktop(const QtDesktop &) = delete;
    QtDesktop &operator=(const QtDesktop &) = delete;
    void setParentWidget(QWidget *w) { m_parent = w; }

    void message(const QString &title, const QString &text, Icon icon) override;
    bool confirm(const QString &title, const QString &text) override;
    QString saveFileName(const QString &title, const QString &folder, const QString &filter) override;
    QString openFileName(const QString &title, const QString &folder, const QString &filter) override;
    bool openFile(const QString &path, Opener opener) override;
    std::optional<records::ReplyWindow> editReplyWindow(const records::ReplyWindow &current) override;
    bool print(const QString &title, const std::function<void(QPrinter *)> &draw) override;
    std::optional<archive::ArchiveConfig> editArchive(const archive::ArchiveConfig &current) override;
    void playAlarmSound() override;
    QDateTime now() const override;
    QString appDir() const override { return m_appDir; }

private:
    QString m_appDir;
    QWidget *m_parent = nullptr;
    ca_context *m_sound = nullptr;  // made at the first sound
};
