#include "config/AddressRecipe.h"

#include <QTest>

using AddressRecipe::Model;

class TestAddressRecipe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsByPlainConcatenation_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("resolution");
        QTest::addColumn<QString>("compression");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("still");

        const int cam = int(Model::Axis2100);
        const int server = int(Model::Axis2400);
        QTest::newRow("untouched fields keep the question mark and three slashes")
            << cam << "http://" << "" << "" << "&camera=1" << "http:///cgi-bin/mjpg/video.cgi?"
            << "http:///cgi-bin/jpg/image.cgi?";
        QTest::newRow("camera: resolution before compression")
            << cam << "http://10.0.0.5" << "resolution=358x288" << "&compression=50" << "&camera=1"
            << "http://10.0.0.5/cgi-bin/mjpg/video.cgi?resolution=358x288&compression=50"
            << "http://10.0.0.5/cgi-bin/jpg/image.cgi?resolution=358x288&compression=50";
        QTest::newRow("server still picture is a video.cgi")
            << server << "http://h" << "resolution=640x400" << "" << "&camera=4"
            << "http://h/axis-cgi/mjpg/video.cgi?resolution=640x400&camera=4"
            << "http://h/axis-cgi/jpg/video.cgi?resolution=640x400&camera=4";
        QTest::newRow("trailing slash gives a double slash")
            << cam << "http://h/" << "" << "" << "" << "http://h//cgi-bin/mjpg/video.cgi?"
            << "http://h//cgi-bin/jpg/image.cgi?";
        QTest::newRow("empty address starts with the path")
            << server << "" << "" << "" << "" << "/axis-cgi/mjpg/video.cgi?" << "/axis-cgi/jpg/video.cgi?";
        QTest::newRow("typed pieces are neither trimmed nor encoded")
            << server << " http://h é" << "resolution=1x1 " << " &compression=5" << "&camera=9 "
            << QString::fromUtf8(" http://h é/axis-cgi/mjpg/video.cgi?resolution=1x1  &compression=5&camera=9 ")
            << QString::fromUtf8(" http://h é/axis-cgi/jpg/video.cgi?resolution=1x1  &compression=5&camera=9 ");
    }

    void buildsByPlainConcatenation()
    {
        QFETCH(int, model);
        QFETCH(QString, address);
        QFETCH(QString, resolution);
        QFETCH(QString, compression);
        QFETCH(QString, input);
        QFETCH(QString, stream);
        QFETCH(QString, still);
        const auto built = AddressRecipe::build(Model(model), {address, resolution, compression, input});
        QCOMPARE(built.stream, stream);
        QCOMPARE(built.still, still);
    }
};

QTEST_APPLESS_MAIN(TestAddressRecipe)
#include "tst_addressrecipe.moc"
