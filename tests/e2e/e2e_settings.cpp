#include "support/CamSimProcess.h"
#include "e2e/E2eHarness.h"

#include <QJsonObject>

#include <QFile>
#include <QTest>

using namespace E2e;

namespace {

// The bar stands at 197,108 with a one-pixel border around its client area.
const QPoint BarClient(197 + 1, 108 + 1);
const QRect MenuButton(8, 4, 21, 21); // SpeedButton7, in the bar's client area

// Places inside the settings dialog's client area (its panel fills it).
const QRect ServerModel(160, 40, 129, 17);     // RadioButton2
const QRect ResolutionBox(8, 128, 129, 21);    // ComboBox5 / ComboBox2
const QRect AddressBox(168, 128, 145, 21);     // Edit2
const QRect SaveButton(88, 160, 75, 25);       // BitBtn2
const QRect OkButton(248, 160, 75, 25);        // BitBtn1

const QString BarName = QStringLiteral("^Ocellane 5\\.03$");
// xdotool matches window names byte-wise; "é" is two bytes in UTF-8.
const QString DialogName = QStringLiteral("^Param.+trage cam.+ras$");

QPoint centre(const QPoint &origin, const QRect &control)
{
    return origin + control.center();
}

// Keys for whatever has the keyboard (an open menu grabs it): no window is
// activated first, since that would close the menu.
void pressKeys(const QString &keys)
{
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("80")}
                                       + keys.split(QLatin1Char(' '), Qt::SkipEmptyParts));
}

bool menuIsOpen()
{
    // The popup opens down and right from the pointer and reaches below
    // the bar, where the screen is otherwise bare: a light stretch between
    // an entry's caption and its submenu arrow.
    const QPoint at = centre(BarClient, MenuButton) + QPoint(120, 70);
    return coverage(screenshot(), QRect(at, QSize(30, 6)), QColor(250, 250, 250), 20) > 0.9;
}

} // namespace

class E2eSettings : public QObject
{
    Q_OBJECT

    // Right click on the menu button, then Configuration > Paramétrage
    // caméras by keyboard. Returns the dialog's window, or an empty id.
    Window openSettingsDialog()
    {
        const QString bar = waitForWindow(BarName);
        if (bar.isEmpty())
            return {};
        const QPoint button = centre(BarClient, MenuButton);
        // The bar can be mapped before it takes input: press again, a
        // bounded number of times.
        bool open = false;
        for (int attempt = 0; attempt < 3 && !open; ++attempt) {
            click(button.x(), button.y(), 3);
            open = QTest::qWaitFor(menuIsOpen, 3000);
        }
        if (!open) {
            screenshot().save(QStringLiteral("e2e_settings_no_menu.png"));
            return {};
        }
        // Quitter, Configuration; into its submenu, whose first entry is
        // the settings dialog.
        pressKeys(QStringLiteral("Down Down Right Return"));
        const QString dialog = waitForWindow(DialogName);
        return dialog.isEmpty() ? Window{} : window(dialog);
    }

    // Types into a field: select all it holds, then the new text.
    static void replaceText(const Window &dialog, const QRect &field, const QString &text)
    {
        const QPoint at = centre(dialog.geometry.topLeft(), field);
        click(at.x(), at.y());
        key(dialog.id, QStringLiteral("ctrl+a"));
        type(dialog.id, text);
    }

    static void press(const Window &dialog, const QRect &control)
    {
        const QPoint at = centre(dialog.geometry.topLeft(), control);
        click(at.x(), at.y());
    }

private Q_SLOTS:
    void configureAServerCameraAndSaveTheList()
    {
        CamSimProcess camsim;
        QVERIFY2(camsim.isRunning(), "the demo camera did not start");
        const QString address = camsim.base();
        Program program;
        program.start();
        const Window dialog = openSettingsDialog();
        QVERIFY2(!dialog.id.isEmpty(), "the settings dialog never appeared");
        QCOMPARE(dialog.frameGeometry.topLeft(), QPoint(-7, 117));
        QCOMPARE(dialog.frameGeometry.size(), QSize(334, 360));

        replaceText(dialog, AddressBox, address);
        press(dialog, ServerModel);
        // The server's resolution box now stands where the camera's was:
        // its entries are the empty one, 640x400, 320x240.
        const QPoint resolution = centre(dialog.geometry.topLeft(), ResolutionBox) - QPoint(20, 0);
        click(resolution.x(), resolution.y());
        pressKeys(QStringLiteral("Down Down"));
        press(dialog, OkButton);
        // The dialog's list shows its copy: line 0 now has the address.
        const QRect firstRow(dialog.geometry.left() + 4, dialog.geometry.bottom() - 140 + 2, 250, 12);
        QTRY_VERIFY_WITH_TIMEOUT(coverage(screenshot(), firstRow, Qt::black, 90) > 0.03, 10000);
        screenshot().save(QStringLiteral("e2e_settings.png"));

        press(dialog, SaveButton);
        const QString chooser = waitForWindow(QStringLiteral("^Save As$"));
        QVERIFY2(!chooser.isEmpty(), "the save dialog never appeared");
        // A name without extension: the dialog adds ".lst".
        type(chooser, QStringLiteral("cams"));
        key(chooser, QStringLiteral("Return"));

        const QString saved = program.path(QStringLiteral("cams.lst"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved), 10000);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray expected;
        for (int i = 0; i < 31; ++i) {
            if (i == 0)
                expected += address.toLatin1() + "/axis-cgi/mjpg/video.cgi?resolution=320x240&camera=1";
            else if (i == 9)
                expected += "Cam\xe9ra 1";
            else if (i == 19)
                expected += address.toLatin1() + "/axis-cgi/jpg/video.cgi?resolution=320x240&camera=1";
            expected += "\r\n";
        }
        QCOMPARE(file.readAll(), expected);
        QVERIFY(program.process().state() == QProcess::Running);

        // OK wrote the camera list too: camera button 1 shows that camera live.
        const QPoint camera1 = barPoint(296 + 8, 0 + 8);
        click(camera1.x(), camera1.y());
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(window(single).geometry), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(camsim.stats().value(QStringLiteral("openByCamera")).toObject()
                                      .value(QStringLiteral("1")).toInt(), 1, 10000);
    }
};

QTEST_GUILESS_MAIN(E2eSettings)
#include "e2e_settings.moc"
