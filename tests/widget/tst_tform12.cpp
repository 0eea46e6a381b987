#include "base/ErrorGuard.h"
#include "app/Forms.h"
#include "bar/TForm1.h"
#include "config/TForm12.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The bar and the dialog as the program holds them: reached by name.
struct Windows
{
    LineList cameras;
    TForm1 bar{cameras};
    TForm12 dialog{cameras};
    Windows()
    {
        Form1 = &bar;
        Form12 = &dialog;
        bar.setWindows({.settings = &dialog});
    }
    ~Windows()
    {
        Form12 = nullptr;
        Form1 = nullptr;
    }
    void choose(const QString &path)
    {
        dialog.fileChooser = [path](QFileDialog &) { return path; };
    }
};

QList<QByteArray> numbered(int count, const QByteArray &prefix = "line")
{
    QList<QByteArray> lines;
    for (int i = 0; i < count; ++i)
        lines << prefix + QByteArray::number(i);
    return lines;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void pick(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

} // namespace

class TestTForm12 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_oldCwd;
    QStringList m_errors;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        ErrorBox::setPresenter([this](const QString &message) { m_errors << message; });
    }
    void cleanupTestCase()
    {
        ErrorBox::setPresenter({});
        QDir::setCurrent(m_oldCwd);
    }
    void init() { m_errors.clear(); }

    void windowAndPanel()
    {
        Windows w;
        TForm12 &d = w.dialog;
        QCOMPARE(d.windowTitle(), QString::fromUtf8("Paramétrage caméras"));
        QCOMPARE(d.pos(), QPoint(-7, 117));
        QVERIFY(!d.isVisible());
        QVERIFY(!(d.windowFlags() & Qt::FramelessWindowHint));
        QCOMPARE(d.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(d.font().pixelSize(), 11);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(!d.isModal());
        // The stored size is the outer one: the frame is taken off the client.
        QTRY_COMPARE_WITH_TIMEOUT(d.frameGeometry().size(), QSize(334, 360), 2000);
        QCOMPARE(d.Panel1->geometry(), d.rect());
        QCOMPARE(d.Panel1->palette().color(QPalette::Window), QColor(63, 67, 101));
        // Docked at the bottom inside the panel's bevel.
        QCOMPARE(d.ListBox1->geometry(), QRect(1, d.height() - 1 - 140, d.width() - 2, 140));
        d.resize(400, 300);
        QCOMPARE(d.ListBox1->geometry(), QRect(1, 300 - 1 - 140, 398, 140));
        // The boxes keep their own white fields on the dark panel.
        QCOMPARE(d.Edit2->palette().color(QPalette::Base), d.style()->standardPalette().color(QPalette::Base));
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("camera box") << "ComboBox1" << QRect(8, 8, 81, 21) << QString::fromUtf8("Choix de la caméra");
        QTest::newRow("name box") << "Edit1" << QRect(136, 8, 177, 21) << "";
        QTest::newRow("camera model") << "RadioButton1" << QRect(8, 40, 113, 17) << "";
        QTest::newRow("server model") << "RadioButton2" << QRect(160, 40, 129, 17) << "";
        QTest::newRow("compression") << "ComboBox4" << QRect(8, 80, 129, 21) << "";
        QTest::newRow("input") << "ComboBox3" << QRect(168, 80, 129, 21)
                               << QString::fromUtf8("N° de la caméra dans le serveur");
        QTest::newRow("camera resolution") << "ComboBox5" << QRect(8, 128, 129, 21)
                                           << QString::fromUtf8("Choisir la résolution");
        QTest::newRow("server resolution, same place") << "ComboBox2" << QRect(8, 128, 129, 21)
                                                       << QString::fromUtf8("Choisir la résolution");
        QTest::newRow("address") << "Edit2" << QRect(168, 128, 145, 21) << "Indiquer l'adresse";
        QTest::newRow("close") << "BitBtn3" << QRect(8, 160, 75, 25) << "";
        QTest::newRow("save") << "BitBtn2" << QRect(88, 160, 75, 25) << "";
        QTest::newRow("open") << "BitBtn4" << QRect(168, 160, 75, 25) << "";
        QTest::newRow("ok") << "BitBtn1" << QRect(248, 160, 75, 25) << "";
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, toolTip);
        Windows w;
        auto *control = w.dialog.Panel1->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QCOMPARE(control->toolTip(), toolTip);
    }

    void labelsAndRadioButtonsAreBoldYellow()
    {
        Windows w;
        TForm12 &d = w.dialog;
        const QList<QPair<QWidget *, QPoint>> labels{{d.Label4, {96, 16}}, {d.Label3, {8, 64}},
                                                     {d.Label5, {168, 64}}, {d.Label1, {8, 112}},
                                                     {d.Label2, {168, 112}}};
        for (const auto &[label, at] : labels)
            QCOMPARE(label->pos(), at);
        QCOMPARE(d.Label5->text(), QString::fromUtf8("N° entrée"));
        for (QWidget *widget : {static_cast<QWidget *>(d.Label1), static_cast<QWidget *>(d.RadioButton2)}) {
            QVERIFY(widget->font().bold());
            QCOMPARE(widget->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        }
    }

    void initialState()
    {
        Windows w;
        TForm12 &d = w.dialog;
        QCOMPARE(d.ComboBox1->count(), 9);
        QCOMPARE(d.ComboBox1->itemText(8), QString::fromUtf8("Caméra 9"));
        QCOMPARE(d.ComboBox1->currentText(), QString::fromUtf8("Caméra 1"));
        QVERIFY(d.ComboBox1->isEditable());
        QCOMPARE(d.Edit1->text(), QString::fromUtf8("Caméra 1"));
        QVERIFY(d.RadioButton1->isChecked());
        QVERIFY(!d.RadioButton2->isChecked());
        QCOMPARE(d.ComboBox4->itemText(0), QString());
        QCOMPARE(d.ComboBox4->itemText(3), QStringLiteral("&compression=70"));
        QCOMPARE(d.ComboBox4->currentText(), QString());
        QCOMPARE(d.ComboBox3->currentText(), QStringLiteral("&camera=1"));
        QCOMPARE(d.ComboBox5->itemText(2), QStringLiteral("resolution=358x288"));
        QCOMPARE(d.ComboBox2->itemText(2), QStringLiteral("resolution=320x240"));
        QVERIFY(!d.ComboBox5->isHidden());
        QVERIFY(d.ComboBox2->isHidden());
        QCOMPARE(d.Edit2->text(), QStringLiteral("http://"));
        QCOMPARE(d.BitBtn2->text(), QStringLiteral("Sauvegarder"));
        QCOMPARE(d.BitBtn4->text(), QStringLiteral("Ouvrir"));
        QCOMPARE(d.DialogCameraList.lines(), LineList::emptyLines());
        QCOMPARE(d.ListBox1->model()->rowCount(), 31);
        QCOMPARE(d.ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(d.PopupMenu1->actions(), QList<QAction *>{d.Effacer1});
        QCOMPARE(d.Effacer1->text(), QStringLiteral("Effacer"));
    }

    void openingCopiesTheWholeListAndShows()
    {
        Windows w;
        w.cameras.setLines(numbered(33));
        w.bar.Paramtragecamras2Click();
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.dialog.DialogCameraList.lines(), numbered(33));
        QCOMPARE(w.dialog.ListBox1->model()->index(32, 0).data().toString(), QStringLiteral("line32"));
        // Open again while shown: copied once more.
        w.cameras.setLine(5, "again");
        w.bar.Paramtragecamras2->trigger();
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.dialog.DialogCameraList.line(5), QByteArray("again"));
        QVERIFY(m_errors.isEmpty());
    }

    void okWithUntouchedFields()
    {
        Windows w;
        w.bar.Paramtragecamras2Click();
        QTest::mouseClick(w.dialog.BitBtn1, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        for (const LineList *list : {&w.cameras, &w.dialog.DialogCameraList}) {
            QCOMPARE(list->line(0), QByteArray("http:///cgi-bin/mjpg/video.cgi?"));
            QCOMPARE(list->line(19), QByteArray("http:///cgi-bin/jpg/image.cgi?"));
            QCOMPARE(list->line(9), QByteArray("Cam\xe9ra 1"));
        }
        QVERIFY(w.dialog.isVisible());
        // Nothing on the bar is refreshed.
        QCOMPARE(w.bar.Camra1->text(), QStringLiteral(" "));
    }

    void okWritesOnlyTheChosenCamerasLines()
    {
        Windows w;
        w.cameras.setLines(numbered(31));
        w.bar.Paramtragecamras2Click();
        pick(w.dialog.ComboBox1, QString::fromUtf8("Caméra 5"));
        w.dialog.Edit1->setText(QStringLiteral("Porte"));
        QTest::mouseClick(w.dialog.BitBtn1, Qt::LeftButton);
        for (const LineList *list : {&w.cameras, &w.dialog.DialogCameraList}) {
            QList<QByteArray> expected = numbered(31);
            expected[4] = "http:///cgi-bin/mjpg/video.cgi?";
            expected[13] = "Porte";
            expected[23] = "http:///cgi-bin/jpg/image.cgi?";
            QCOMPARE(list->lines(), expected);
        }
    }

    void okBuildsFromTheBoxes_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("cameraResolution");
        QTest::addColumn<QString>("serverResolution");
        QTest::addColumn<QString>("compression");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("still");
        QTest::newRow("server without resolution: ? then &")
            << true << "" << "" << "&compression=20" << "&camera=3"
            << QByteArray("http://h/axis-cgi/mjpg/video.cgi?&compression=20&camera=3")
            << QByteArray("http://h/axis-cgi/jpg/video.cgi?&compression=20&camera=3");
        QTest::newRow("camera ignores the input box")
            << false << "resolution=704x576" << "" << "" << "&camera=2"
            << QByteArray("http://h/cgi-bin/mjpg/video.cgi?resolution=704x576")
            << QByteArray("http://h/cgi-bin/jpg/image.cgi?resolution=704x576");
        QTest::newRow("server uses the shown box, not the camera's")
            << true << "resolution=704x576" << "" << "" << "&camera=1"
            << QByteArray("http://h/axis-cgi/mjpg/video.cgi?&camera=1")
            << QByteArray("http://h/axis-cgi/jpg/video.cgi?&camera=1");
        QTest::newRow("camera uses the shown box, not the server's")
            << false << "" << "resolution=640x400" << "&compression=70" << "&camera=4"
            << QByteArray("http://h/cgi-bin/mjpg/video.cgi?&compression=70")
            << QByteArray("http://h/cgi-bin/jpg/image.cgi?&compression=70");
        QTest::newRow("typed texts are taken as they stand")
            << true << "" << "resolution=1x1" << "&compression=35 " << "&camera=7"
            << QByteArray("http://h/axis-cgi/mjpg/video.cgi?resolution=1x1&compression=35 &camera=7")
            << QByteArray("http://h/axis-cgi/jpg/video.cgi?resolution=1x1&compression=35 &camera=7");
    }

    void okBuildsFromTheBoxes()
    {
        QFETCH(bool, server);
        QFETCH(QString, cameraResolution);
        QFETCH(QString, serverResolution);
        QFETCH(QString, compression);
        QFETCH(QString, input);
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, still);
        Windows w;
        TForm12 &d = w.dialog;
        w.bar.Paramtragecamras2Click();
        pick(w.dialog.ComboBox1, QString::fromUtf8("Caméra 2"));
        d.Edit2->setText(QStringLiteral("http://h"));
        // Each resolution is set while its own model shows its box.
        QTest::mouseClick(d.RadioButton2, Qt::LeftButton);
        d.ComboBox2->setEditText(serverResolution);
        QTest::mouseClick(d.RadioButton1, Qt::LeftButton);
        d.ComboBox5->setEditText(cameraResolution);
        if (server)
            QTest::mouseClick(d.RadioButton2, Qt::LeftButton);
        d.ComboBox4->setEditText(compression);
        d.ComboBox3->setEditText(input);
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        for (const LineList *list : {&w.cameras, &d.DialogCameraList}) {
            QCOMPARE(list->line(1), stream);
            QCOMPARE(list->line(20), still);
        }
    }

    void typedComboTextIsKeptAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("the start of an entry is not completed") << "resolution=3";
        QTest::newRow("an entry in other case is not folded") << "RESOLUTION=704X576";
    }

    void typedComboTextIsKeptAsTyped()
    {
        QFETCH(QString, typed);
        Windows w;
        TForm12 &d = w.dialog;
        w.bar.Paramtragecamras2Click();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.ComboBox5->setFocus();
        QTest::keyClicks(d.ComboBox5, typed);
        QTest::keyClick(d.ComboBox5, Qt::Key_Return);
        d.Edit2->setFocus();
        QCOMPARE(d.ComboBox5->currentText(), typed);
    }

    void modelChoiceSwapsTheResolutionBoxes()
    {
        Windows w;
        TForm12 &d = w.dialog;
        d.ComboBox5->setEditText(QStringLiteral("kept"));
        QTest::mouseClick(d.RadioButton2, Qt::LeftButton);
        QVERIFY(d.ComboBox5->isHidden());
        QVERIFY(!d.ComboBox2->isHidden());
        QVERIFY(!d.ComboBox3->isHidden());
        QTest::mouseClick(d.RadioButton1, Qt::LeftButton);
        QVERIFY(!d.ComboBox5->isHidden());
        QVERIFY(d.ComboBox2->isHidden());
        QCOMPARE(d.ComboBox5->currentText(), QStringLiteral("kept"));
    }

    void typedCameraTextWritesNothing()
    {
        Windows w;
        w.bar.Paramtragecamras2Click();
        const QList<QByteArray> before = w.cameras.lines();
        w.dialog.ComboBox1->setEditText(QStringLiteral("Camera 10"));
        QTest::mouseClick(w.dialog.BitBtn1, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(w.cameras.lines(), before);
        QCOMPARE(w.dialog.DialogCameraList.lines(), before);
    }

    void clearEmptiesTheSelectedDialogLineOnly()
    {
        Windows w;
        w.cameras.setLines(numbered(31));
        w.bar.Paramtragecamras2Click();
        TForm12 &d = w.dialog;
        // No selection: nothing happens.
        d.Effacer1->trigger();
        QCOMPARE(d.DialogCameraList.lines(), numbered(31));
        d.ListBox1->setCurrentIndex(d.ListBox1->model()->index(3, 0));
        d.Effacer1->trigger();
        const QString file = path(QStringLiteral("cleared.lst"));
        w.choose(file);
        QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QList<QByteArray> expected = numbered(31);
        expected[3].clear();
        QCOMPARE(readAll(file), LineList::serialize(expected));
        QCOMPARE(w.cameras.line(3), QByteArray("line3"));
        QCOMPARE(d.ListBox1->model()->index(3, 0).data().toString(), QString());
    }

    void openThenSaveGivesBackTheSameBytes()
    {
        Windows w;
        QList<QByteArray> lines = numbered(40);
        lines[2] = "  spaces  ";
        lines[9] = "Cam\xe9ra \x80";
        lines[30].clear();
        const QByteArray bytes = LineList::serialize(lines);
        writeAll(path(QStringLiteral("forty.lst")), bytes);
        w.bar.Paramtragecamras2Click();
        w.choose(path(QStringLiteral("forty.lst")));
        QTest::mouseClick(w.dialog.BitBtn4, Qt::LeftButton);
        QCOMPARE(w.cameras.lines(), lines);
        QCOMPARE(w.dialog.DialogCameraList.lines(), lines);
        w.choose(path(QStringLiteral("copy.lst")));
        QTest::mouseClick(w.dialog.BitBtn2, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(readAll(path(QStringLiteral("copy.lst"))), bytes);
    }

    void okAfterAShortFileFailsAtTheFirstMissingLine()
    {
        Windows w;
        writeAll(path(QStringLiteral("short.lst")), LineList::serialize(numbered(10)));
        w.bar.Paramtragecamras2Click();
        w.choose(path(QStringLiteral("short.lst")));
        QTest::mouseClick(w.dialog.BitBtn4, Qt::LeftButton);
        QCOMPARE(w.cameras.count(), 10);
        QTest::mouseClick(w.dialog.BitBtn1, Qt::LeftButton);
        QCOMPARE(m_errors, QStringList{QStringLiteral("List index out of bounds (19)")});
        QVERIFY(w.dialog.isVisible());
        for (const LineList *list : {&w.cameras, &w.dialog.DialogCameraList}) {
            QCOMPARE(list->count(), 10);
            QCOMPARE(list->line(0), QByteArray("http:///cgi-bin/mjpg/video.cgi?"));
            // The name comes after the still line: never reached.
            QCOMPARE(list->line(9), QByteArray("line9"));
        }
    }

    void fileFailuresShowTheErrorAndChangeNothing_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("target");
        QTest::newRow("open a missing file") << false << "missing.lst";
        QTest::newRow("open a folder") << false << ".";
        QTest::newRow("save into a missing folder") << true << "no/such/folder/x.lst";
        QTest::newRow("save over a folder") << true << ".";
    }

    void fileFailuresShowTheErrorAndChangeNothing()
    {
        QFETCH(bool, save);
        QFETCH(QString, target);
        Windows w;
        w.cameras.setLines(numbered(31, "bar"));
        w.bar.Paramtragecamras2Click();
        w.dialog.DialogCameraList.setLine(0, "dialog only");
        const QList<QByteArray> barBefore = w.cameras.lines();
        const QList<QByteArray> dialogBefore = w.dialog.DialogCameraList.lines();
        w.choose(path(target));
        QTest::mouseClick(save ? w.dialog.BitBtn2 : w.dialog.BitBtn4, Qt::LeftButton);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(path(target)));
        QCOMPARE(w.cameras.lines(), barBefore);
        QCOMPARE(w.dialog.DialogCameraList.lines(), dialogBefore);
        QVERIFY(w.dialog.isVisible());
    }

    void cancelDoesNothing()
    {
        Windows w;
        w.cameras.setLines(numbered(31));
        w.bar.Paramtragecamras2Click();
        const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
        w.choose(QString());
        QTest::mouseClick(w.dialog.BitBtn4, Qt::LeftButton);
        QTest::mouseClick(w.dialog.BitBtn2, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(w.cameras.lines(), numbered(31));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);
    }

    void fileDialogsAreSetUp_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QStringList>("filters");
        QTest::newRow("save") << true << QStringList{"Liste de configuration(*.lst)", "Tous les fichiers (*)"};
        QTest::newRow("open") << false << QStringList{"Listes de configuration (*.lst)", "Tous les fichiers (*)"};
    }

    void fileDialogsAreSetUp()
    {
        QFETCH(bool, save);
        QFETCH(QStringList, filters);
        Windows w;
        bool ran = false;
        w.dialog.fileChooser = [&](QFileDialog &dialog) {
            ran = true;
            [&] {
                QCOMPARE(dialog.nameFilters(), filters);
                QCOMPARE(dialog.defaultSuffix(), QStringLiteral("lst"));
                QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
                QCOMPARE(dialog.acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
                QCOMPARE(dialog.fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
                QCOMPARE(dialog.testOption(QFileDialog::DontConfirmOverwrite), save);
                QCOMPARE(QDir(dialog.directory()).canonicalPath(), QDir::current().canonicalPath());
            }();
            return QString();
        };
        QTest::mouseClick(save ? w.dialog.BitBtn2 : w.dialog.BitBtn4, Qt::LeftButton);
        QVERIFY(ran);
    }

    void nameTypedWithoutExtensionGetsLst()
    {
        Windows w;
        w.dialog.fileChooser = [](QFileDialog &dialog) {
            dialog.open();
            dialog.selectFile(QStringLiteral("cams"));
            static_cast<QDialog &>(dialog).accept(); // public in the base
            return dialog.selectedFiles().value(0);
        };
        QTest::mouseClick(w.dialog.BitBtn2, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(readAll(path(QStringLiteral("cams.lst"))), LineList::serialize(LineList::emptyLines()));
        QFile::remove(path(QStringLiteral("cams.lst")));
    }

    void pastedLineBreaksNeverSplitAListLine_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("name, CR LF") << "Edit1" << "Porte\r\nline two" << 9 << QByteArray("Porte");
        QTest::newRow("address, lone LF")
            << "Edit2" << "http://h\nHost: x" << 0 << QByteArray("http://h/cgi-bin/mjpg/video.cgi?");
        QTest::newRow("compression, lone CR")
            << "ComboBox4" << "&compression=20\rjunk" << 0 << QByteArray("/cgi-bin/mjpg/video.cgi?&compression=20");
        QTest::newRow("camera resolution") << "ComboBox5" << "resolution=1x1\n" << 19
                                           << QByteArray("/cgi-bin/jpg/image.cgi?resolution=1x1");
    }

    void pastedLineBreaksNeverSplitAListLine()
    {
        QFETCH(QString, box);
        QFETCH(QString, pasted);
        QFETCH(int, line);
        QFETCH(QByteArray, written);
        Windows w;
        w.bar.Paramtragecamras2Click();
        QWidget *widget = w.dialog.Panel1->findChild<QWidget *>(box);
        auto *combo = qobject_cast<QComboBox *>(widget);
        auto *edit = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(widget);
        QVERIFY(edit);
        if (box != QLatin1String("Edit2"))
            w.dialog.Edit2->clear();
        edit->clear();
        QGuiApplication::clipboard()->setText(pasted);
        edit->paste();
        QVERIFY(!edit->text().contains(QLatin1Char('\n')) && !edit->text().contains(QLatin1Char('\r')));
        QTest::mouseClick(w.dialog.BitBtn1, Qt::LeftButton);
        QVERIFY(m_errors.isEmpty());
        QCOMPARE(w.cameras.line(line), written);
        QCOMPARE(w.dialog.DialogCameraList.line(line), written);
    }

    void closeHidesAndKeepsEverything()
    {
        Windows w;
        w.bar.Paramtragecamras2Click();
        w.dialog.Edit2->setText(QStringLiteral("http://kept"));
        w.dialog.DialogCameraList.setLine(25, "kept");
        QTest::mouseClick(w.dialog.BitBtn3, Qt::LeftButton);
        QVERIFY(!w.dialog.isVisible());
        // The first camera menu entry is not given line 9 on closing.
        w.cameras.setLine(9, "name");
        QCOMPARE(w.bar.Camra1->text(), QStringLiteral(" "));
        w.bar.Paramtragecamras2Click();
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.dialog.Edit2->text(), QStringLiteral("http://kept"));
    }
};

QTEST_MAIN(TestTForm12)
#include "tst_tform12.moc"
