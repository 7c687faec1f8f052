// Lantern's messages: how long a message takes from "发送" on one desktop to the other desktop's chat window,
// on PostgreSQL with the notification and with the 3-second poll alone; and what one round of 300 idle
// desktops polling costs the server. Run with OA_TEST_PG_URL set to include PostgreSQL.
#include "lantern/LanternTestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>
#include <benchmark/benchmark.h>

using namespace oa;
using namespace oa::lantern;
using namespace oa::lantern::test;
using oa::test::SchoolDatabase;

namespace {

// Waits in the event loop (timers and notifications keep running) until done() or the timeout.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A school's worth of read messages between the desktops' members, and one unread message in every 400th
// row queued for a member who is not polling.
void fillHistory(Session& s, int history, int desktops)
{
    Transaction tx(s);
    Statement msg(s, QStringLiteral("insert into tongxinMeg(Mid,发送人,发送人删,接收人,接收人读,接收人删,日期,时间,内容) "
                                    "values(:mid,:from,0,:to,:read,0,:t,:t,:c)"));
    Statement queue(s, QStringLiteral("insert into tongxinMegNew(Mid,Tid,发送人,接收人) values(:mid,1,:from,:to)"));
    const QDateTime now = s.serverNow();
    for (int i = 1; i <= history; ++i) {
        const bool pending = i % 400 == 0;
        const QString to = pending ? QStringLiteral("离开的同事%1").arg(i) : QStringLiteral("教师%1").arg(i % desktops);
        msg.bind(QStringLiteral("mid"), i).bind(QStringLiteral("from"), QStringLiteral("教师%1").arg((i + 7) % desktops))
            .bind(QStringLiteral("to"), to).bind(QStringLiteral("read"), pending ? 0 : 1)
            .bind(QStringLiteral("t"), now.addSecs(-i)).bind(QStringLiteral("c"), QStringLiteral("{\\rtf1 消息%1}").arg(i)).exec();
        if (pending)
            queue.bind(QStringLiteral("mid"), i).bind(QStringLiteral("from"), QStringLiteral("教师1")).bind(QStringLiteral("to"), to).exec();
    }
    tx.commit();
}

// range(0): messages already in the store, so the cost of reading a sender's unread ones shows.
void sendToDisplay(benchmark::State& state, bool notify)
{
    if (oa::test::pgUrl().isEmpty()) {
        state.SkipWithError("OA_TEST_PG_URL is not set");
        return;
    }
    SchoolDatabase db(Engine::PostgreSQL);
    fillSchool(db.session());
    fillHistory(db.session(), int(state.range(0)), 300);
    Desk sender(db, kChen);
    Desk receiver(db, kLi);
    // The receiver runs its poll as Lantern does: a 3-second timer, woken early by the notification.
    QTimer timerMsg;
    timerMsg.setInterval(kFastPollMs);
    MessageService poller(*receiver.session, receiver.prompter, receiver.st, receiver.windows, &timerMsg);
    QObject::connect(&timerMsg, &QTimer::timeout, &poller, [&] { poller.pollMessages(); });
    if (notify && !poller.listen()) {
        state.SkipWithError("LISTEN failed");
        return;
    }
    timerMsg.start();
    int n = 0;
    for (auto _ : state) {
        const qsizetype before = receiver.windows.shown.size();
        QElapsedTimer t;
        t.start();
        sender.send(kLi.tname, QStringLiteral("第%1条消息").arg(++n));
        if (!waitFor([&] { return receiver.windows.shown.size() > before; }, 70000)) {
            state.SkipWithError("the message never arrived");
            break;
        }
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        // The next send falls at another moment of the poll's period.
        if (!notify) idle(int(QRandomGenerator::global()->bounded(kFastPollMs)));
    }
    state.counters["shown"] = double(receiver.windows.shown.size());
}

void BM_SendToDisplay_PostgreSQL_Notify(benchmark::State& state) { sendToDisplay(state, true); }
void BM_SendToDisplay_PostgreSQL_PollOnly(benchmark::State& state) { sendToDisplay(state, false); }

// One round of 300 idle desktops: each asks the queue for its own rows once. The tables hold a school's
// worth of read messages and a few rows queued for members who are not polling.
void idlePolls(benchmark::State& state, Engine engine)
{
    if (engine == Engine::PostgreSQL && oa::test::pgUrl().isEmpty()) {
        state.SkipWithError("OA_TEST_PG_URL is not set");
        return;
    }
    const int desktops = int(state.range(0));
    const int history = int(state.range(1));
    SchoolDatabase db(engine);
    Session& s = db.session();
    fillSchool(s);
    fillHistory(s, history, desktops);
    RecordingWindows windows;
    ScriptedPrompter prompter;
    std::vector<std::unique_ptr<LanternState>> states;
    std::vector<std::unique_ptr<MessageService>> pollers;
    for (int i = 0; i < desktops; ++i) {
        states.push_back(std::make_unique<LanternState>());
        states.back()->tname = QStringLiteral("教师%1").arg(i);
        pollers.push_back(std::make_unique<MessageService>(s, prompter, *states.back(), windows));
    }
    for (auto _ : state)
        for (auto& p : pollers) benchmark::DoNotOptimize(p->pollMessages());
    state.counters["polls_per_s"] = benchmark::Counter(double(desktops), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["shown"] = double(windows.shown.size());
}

void BM_IdlePolls_SQLite(benchmark::State& state) { idlePolls(state, Engine::SQLite); }
void BM_IdlePolls_PostgreSQL(benchmark::State& state) { idlePolls(state, Engine::PostgreSQL); }

}  // namespace

BENCHMARK(BM_SendToDisplay_PostgreSQL_Notify)->Arg(0)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_SendToDisplay_PostgreSQL_PollOnly)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_IdlePolls_SQLite)->Args({300, 0})->Args({300, 100000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdlePolls_PostgreSQL)->Args({300, 0})->Args({300, 100000})->Unit(benchmark::kMillisecond);
