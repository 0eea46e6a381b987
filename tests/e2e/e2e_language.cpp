#include "e2e/E2eHarness.h"

#include <QFile>
#include <QTest>

using namespace E2e;

namespace {
// The bar's client area starts inside its 1-pixel border.
constexpr int ClientX = 197 + 1;
constexpr int ClientY = 108 + 1;
// The menu button, SpeedButton7, at 8,4 21x21.
const QPoint MenuButton(ClientX + 8 + 10, ClientY + 4 + 10);
// The save button, SpeedButton5, at 348,32 85x15, with a little room.
const QRect SaveButton(ClientX + 346, ClientY + 30, 89, 19);
const QColor Slate(51, 52, 100);
// Where the popup menu opens: right of and below the pointer.
const QRect MenuArea(MenuButton.x(), MenuButton.y(), 260, 160);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double changedShare(const QImage &before, const QImage &after, const QRect &rect)
{
    int changed = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            changed += similar(before.pixelColor(x, y), after.pixelColor(x, y), 8) ? 0 : 1;
    return double(changed) / (rect.width() * rect.height());
}

// Opens the popup menu with the right button on the menu button; shot
// becomes a screenshot taken once it shows.
void openMenu(QImage &shot)
{
    moveMouse(MenuButton.x(), MenuButton.y());
    const QImage before = screenshot();
    click(MenuButton.x(), MenuButton.y(), 3);
    QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), changedShare(before, shot, MenuArea.adjusted(4, 4, -150, -60)) > 0.5),
                             10000);
}

// Keys go to the menu, which holds the keyboard while it is open.
void menuKeys(const QStringList &keys)
{
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("250")} + keys);
}

// OCR of small screen text: scaled up first, as tesseract reads large text
// far better. With a background given, the text is first made black on
// white, since dark text on the bar's dark slate defeats the OCR.
QString readSmallText(const QImage &screen, const QRect &rect, int scale, const QColor &background = QColor())
{
    QImage part = screen.copy(rect);
    if (background.isValid()) {
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                part.setPixelColor(x, y, similar(part.pixelColor(x, y), background, 40) ? Qt::white : Qt::black);
    }
    part = part.scaled(rect.size() * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return readText(part, part.rect());
}
} // namespace

class E2eLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void englishChosenFromTheMenuShowsAtNextStart()
    {
        Program program;
        const QString settings = program.configPath(QStringLiteral("ocellane/cc8326.dll"));
        program.start();
        QString id = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!id.isEmpty(), "the bar never appeared");
        QCOMPARE(readAll(settings), QByteArray("[Param]\r\nLangue=Fran\xe7" "ais\r\n"));

        // Configuration > Langue > Anglais: Down to "Quitter", Down to
        // "Configuration", Right into it ("Paramétrage caméras"), Down past
        // "Caméras réseau" to "Langue", Right into it ("Français"), Down to
        // "Anglais".
        QImage menu;
        openMenu(menu);
        QVERIFY(!QTest::currentTestFailed());
        menuKeys({"Down", "Down", "Right", "Down", "Down", "Right", "Down", "Return"});
        QTRY_COMPARE_WITH_TIMEOUT(readAll(settings), QByteArray("[Param]\r\nLangue=Anglais\r\n"), 10000);
        // The bar still reads French until the next start.
        const QImage french = screenshot();
        french.save(QStringLiteral("e2e_language_french.png"));
        const QString frenchText = readSmallText(french, SaveButton, 4, Slate);
        QVERIFY2(frenchText.contains(QStringLiteral("Sauver")), qPrintable(frenchText));

        key(id, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitCode(), 0);

        // Same settings folder, new start.
        program.start();
        id = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!id.isEmpty(), "the bar did not come back");
        QTRY_VERIFY_WITH_TIMEOUT(readSmallText(screenshot(), SaveButton, 4, Slate)
                                     .contains(QStringLiteral("Save image")),
                                 20000);

        openMenu(menu);
        QVERIFY(!QTest::currentTestFailed());
        menu.save(QStringLiteral("e2e_language_menu.png"));
        const QString menuText = readSmallText(menu, MenuArea, 2);
        QVERIFY2(menuText.contains(QStringLiteral("Choise the Camera")), qPrintable(menuText));
        QVERIFY2(menuText.contains(QStringLiteral("Quit")), qPrintable(menuText));
        menuKeys({"Escape"});

        key(id, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitCode(), 0);
    }

    // The frame is the window manager's: the stored outer sizes hold with it.
    void informationWindowsOpenFromTheHelpMenu()
    {
        Program program;
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!bar.isEmpty(), "the bar never appeared");

        // Aide > Comment ?: the fifth item, then into its submenu.
        QImage menu;
        openMenu(menu);
        QVERIFY(!QTest::currentTestFailed());
        menuKeys({"Down", "Down", "Down", "Down", "Down", "Right", "Return"});
        const QString help = waitForWindow(QStringLiteral("^Help$"));
        QVERIFY2(!help.isEmpty(), "no help window");
        // Framed by the window manager: the frame, title bar included,
        // measures the stored outer size.
        QTRY_VERIFY_WITH_TIMEOUT(window(help).frameGeometry == QRect(350, 186, 409, 339) &&
                                     window(help).geometry.height() < 339,
                                 10000);

        // Aide > A propos de..: modal, centred on the bar.
        openMenu(menu);
        QVERIFY(!QTest::currentTestFailed());
        menuKeys({"Down", "Down", "Down", "Down", "Down", "Right", "Down", "Down", "Return"});
        const QString about = waitForWindow(QStringLiteral("^A propos de \\.\\.$"));
        QVERIFY2(!about.isEmpty(), "no about window");
        QTRY_COMPARE_WITH_TIMEOUT(window(about).frameGeometry.size(), QSize(382, 159), 10000);
        const QPoint offCentre = window(about).frameGeometry.center() - QRect(197, 108, 438, 74).center();
        QVERIFY2(offCentre.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        const QString state = QString::fromUtf8(
            run(QStringLiteral("xprop"), {QStringLiteral("-id"), about, QStringLiteral("_NET_WM_STATE")}));
        QVERIFY2(state.contains(QStringLiteral("_NET_WM_STATE_MODAL")), qPrintable(state));
        // It stands above the bar: where the two meet, the about window shows.
        const QRect overlap = window(about).geometry & QRect(197, 108, 438, 74);
        QVERIFY(overlap.height() > 20);
        QTRY_VERIFY_WITH_TIMEOUT(coverage(screenshot(), overlap, QColor(192, 230, 250), 30) > 0.6, 5000);

        // Closed from its title bar, it only hides: the program goes on.
        key(about, QStringLiteral("alt+F4"));
        QTRY_VERIFY_WITH_TIMEOUT(findWindows(QStringLiteral("^A propos de \\.\\.$")).isEmpty(), 10000);
        QVERIFY(program.process().state() == QProcess::Running);

        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(E2eLanguage)
#include "e2e_language.moc"
