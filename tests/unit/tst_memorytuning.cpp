#include "base/MemoryTuning.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

class TestMemoryTuning : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Many threads allocating at once end up sharing two arenas, which is
    // what keeps resident memory flat under many decode threads.
    void threadsShareTwoArenas()
    {
#if !defined(__GLIBC__)
        QSKIP("arena limits are glibc's");
#else
        MemoryTuning::apply();
        std::vector<std::thread> threads;
        for (int i = 0; i < 16; ++i) {
            threads.emplace_back([] {
                std::vector<void *> blocks;
                for (int k = 0; k < 200; ++k)
                    blocks.push_back(std::malloc(2048));
                for (void *block : blocks)
                    std::free(block);
            });
        }
        for (std::thread &thread : threads)
            thread.join();

        char *text = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&text, &size);
        QVERIFY(out);
        malloc_info(0, out);
        std::fclose(out);
        const QByteArray xml(text, qsizetype(size));
        std::free(text);
        QVERIFY2(xml.count("<heap nr=") <= 2, xml.constData());
#endif
    }
};

QTEST_APPLESS_MAIN(TestMemoryTuning)
#include "tst_memorytuning.moc"
