#include "e2e/E2eHarness.h"

#include <QTest>

class E2eLanguage : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(E2eLanguage)
#include "e2e_language.moc"
