#include "config/FileFilter.h"
#include "config/SettingsLayout.h"

#include <QTest>

class TestFileFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsStoredFilters_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("nameFilters");
        QTest::newRow("save dialog: lst first, all files second")
            << QString::fromLatin1(SettingsLayout::SaveFilter)
            << QStringList{"Liste de configuration(*.lst)", "Tous les fichiers (*)"};
        QTest::newRow("open dialog keeps its own wording")
            << QString::fromLatin1(SettingsLayout::OpenFilter)
            << QStringList{"Listes de configuration (*.lst)", "Tous les fichiers (*)"};
        QTest::newRow("several patterns") << "Images (*.jpg;*.jpeg)|*.jpg;*.jpeg"
                                          << QStringList{"Images (*.jpg *.jpeg)"};
        QTest::newRow("description without patterns") << "Listes|*.lst" << QStringList{"Listes (*.lst)"};
        QTest::newRow("description without its pair is dropped") << "A (*.a)|*.a|Orphan"
                                                                 << QStringList{"A (*.a)"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void convertsStoredFilters()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, nameFilters);
        QCOMPARE(FileFilter::toNameFilters(stored), nameFilters);
    }
};

QTEST_APPLESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
