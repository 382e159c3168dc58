// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding ahead on the shared pool: each picture decoded once whoever asks first, a batch in order
// on one thread, an error raised to every asker, and a dropped decode never run.
#include "toolkit/pictures/decode_ahead.h"
#include "toolkit/text/errors.h"

#include <QtTest>

#include <mutex>
#include <thread>

namespace {

using Decode = tk::PictureDecode<int>;

} // namespace

class DecodeAheadTest : public QObject {
    Q_OBJECT
private slots:
    // The pool and this thread race for the same decodes: each runs once and both see its result.
    void eachDecodedOnceWhoeverComesFirst() {
        std::atomic<int> runs{0};
        std::vector<std::shared_ptr<Decode>> decodes;
        for (int i = 0; i < 200; ++i)
            decodes.push_back(std::make_shared<Decode>([&runs, i] {
                ++runs;
                return i * i;
            }));
        tk::DecodeInOrder(decodes);
        for (int i = 199; i >= 0; --i)
            QCOMPARE(decodes[std::size_t(i)]->Get(), i * i);
        for (const auto& decode : decodes)
            decode->Wait();
        QCOMPARE(runs.load(), 200);
    }

    // A batch keeps to one core: its decodes run in turn on one pool thread, never this one.
    void batchRunsInOrderOnOnePoolThread() {
        std::mutex mutex;
        std::vector<int> order;
        std::vector<std::thread::id> threads;
        std::vector<std::shared_ptr<Decode>> decodes;
        for (int i = 0; i < 8; ++i)
            decodes.push_back(std::make_shared<Decode>([&, i] {
                std::lock_guard lock(mutex);
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
                return i;
            }));
        tk::DecodeInOrder(decodes);
        QCOMPARE(decodes.back()->Wait(), 7);
        std::lock_guard lock(mutex);
        QCOMPARE(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(std::count(threads.begin(), threads.end(), threads.front()), 8);
        QVERIFY(threads.front() != std::this_thread::get_id());
    }

    void failureRaisedToEveryAsker() {
        auto decode =
            std::make_shared<Decode>([]() -> int { throw tk::EPictureError(QStringLiteral("broken")); });
        tk::DecodeInOrder(std::vector{decode});
        QVERIFY_THROWS_EXCEPTION(tk::EPictureError, decode->Get());
        QVERIFY_THROWS_EXCEPTION(tk::EPictureError, decode->Wait());
    }

    // With both pool threads busy, a queued decode dropped before it begins is never run.
    void droppedDecodeNeverRuns() {
        std::promise<void> release;
        std::shared_future<void> go = release.get_future().share();
        std::vector<std::shared_ptr<Decode>> blockers;
        for (int i = 0; i < tk::DecodePool::kThreads; ++i) {
            blockers.push_back(std::make_shared<Decode>([go] {
                go.wait();
                return 0;
            }));
            tk::DecodeInOrder(std::vector{blockers.back()});
        }
        bool ran = false;
        auto dropped = std::make_shared<Decode>([&ran] {
            ran = true;
            return 1;
        });
        tk::DecodeInOrder(std::vector{dropped});
        dropped->Drop();
        release.set_value();
        auto after = std::make_shared<Decode>([] { return 2; });
        tk::DecodeInOrder(std::vector{after});
        QCOMPARE(after->Wait(), 2);
        for (const auto& blocker : blockers)
            blocker->Wait();
        QCOMPARE(dropped->Wait(), 0);
        QVERIFY(!ran);
    }
};

QTEST_GUILESS_MAIN(DecodeAheadTest)
#include "decode_ahead_test.moc"
