#include "bar/BarLayout.h"
#include "bar/CaptionSets.h"

#include <QSet>
#include <QTest>

using CaptionSets::Text;

namespace {
// The text the bar's layout gives the row's item.
QString layoutText(const CaptionSets::Row &row)
{
    for (const BarLayout::Control &control : BarLayout::controls()) {
        if (QLatin1String(control.name) == QLatin1String(row.name))
            return QString::fromUtf8(row.text == Text::Hint ? control.hint : control.caption);
    }
    for (const BarLayout::MenuItem &item : BarLayout::menu()) {
        if (QLatin1String(item.name) == QLatin1String(row.name) && row.text == Text::Caption)
            return QString::fromUtf8(item.caption);
    }
    return QStringLiteral("<no such item>");
}
} // namespace

class TestCaptionSets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chosenByTheWholeFirstEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("language"); // -1: none
        QTest::newRow("French in Windows-1252") << QByteArray("Langue=Fran\xe7" "ais") << int(Language::French);
        QTest::newRow("English") << QByteArray("Langue=Anglais") << int(Language::English);
        QTest::newRow("Italian") << QByteArray("Langue=Italien") << int(Language::Italian);
        QTest::newRow("key in lower case") << QByteArray("langue=Anglais") << -1;
        QTest::newRow("trailing blank") << QByteArray("Langue=Anglais ") << -1;
        QTest::newRow("nothing") << QByteArray() << -1;
    }

    void chosenByTheWholeFirstEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(int, language);
        const auto chosen = CaptionSets::chosenBy(entry);
        QCOMPARE(chosen ? int(*chosen) : -1, language);
    }

    void everyRowNamesALayoutText()
    {
        for (const CaptionSets::Row &row : CaptionSets::rows())
            QVERIFY2(layoutText(row) != QStringLiteral("<no such item>"), row.name);
    }

    // The French set is not the layout: exactly seven texts differ.
    void frenchDiffersFromLayoutInSevenPlaces()
    {
        QSet<QString> differing;
        for (const CaptionSets::Row &row : CaptionSets::rows()) {
            if (CaptionSets::text(row, Language::French) != layoutText(row))
                differing.insert(QLatin1String(row.name));
        }
        QCOMPARE(differing, (QSet<QString>{"SpeedButton8", "Image2", "N380x1", "N640x1", "N740x1", "Multivision4",
                                           "Aproposde2"}));
    }

    void numberedCameraTexts()
    {
        QCOMPARE(CaptionSets::cameraCaption(Language::French, 1), QString::fromUtf8("Caméra 1"));
        QCOMPARE(CaptionSets::cameraCaption(Language::English, 9), QStringLiteral("Camera 9"));
        QCOMPARE(CaptionSets::cameraCaption(Language::Italian, 5), QStringLiteral("Cinepresa 5"));
        QCOMPARE(CaptionSets::cameraItemName(7), QStringLiteral("Camra7"));
    }
};

QTEST_APPLESS_MAIN(TestCaptionSets)
#include "tst_captionsets.moc"
