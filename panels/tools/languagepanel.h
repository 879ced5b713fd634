#pragma once
#include <QWidget>
#include <functional>

class Desktop;
class QComboBox;
class QPushButton;

// "界面语言": the language the window starts in next time, saved in language.set. Each language is
// named in itself, so a reader of either finds it.
class LanguagePanel : public QWidget {
    Q_OBJECT
public:
    LanguagePanel(Desktop &desktop, std::function<void(const QString &)> status, QWidget *parent = nullptr);
    QComboBox *cboLanguage;
    QPushButton *cmdSaveLanguage;

private:
    void save();
    Desktop &m_desktop;
    std::function<void(const QString &)> m_status;
};
