#include "image/OrderedWork.h"

#include <QTest>
#include <QThread>

#include <numeric>
#include <stdexcept>

class TestOrderedWork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handsOnEveryInputOnceInOrderWhileTheyGrow();
    void reportsTheFirstFailureInOrder();
};

// A tree walked breadth-first, as folders are: input p adds p % 4 + 1 more until 2000 exist.
void TestOrderedWork::handsOnEveryInputOnceInOrderWhileTheyGrow()
{
    constexpr qsizetype TreeSize = 2000;
    std::vector<std::atomic<int>> worked(TreeSize);
    QList<qsizetype> handedOn;
    bool outputsMatch = true;
    qsizetype count = 1;
    runInOrder(
        std::vector<qsizetype>{0},
        [&](qsizetype input) {
            ++worked[std::size_t(input)];
            return input * 10;
        },
        [&](qsizetype output) {
            const qsizetype input = output / 10;
            outputsMatch = outputsMatch && output == input * 10;
            handedOn.append(input);
            std::vector<qsizetype> added;
            for (qsizetype child = 0; child < input % 4 + 1 && count < TreeSize; ++child)
                added.push_back(count++);
            return added;
        });
    QCOMPARE(count, TreeSize);
    QVERIFY(outputsMatch);
    QCOMPARE(handedOn.size(), TreeSize);
    for (qsizetype input = 0; input < TreeSize; ++input)
        QCOMPARE(handedOn[input], input);
    QVERIFY(std::all_of(worked.begin(), worked.end(), [](const auto &runs) { return runs == 1; }));
}

// A walk that fails must name the damage an ordered walk meets first, even when a later input
// fails sooner: here input 40's work takes its time, input 900's throws at once, and handing on
// input 500 would throw too.
void TestOrderedWork::reportsTheFirstFailureInOrder()
{
    constexpr qsizetype Count = 2000;
    QList<qsizetype> handedOn;
    const auto failureOf = [&](qsizetype slowFailure) {
        handedOn.clear();
        std::vector<qsizetype> inputs(Count);
        std::iota(inputs.begin(), inputs.end(), 0);
        try {
            runInOrder(
                inputs,
                [&](qsizetype input) {
                    if (input == slowFailure) {
                        QThread::msleep(100);
                        throw std::runtime_error("work " + std::to_string(input));
                    }
                    if (input == 900)
                        throw std::runtime_error("work 900");
                    return input;
                },
                [&](qsizetype output) {
                    if (output == 500)
                        throw std::runtime_error("hand on 500");
                    handedOn.append(output);
                    return std::vector<qsizetype>();
                });
        } catch (const std::runtime_error &error) {
            return QByteArray(error.what());
        }
        return QByteArray();
    };
    QCOMPARE(failureOf(40), QByteArray("work 40"));
    QCOMPARE(handedOn.size(), 40);
    QCOMPARE(handedOn.back(), 39);
    QCOMPARE(failureOf(-1), QByteArray("hand on 500"));
    QCOMPARE(handedOn.size(), 500);
}

QTEST_GUILESS_MAIN(TestOrderedWork)
#include "tst_orderedwork.moc"
