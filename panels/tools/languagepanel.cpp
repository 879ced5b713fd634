#include "panels/tools/languagepanel.h"
#include "core/settings/language.h"
#include "ui/desktop.h"
#include "ui/translation.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

LanguagePanel::LanguagePanel(Desktop &desktop, std::function<void(const QString &)> status, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_status(std::move(status))
{
    auto *caption = new QLabel(tr("启动时的界面语言："), this);
    cboLanguage = new QComboBox(this);
    cboLanguage->setObjectName(QStringLiteral("cboLanguage"));
    cboLanguage->addItem(QStringLiteral("中文"), int(language::Language::Chinese));
    cboLanguage->addItem(QStringLiteral("English"), int(language::Language::English));
    cboLanguage->setCurrentIndex(cboLanguage->findData(int(translation::current())));
    caption->setBuddy(cboLanguage);
    cmdSaveLanguage = new QPushButton(tr("保存"), this);
    cmdSaveLanguage->setObjectName(QStringLiteral("cmdSaveLanguage"));
    cmdSaveLanguage->setAccessibleName(tr("保存界面语言"));
    auto *row = new QHBoxLayout(this);
    row->addWidget(caption);
    row->addWidget(cboLanguage);
    row->addWidget(cmdSaveLanguage);
    row->addStretch(1);
    connect(cmdSaveLanguage, &QPushButton::clicked, this, &LanguagePanel::save);
}

void LanguagePanel::save()
{
    const auto chosen = language::Language(cboLanguage->currentData().toInt());
    QString error;
    if (!language::save(m_desktop.appDir(), chosen, &error)) {
        m_status(tr("界面语言未保存：%1").arg(error));
        return;
    }
    m_status(chosen == translation::current()
                 ? tr("界面语言已保存：%1。").arg(cboLanguage->currentText())
                 : tr("界面语言已保存：%1，下次启动时生效。").arg(cboLanguage->currentText()));
}
