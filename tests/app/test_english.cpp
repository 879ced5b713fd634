// The window in English: no Chinese text left on any control, and the files the program writes the
// same in either language.
#include "core/config/clockfields.h"
#include "core/config/pollingtable.h"
#include "core/config/settingsfile.h"
#include "core/export/exportformats.h"
#include "core/settings/language.h"
#include "core/settings/settingsfiles.h"
#include "core/settings/sensortable.h"
#include "ui/translation.h"
#include "ui/valuelabel.h"
#include "windowfixture.h"
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QMessageBox>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

namespace {
bool hasHan(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.script() == QChar::Script_Han; });
}

// Every caption, tip, accessible name and header a person reads or hears; not what boxes hold (data).
QStringList chineseTexts(QWidget *root)
{
    QStringList found;
    const auto check = [&](QWidget *w, const char *what, const QString &text) {
        if (hasHan(text))
            found << QStringLiteral("%1 %2 %3: %4").arg(QString::fromLatin1(w->metaObject()->className()),
                                                         w->objectName(), QString::fromLatin1(what), text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        check(w, "window title", w->windowTitle());
        check(w, "tool tip", w->toolTip());
        check(w, "accessible name", w->accessibleName());
        check(w, "accessible description", w->accessibleDescription());
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            check(w, "caption", b->text());
        if (auto *l = qobject_cast<QLabel *>(w))
            check(w, "caption", l->text());
        if (auto *g = qobject_cast<QGroupBox *>(w))
            check(w, "title", g->title());
        if (auto *e = qobject_cast<QLineEdit *>(w))
            check(w, "placeholder", e->placeholderText());
        if (auto *t = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < t->count(); ++i)
                check(w, "tab", t->tabText(i));
        if (auto *c = qobject_cast<QComboBox *>(w); c && c->objectName() != u"cboLanguage")  // each language in itself
            for (int i = 0; i < c->count(); ++i)
                check(w, "item", c->itemText(i));
        if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model())
            for (int c = 0; c < v->model()->columnCount(); ++c)
                check(w, "column", v->model()->headerData(c, Qt::Horizontal).toString());
    }
    return found;
}

QVector<QByteArray> writtenFiles(const QString &dir)
{
    const QByteArray t = QByteArray::fromHex("5B180427032100EBFFF6D8F10102");
    const QList<records::Record> recs{{1, t}, {2, t}};
    QVector<QByteArray> files{exports::textFile(recs, 2), exports::csvFile(recs, 2, 4, {QStringLiteral("东墙")})};
    const xls::Sheet sheet = exports::workbookSheet(recs, 2, 4);
    QByteArray cells = sheet.name().toUtf8();
    for (const xls::Cell *c : sheet.placedCells())
        cells += QVariant::fromStdVariant(c->value).toString().toUtf8();
    files << cells;
    sensors::SensorTable table;
    QString refused;
    table.set(QStringLiteral("冷库一号"), 3, {QStringLiteral("东墙"), QStringLiteral("℃"), -50, 300}, &refused);
    files << table.content() << table.displayName(QStringLiteral("冷库一号"), 4).toUtf8();
    settingsfile::Words words;
    for (uint16_t reg : settingsfile::registers())
        words.insert(reg, reg);
    files << settingsfile::write(words, 3, QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
    QString error;
    if (!settings::writeComm(dir, {3, 9600}, &error) || !language::save(dir, language::Language::English, &error))
        qFatal("%s", qPrintable(error));
    for (const char *name : {"comm.set", "language.set"})
        files << readFile(dir + u'/' + QLatin1String(name));
    return files;
}
} // namespace

class TestEnglish : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { translation::apply(language::Language::Chinese); }
    void windowHasNoChineseLeft()
    {
        QVERIFY(translation::apply(language::Language::English));
        WindowFixture f;
        frmMain &w = f.start();
        const QStringList left = chineseTexts(&w);
        QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("%1 texts not translated:\n").arg(left.size()) + left.join(u'\n')));
    }

    // What commands say (the status line after each, messages, labels they fill) is in English too; so is
    // a refusal for a closed port.
    void commandsSpeakEnglish()
    {
        // English from the locale; language.set names no language (with an editor's line end), said in English.
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("language.set")), "fr\r\n"));
        QCOMPARE(translation::start(dir.path(), QString(), QStringLiteral("en_US")).problem,
                 u"\"fr\" in language.set is not a language of the program (zh or en)");
        WindowFixture f;
        f.recorder.setRecords(sim::SimRecorder::demoRecords(3, QDateTime(QDate(2026, 12, 1), QTime(8, 0))), 21);
        frmMain &w = f.start();
        f.find<QLineEdit>(QStringLiteral("txtStationID"))->setText(QStringLiteral("21"));
        QStringList heard;
        for (const char *command : {"comDoOnce", "cmdReadP(20)", "cmdReadInterv", "cmdPoint", "cmdRedall", "cmdStartMonitor", "cmdTimeRead", "cmdReadSensorS",
                                    "cmdCloseComm", "cmdOneM", "cmdLoop", "cmdCloseComm", "comDoOnce"}) {
            f.find<QAbstractButton>(QLatin1String(command))->click();
            if (hasHan(w.lblStatusLine->text()))
                heard << QLatin1String(command) + QStringLiteral(": ") + w.lblStatusLine->text();
        }
        for (const auto &m : f.desktop->messages)
            if (hasHan(m.title + m.text))
                heard << m.title + QStringLiteral(": ") + m.text;
        heard += chineseTexts(&w);
        QVERIFY2(heard.isEmpty(), qPrintable(heard.join(u'\n')));
    }

    void filesDoNotChange()
    {
        QTemporaryDir zh, en;
        const auto chinese = writtenFiles(zh.path());
        QVERIFY(translation::apply(language::Language::English));
        QCOMPARE(writtenFiles(en.path()), chinese);
        QCOMPARE(sensors::SensorTable().shownName(QStringLiteral("冷库一号"), 4), u"Sensor 4");  // the window's name for it
        QVERIFY(chinese[1].contains("东墙") && chinese[2].contains("传感器"));
        // The captions the tables hold follow the language; the names the settings file writes do not.
        const polling::Group &group = polling::groups()[1];
        QVERIFY(!hasHan(group.caption) && !hasHan(clockfields::fields()[0].caption));
        QVERIFY(hasHan(group.boxName(group.first)) && !hasHan(group.boxCaption(group.first)));
        translation::apply(language::Language::Chinese);
        QVERIFY(hasHan(polling::groups()[1].caption) && hasHan(clockfields::fields()[0].caption));
    }

    // Qt's own dialogs (a file dialog's buttons, a question's Yes) follow the window's language.
    void qtDialogsSpeakTheWindowsLanguage()
    {
        for (const auto language : {language::Language::Chinese, language::Language::English, language::Language::Chinese}) {
            QVERIFY(translation::apply(language));
            QFileDialog files(nullptr, QStringLiteral("t"));
            files.setOption(QFileDialog::DontUseNativeDialog);
            files.setAcceptMode(QFileDialog::AcceptSave);
            QDialogButtonBox *box = files.findChild<QDialogButtonBox *>();
            QVERIFY(box);
            QMessageBox question(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("t"), QMessageBox::Yes | QMessageBox::No);
            const QString texts = box->button(QDialogButtonBox::Save)->text() + box->button(QDialogButtonBox::Cancel)->text()
                + question.button(QMessageBox::Yes)->text();
            QVERIFY2(hasHan(texts) == (language == language::Language::Chinese), qPrintable(texts));
        }
    }
};

QTEST_MAIN(TestEnglish)
#include "test_english.moc"
