#include "base/ErrorGuard.h"
#include "widgets/Look.h"
#include "bar/BarWidgets.h"
#include "bar/CaptionSets.h"
#include "bar/TForm1.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray French = "Fran\xe7" "ais";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text a caption-set row gives its item, as the bar shows it.
QString shownText(TForm1 &bar, const CaptionSets::Row &row)
{
    QObject *item = bar.findChild<QObject *>(QLatin1String(row.name));
    if (row.text == CaptionSets::Text::Hint) {
        auto *widget = qobject_cast<QWidget *>(item);
        return widget && !qobject_cast<QMenu *>(widget) ? Look::hint(widget) : QStringLiteral("<not a control>");
    }
    if (auto *menu = qobject_cast<QMenu *>(item))
        return menu->menuAction()->text();
    if (auto *action = qobject_cast<QAction *>(item))
        return action->text();
    if (auto *button = qobject_cast<QAbstractButton *>(item))
        return button->text();
    return QStringLiteral("<no such item>");
}
} // namespace

class TestTForm1Language : public QObject
{
    Q_OBJECT

    QTemporaryDir m_workDir;
    std::unique_ptr<QTemporaryDir> m_config;
    QString m_oldCwd;
    QStringList m_errors;

    QString settingsPath() const { return m_config->filePath(QStringLiteral("ocellane/cc8326.dll")); }
    void writeSettings(const QByteArray &bytes)
    {
        QDir().mkpath(m_config->filePath(QStringLiteral("ocellane")));
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_workDir.path());
        ErrorBox::setPresenter([this](const QString &message) { m_errors << message; });
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldCwd); }

    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
        m_errors.clear();
        QFile::remove(QStringLiteral("config.lst"));
    }

    void firstStartWritesAndAppliesFrench()
    {
        QVERIFY(!QFile::exists(settingsPath()));
        LineList cameras;
        TForm1 bar(cameras);
        QCOMPARE(readAll(settingsPath()), QByteArray("[Param]\r\nLangue=Fran\xe7" "ais\r\n"));
        QCOMPARE(bar.Multivision4->text(), QStringLiteral("Quadravion"));
        QCOMPARE(bar.Aproposde2->text(), QStringLiteral("A propose de.."));
        QCOMPARE(bar.SpeedButton8->toolTip(), QStringLiteral("Connection URL"));
        QCOMPARE(bar.Camra1->text(), QString::fromUtf8("Caméra 1"));
        QVERIFY(m_errors.isEmpty());
    }

    void firstEntryChoosesTheSet_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("cameraMenu");
        QTest::addColumn<QString>("saveButton");
        QTest::addColumn<QString>("quit");
        QTest::addColumn<QString>("quadItem");
        const QString layoutCameraMenu = QString::fromUtf8("Choix Caméra");
        QTest::newRow("Anglais") << QByteArray("[Param]\r\nLangue=Anglais\r\n") << "Choise the Camera" << "Save image"
                                 << "Quit" << "4 views";
        QTest::newRow("Italien") << QByteArray("[Param]\r\nLangue=Italien\r\n") << "Scelta Cinepresa"
                                 << "Salvare immagine" << "Lasciare" << "Quatro immagine";
        QTest::newRow("Anglais among comments and other sections")
            << QByteArray("; mine\n[Other]\nLangue=Italien\n[param]\n  Langue = Anglais\n") << "Choise the Camera"
            << "Save image" << "Quit" << "4 views";
        QTest::newRow("anglais: value in another case selects nothing")
            << QByteArray("[Param]\r\nLangue=anglais\r\n") << layoutCameraMenu << "Sauver image" << "Quitter"
            << "Quadravision ";
        QTest::newRow("English selects nothing")
            << QByteArray("[Param]\r\nLangue=English\r\n") << layoutCameraMenu << "Sauver image" << "Quitter"
            << "Quadravision ";
        QTest::newRow("French in UTF-8 selects nothing")
            << QByteArray("[Param]\r\nLangue=Fran\xc3\xa7" "ais\r\n") << layoutCameraMenu << "Sauver image" << "Quitter"
            << "Quadravision ";
        QTest::newRow("another key first selects nothing")
            << QByteArray("[Param]\r\nVersion=5\r\nLangue=Anglais\r\n") << layoutCameraMenu << "Sauver image"
            << "Quitter" << "Quadravision ";
    }

    void firstEntryChoosesTheSet()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, cameraMenu);
        QFETCH(QString, saveButton);
        QFETCH(QString, quit);
        QFETCH(QString, quadItem);
        writeSettings(file);
        LineList cameras;
        TForm1 bar(cameras);
        QCOMPARE(bar.Camras2->menuAction()->text(), cameraMenu);
        QCOMPARE(bar.Camras2->title(), cameraMenu);
        QCOMPARE(bar.SpeedButton5->text(), saveButton);
        QCOMPARE(bar.Quitter2->text(), quit);
        QCOMPARE(bar.Multivision4->text(), quadItem);
        // The key was there: the file is untouched.
        QCOMPARE(readAll(settingsPath()), file);
        QVERIFY(m_errors.isEmpty());
    }

    void everyRowOfTheSetReachesTheBar_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("French") << int(Language::French) << QByteArray("[Param]\nLangue=Fran\xe7" "ais\n");
        QTest::newRow("English") << int(Language::English) << QByteArray("[Param]\nLangue=Anglais\n");
        QTest::newRow("Italian") << int(Language::Italian) << QByteArray("[Param]\nLangue=Italien\n");
    }

    void everyRowOfTheSetReachesTheBar()
    {
        QFETCH(int, language);
        QFETCH(QByteArray, file);
        writeSettings(file);
        LineList cameras;
        TForm1 bar(cameras);
        for (const CaptionSets::Row &row : CaptionSets::rows())
            QVERIFY2(shownText(bar, row) == CaptionSets::text(row, Language(language)), row.name);
    }

    void hintsKeepTheirShownState()
    {
        writeSettings("[Param]\r\nLangue=Anglais\r\n");
        LineList cameras;
        TForm1 bar(cameras);
        QCOMPARE(bar.SpeedButton8->toolTip(), QStringLiteral("Connect URL"));
        QCOMPARE(bar.Panel7->toolTip(), QStringLiteral("Start"));
        // The address box's hint is stored but never shown.
        QCOMPARE(Look::hint(bar.URLCombo), QStringLiteral("Adress"));
        QCOMPARE(bar.URLCombo->toolTip(), QString());
        // Buttons other than the save button keep their captions.
        QCOMPARE(bar.SpeedButton9->text(), QStringLiteral("x0,5"));
    }

    void numberedCamerasReplaceListNames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("prefix"); // empty: the names stay
        QTest::newRow("English") << QByteArray("[Param]\r\nLangue=Anglais\r\n") << "Camera ";
        QTest::newRow("Italian") << QByteArray("[Param]\r\nLangue=Italien\r\n") << "Cinepresa ";
        QTest::newRow("no set") << QByteArray("[Param]\r\nLangue=anglais\r\n") << "";
    }

    void numberedCamerasReplaceListNames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, prefix);
        QByteArray list;
        for (int i = 0; i < 31; ++i)
            list += (i >= 9 && i <= 17 ? "Name" + QByteArray::number(i - 8) : QByteArray()) + "\r\n";
        {
            QFile config(QStringLiteral("config.lst"));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(list);
        }
        writeSettings(file);
        LineList cameras;
        TForm1 bar(cameras);
        for (int n = 1; n <= 9; ++n) {
            const QString expected = prefix.isEmpty() ? QStringLiteral("Name%1").arg(n) : prefix + QString::number(n);
            QCOMPARE(bar.cameraMenuItems().at(n - 1)->text(), expected);
        }
    }

    void choosingALanguageStoresItOnly_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("cameraMenuNextStart");
        QTest::newRow("Italien") << "Italien1" << QByteArray("Italien") << "Scelta Cinepresa";
        QTest::newRow("Anglais, the value already stored") << "Anglais1" << QByteArray("Anglais") << "Choise the Camera";
        QTest::newRow("Français") << "Franais1" << French << QString::fromUtf8("Choix Caméra");
    }

    void choosingALanguageStoresItOnly()
    {
        QFETCH(QString, item);
        QFETCH(QByteArray, value);
        QFETCH(QString, cameraMenuNextStart);
        const QByteArray before = "; Ocellane\r\n[Other]\r\nLangue=Anglais\r\n\r\n[Param]\r\nLangue=Anglais\r\nZ=1\r\n";
        writeSettings(before);
        {
            LineList cameras;
            TForm1 bar(cameras);
            const QString quadBefore = bar.Multivision4->text();
            QAction *action = bar.findChild<QAction *>(item);
            // Nothing shows the stored choice: no check mark.
            QVERIFY(!action->isCheckable());
            action->trigger();
            QByteArray expected = before;
            expected.replace("\r\n[Param]\r\nLangue=Anglais", "\r\n[Param]\r\nLangue=" + value);
            QCOMPARE(readAll(settingsPath()), expected);
            // Nothing on screen changes, nothing is said.
            QCOMPARE(bar.Camras2->menuAction()->text(), QStringLiteral("Choise the Camera"));
            QCOMPARE(bar.Multivision4->text(), quadBefore);
            QVERIFY(m_errors.isEmpty());
        }
        LineList cameras;
        TForm1 next(cameras);
        QCOMPARE(next.Camras2->menuAction()->text(), cameraMenuNextStart);
    }

    void unwritableSettingsStillStart()
    {
        // A file where the settings folder belongs: nothing can be written.
        QFile blocker(m_config->filePath(QStringLiteral("ocellane")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        LineList cameras;
        TForm1 bar(cameras);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(bar.Multivision4->text(), QStringLiteral("Quadravision "));
        QCOMPARE(bar.Camra1->text(), QStringLiteral(" "));
        // Storing a choice that cannot be stored is said, not hidden.
        bar.Anglais1->trigger();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(QStringLiteral("cc8326.dll")), qPrintable(m_errors.first()));
    }
};

QTEST_MAIN(TestTForm1Language)
#include "tst_tform1language.moc"
