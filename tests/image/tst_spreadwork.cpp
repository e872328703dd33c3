#include "image/SpreadWork.h"

#include <QTest>
#include <QThread>

#include <stdexcept>

class TestSpreadWork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runsEachJobOnceAndReportsTheFirstFailureInOrder();
};

// A walk that fails must name the damage an ordered walk meets first, even when a later job fails
// sooner: here job 40 takes its time, job 900 throws at once.
void TestSpreadWork::runsEachJobOnceAndReportsTheFirstFailureInOrder()
{
    constexpr qsizetype Count = 1000;
    std::vector<std::atomic<int>> runs(Count);
    std::exception_ptr failure;
    QCOMPARE(runSpread(Count, failure, [&](qsizetype index) { ++runs[std::size_t(index)]; }),
             Count);
    QVERIFY(!failure);
    QVERIFY(std::all_of(runs.begin(), runs.end(), [](const auto &count) { return count == 1; }));

    std::vector<std::atomic<int>> failingRuns(Count);
    const qsizetype failedAt = runSpread(Count, failure, [&](qsizetype index) {
        ++failingRuns[std::size_t(index)];
        if (index == 40) {
            QThread::msleep(100);
            throw std::runtime_error("40");
        }
        if (index == 900)
            throw std::runtime_error("900");
    });
    QCOMPARE(failedAt, 40);
    QVERIFY(failure);
    try {
        std::rethrow_exception(failure);
    } catch (const std::runtime_error &error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("40"));
    }
    QVERIFY(std::all_of(failingRuns.begin(), failingRuns.begin() + 41,
                        [](const auto &count) { return count == 1; }));
}

QTEST_GUILESS_MAIN(TestSpreadWork)
#include "tst_spreadwork.moc"
