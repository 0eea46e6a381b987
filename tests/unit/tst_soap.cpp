#include "onvif/OnvifCalls.h"
#include "onvif/Soap.h"
#include "onvif/XmlTree.h"

#include <QTest>

class TestSoap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordDigest_data()
    {
        QTest::addColumn<QByteArray>("nonceBase64");
        QTest::addColumn<QString>("created");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("digest");
        // The worked example of ONVIF's application programmer's guide.
        QTest::newRow("programmer's guide example") << QByteArray("LKqI6G/AikKCQrN0zqZFlg==")
                                                    << "2010-09-16T07:50:45Z" << "userpassword"
                                                    << QByteArray("tuOSpGlFlIXsozq4HFNeeGeFLEI=");
    }

    void passwordDigest()
    {
        QFETCH(QByteArray, nonceBase64);
        QFETCH(QString, created);
        QFETCH(QString, password);
        QTEST(Soap::passwordDigest(QByteArray::fromBase64(nonceBase64), created, password), "digest");
    }

    // The token is dated by the device's clock and carries no password;
    // what the device sends back into a body (a profile token) stays text.
    void envelopeCarriesTokenNeverPassword()
    {
        const QString password = QStringLiteral("s3cr&t<pw>");
        const qint64 hourAhead = 3600 * 1000;
        const Soap::Token token = Soap::makeToken(QStringLiteral("ad<min"), password, hourAhead);
        const QByteArray bytes = Soap::envelope(OnvifCalls::body(OnvifCalls::Call::StreamUri, QStringLiteral("</a><b>&")),
                                                &token);
        QString error;
        const auto root = XmlTree::parse(bytes, &error);
        QVERIFY2(root, qPrintable(error));
        const XmlElement *t = root->find(u"UsernameToken");
        QVERIFY(t);
        QCOMPARE(t->textAt(u"Username"), QStringLiteral("ad<min"));
        QCOMPARE(root->find(u"ProfileToken")->text, QStringLiteral("</a><b>&"));
        const QByteArray nonce = QByteArray::fromBase64(t->textAt(u"Nonce").toLatin1());
        QCOMPARE(nonce.size(), 16);
        QCOMPARE(t->textAt(u"Password").toLatin1(), Soap::passwordDigest(nonce, t->textAt(u"Created"), password));
        const QDateTime created = QDateTime::fromString(t->textAt(u"Created"), Qt::ISODate);
        QVERIFY(qAbs(QDateTime::currentDateTimeUtc().addMSecs(hourAhead).secsTo(created)) < 60);
        for (const QByteArray &form : {password.toUtf8(), password.toUtf8().toBase64(), password.toHtmlEscaped().toUtf8()})
            QVERIFY(!bytes.contains(form));
        QVERIFY(Soap::makeToken(QStringLiteral("u"), password, 0).nonce != token.nonce);
    }
};

QTEST_GUILESS_MAIN(TestSoap)
#include "tst_soap.moc"
