#include "app/ErrorBox.h"
#include "base/ErrorGuard.h"
#include "base/Errors.h"
#include "app/Forms.h"
#include "app/Startup.h"
#include "bar/TForm1.h"
#include "config/LineList.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

    QString m_oldCwd;

    void writeConfig(const QTemporaryDir &dir, int lines)
    {
        QList<QByteArray> content;
        for (int i = 0; i < lines; ++i)
            content.append("line " + QByteArray::number(i));
        LineList list;
        list.setLines(content);
        list.saveToFile(dir.filePath(QStringLiteral("config.lst")));
    }

private Q_SLOTS:
    void init() { m_oldCwd = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_oldCwd); }

    void windowsAreCreatedInOrderAndOnlyTheBarIsShown()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        {
            ProgramWindows windows;
            QList<QWidget *> all{reinterpret_cast<QWidget *>(Form1), reinterpret_cast<QWidget *>(Form2),
                                 reinterpret_cast<QWidget *>(Form11), reinterpret_cast<QWidget *>(Form12),
                                 reinterpret_cast<QWidget *>(Form13), reinterpret_cast<QWidget *>(Form4),
                                 reinterpret_cast<QWidget *>(Form10), reinterpret_cast<QWidget *>(Form6)};
            for (QWidget *w : all) {
                QVERIFY(w);
                QVERIFY(!w->isVisible());
            }
            // Without config.lst: one blank and eight empty names.
            QCOMPARE(Form1->Camra1->text(), QStringLiteral(" "));
            QCOMPARE(Form1->Camra9->text(), QString());
        }
        QVERIFY(!Form1);
        QVERIFY(!Form6);
    }

    void shortListFailsStartup_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("error");
        QTest::newRow("10 lines stop at line 10") << 10 << "List index out of bounds (10)";
        QTest::newRow("empty file stops at line 9") << 0 << "List index out of bounds (9)";
        QTest::newRow("17 lines stop at line 17") << 17 << "List index out of bounds (17)";
        QTest::newRow("18 lines start") << 18 << "";
        QTest::newRow("20 lines start") << 20 << "";
    }

    void shortListFailsStartup()
    {
        QFETCH(int, lines);
        QFETCH(QString, error);
        QTemporaryDir dir;
        writeConfig(dir, lines);
        QDir::setCurrent(dir.path());
        QString shown;
        ErrorBox::setPresenter([&](const QString &m) { shown = m; });
        std::unique_ptr<ProgramWindows> windows;
        const bool started = ErrorBox::guard([&] { windows = std::make_unique<ProgramWindows>(); });
        ErrorBox::setPresenter({});
        QCOMPARE(shown, error);
        QCOMPARE(started, error.isEmpty());
        QCOMPARE(Form1 != nullptr, started);
        if (started)
            QCOMPARE(Form1->cameraList().count(), lines);
    }

    void guardShowsEscapingErrorsAndGoesOn()
    {
        QStringList shown;
        ErrorBox::setPresenter([&](const QString &m) { shown << m; });
        QVERIFY(!ErrorBox::guard([] { throw ListIndexError(20); }));
        QVERIFY(!ErrorBox::guard([] { throw std::runtime_error("plain"); }));
        QVERIFY(ErrorBox::guard([] {}));
        ErrorBox::setPresenter({});
        QCOMPARE(shown, (QStringList{"List index out of bounds (20)", "plain"}));
        QCOMPARE(ErrorBox::title(), QStringLiteral("Ocellane 4"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
