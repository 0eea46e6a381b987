#include "base/ErrorGuard.h"
#include "app/Forms.h"
#include "bar/BarWidgets.h"
#include "bar/TForm1.h"
#include "info/TForm11.h"
#include "info/TForm13.h"
#include "info/TForm2.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestInfoWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_workDir;
    QString m_oldCwd;
    LineList m_cameras;
    std::unique_ptr<TForm1> m_bar;
    std::unique_ptr<TForm2> m_about;
    std::unique_ptr<TForm11> m_help;
    std::unique_ptr<TForm13> m_licence;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_workDir.path());
        ErrorBox::setPresenter([](const QString &message) { QFAIL(qPrintable(message)); });
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldCwd); }

    void init()
    {
        m_bar = std::make_unique<TForm1>(m_cameras);
        m_about = std::make_unique<TForm2>();
        m_help = std::make_unique<TForm11>();
        m_licence = std::make_unique<TForm13>();
        m_bar->setWindows({.about = m_about.get(), .help = m_help.get(), .licence = m_licence.get()});
        Form1 = m_bar.get();
        Form2 = m_about.get();
        Form11 = m_help.get();
        Form13 = m_licence.get();
        m_bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
    }

    void cleanup()
    {
        Form1 = nullptr;
        Form2 = nullptr;
        Form11 = nullptr;
        Form13 = nullptr;
        m_licence.reset();
        m_help.reset();
        m_about.reset();
        m_bar.reset();
    }

    void windowsStandAsLaidOut_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QSize>("size");
        QTest::newRow("help") << "Form11" << "Help" << QPoint(350, 186) << QSize(409, 339);
        QTest::newRow("licence") << "Form13" << "License" << QPoint(239, 139) << QSize(418, 445);
    }

    void windowsStandAsLaidOut()
    {
        QFETCH(QString, window);
        QFETCH(QString, title);
        QFETCH(QPoint, position);
        QFETCH(QSize, size);
        QWidget *w = window == QLatin1String("Form11") ? static_cast<QWidget *>(m_help.get()) : m_licence.get();
        QCOMPARE(w->windowTitle(), title);
        QVERIFY(!w->isVisible());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // The stored size is the outer one, frame included.
        QCOMPARE(w->pos(), position);
        QCOMPARE(w->frameGeometry().size(), size);
        QCOMPARE(w->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w->font().pixelSize(), 11);
    }

    void helpWindowContent()
    {
        QCOMPARE(m_help->Panel1->palette().color(QPalette::Window), QColor(217, 225, 223));
        QCOMPARE(m_help->Label1->text(), QStringLiteral("AIDE OCELLANE 5.03"));
        QCOMPARE(m_help->Label1->pos(), QPoint(88, 8));
        QCOMPARE(m_help->Memo1->geometry(), QRect(8, 32, 385, 241));
        QCOMPARE(m_help->BitBtn1->geometry(), QRect(168, 280, 75, 25));
        QVERIFY(m_help->Memo1->isReadOnly());
        QVERIFY(!m_help->BitBtn1->icon().isNull());
        const QString text = m_help->Memo1->toPlainText();
        const QStringList lines = text.split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 60 && lines.size() <= 80, qPrintable(QString::number(lines.size())));
        for (const char *line : {"L’interface de visualisation des caméras Axis sur IP", "MENU ", "MENU Configuration",
                                 "Paramétrage caméras :Permet de paramétrer les caméras",
                                 "Langue : Vous pouvez choisir la langue active lors du redémarrage du", "programme.",
                                 "MENU Choix Caméra", "MENU Affichage", "MODE OPERATOIRE", "CHOIX DES CAMERAS",
                                 "SEQUENCEUR VIDEO",
                                 "Cliquer sur le bouton ON ou modifier la valeur de la zone de temps par",
                                 "les flèches hautes et basses. Dés que la valeur passe à 2 le séquenceur",
                                 "démarre, pour l’arrêter cliquer sur le bouton OFF."})
            QVERIFY2(lines.contains(QString::fromUtf8(line)), line);
        for (const char *part : {"dans la racine du disque dur.", "des temporisations réglables de 2 à 10 secondes.",
                                 "1/2 image", "image x1,5", "Dimension de la fenêtre de visualisation."})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        // The outline's order.
        QVERIFY(lines.indexOf(QStringLiteral("MENU ")) < lines.indexOf(QStringLiteral("MENU Configuration")));
        QVERIFY(lines.indexOf(QStringLiteral("MODE OPERATOIRE")) < lines.indexOf(QStringLiteral("SEQUENCEUR VIDEO")));
    }

    void licenceWindowContent()
    {
        QCOMPARE(m_licence->palette().color(QPalette::Window), QColor(196, 196, 225));
        QCOMPARE(m_licence->Label1->text(), QStringLiteral("Conditions de la License"));
        QCOMPARE(m_licence->Label1->pos(), QPoint(96, 0));
        QCOMPARE(m_licence->Memo1->geometry(), QRect(0, 24, 409, 393));
        QCOMPARE(m_licence->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(m_licence->Memo1->toPlainText().split(QLatin1Char('\n')).size(), 126);
        // The text box keeps its own background, not the window's colour.
        QVERIFY(m_licence->Memo1->palette().color(QPalette::Base) != QColor(196, 196, 225));
    }

    void helpOkHidesAndCommentBringsItBack()
    {
        m_bar->Aide4->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(m_help.get()));
        QScrollBar *scroll = m_help->Memo1->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum() / 2);
        const int scrolled = scroll->value();
        QTest::mouseClick(m_help->BitBtn1, Qt::LeftButton);
        QVERIFY(!m_help->isVisible());

        m_bar->Aide4->trigger();
        QVERIFY(m_help->isVisible());
        QCOMPARE(scroll->value(), scrolled);
        QVERIFY(m_help->Memo1->toPlainText().startsWith(QString::fromUtf8("L’interface")));
    }

    void showingTwiceKeepsOneWindowInFront_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("Comment ?") << "Aide4";
        QTest::newRow("License") << "License2";
    }

    void showingTwiceKeepsOneWindowInFront()
    {
        QFETCH(QString, item);
        QAction *action = m_bar->findChild<QAction *>(item);
        QWidget *window = item == QLatin1String("Aide4") ? static_cast<QWidget *>(m_help.get()) : m_licence.get();
        action->trigger();
        QVERIFY(QTest::qWaitForWindowActive(window));
        m_bar->activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(m_bar->isActiveWindow(), 2000);
        action->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(window->isActiveWindow(), 2000);
        int shown = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            shown += (qobject_cast<TForm11 *>(w) || qobject_cast<TForm13 *>(w)) && w->isVisible() ? 1 : 0;
        QCOMPARE(shown, 1);
        // Closing only hides: the same window shows again.
        window->close();
        QVERIFY(!window->isVisible());
        action->trigger();
        QVERIFY(window->isVisible());
    }

    void aboutWindowIsModalAndCentred()
    {
        QCOMPARE(m_about->windowTitle(), QStringLiteral("A propos de .."));
        QCOMPARE(m_about->palette().color(QPalette::Window), QColor(192, 230, 250));
        QCOMPARE(m_about->Label2->geometry(), QRect(64, 8, 242, 35));
        QCOMPARE(m_about->Label2->text(), QStringLiteral("Ocellane 5.03"));
        QCOMPARE(m_about->Label3->pos(), QPoint(80, 56));
        QCOMPARE(m_about->Label4->pos(), QPoint(136, 80));
        QCOMPARE(m_about->Label1->pos(), QPoint(232, 112));
        for (QLabel *credit : {m_about->Label3, m_about->Label4, m_about->Label1}) {
            QVERIFY(!credit->text().isEmpty());
            // Each credit line fits inside the window.
            QVERIFY2(credit->geometry().right() < 382, qPrintable(credit->text()));
        }

        m_bar->move(300, 400);
        m_bar->Aproposde2->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(m_about.get()));
        QCOMPARE(QApplication::activeModalWidget(), m_about.get());
        QCOMPARE(m_about->frameGeometry().size(), QSize(382, 159));
        QVERIFY((m_about->frameGeometry().center() - m_bar->frameGeometry().center()).manhattanLength() <= 2);

        // The bar takes no input: the right button opens no menu, Ctrl+Q
        // does not quit.
        QSignalSpy closed(m_bar.get(), &TForm1::closed);
        const QPoint menuButton = m_bar->SpeedButton7->mapTo(m_bar.get(), m_bar->SpeedButton7->rect().center());
        QTest::mousePress(m_bar->windowHandle(), Qt::RightButton, {}, menuButton);
        QTest::mouseRelease(m_bar->windowHandle(), Qt::RightButton, {}, menuButton);
        QTest::keyClick(m_bar->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
        QApplication::processEvents();
        QVERIFY(!m_bar->PopupMenu1->isVisible());
        QCOMPARE(closed.count(), 0);

        // Closed from its title bar, it hides and the bar answers again.
        m_about->close();
        QVERIFY(!m_about->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::mousePress(m_bar->windowHandle(), Qt::RightButton, {}, menuButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_bar->PopupMenu1->isVisible(), 2000);
        m_bar->PopupMenu1->hide();
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
