// Rerunning the upgrade on a school with many score rows: the probes look at columns, never rows, so the
// time must not grow with the size of stuscore. Run with OA_TEST_PG_URL set to include PostgreSQL.
#include "TestDb.h"
#include "UpgradeEngine.h"

#include <benchmark/benchmark.h>

using namespace oa;
using namespace oa::test;

namespace {
void fillScores(Session& s, int rows)
{
    if (rows == 0) return;
    if (s.engine() == Engine::PostgreSQL) {
        s.exec(QStringLiteral("insert into stuscore(Years,grade,class,Number,Uname,TestName,subject,score) "
                              "select '2026-2027','初一级','01班',g,'学生'||g,'期中考试','语文',g%100 from generate_series(1,:n) g"),
               {{QStringLiteral("n"), rows}});
    } else {
        s.exec(QStringLiteral("with recursive n(g) as (select 1 union all select g+1 from n where g<:n) "
                              "insert into stuscore(Years,grade,class,Number,Uname,TestName,subject,score) "
                              "select '2026-2027','初一级','01班',g,'学生'||g,'期中考试','语文',g%100 from n"),
               {{QStringLiteral("n"), rows}});
    }
}

void rerunUpgrade(benchmark::State& state, Engine engine)
{
    SchoolDatabase db(engine);
    fillScores(db.session(), int(state.range(0)));
    UpgradeEngine e(db.session());
    const UpgradeScript v3 = UpgradeScript::load(QStringLiteral("v3"));
    const UpgradeScript v5 = UpgradeScript::load(QStringLiteral("v5"));
    for (auto _ : state) {
        e.run(v3);
        e.run(v5);
        e.stampRelease();
    }
    state.counters["stuscore_rows"] = double(state.range(0));
}

void BM_UpgradeRerun_SQLite(benchmark::State& state) { rerunUpgrade(state, Engine::SQLite); }
void BM_UpgradeRerun_PostgreSQL(benchmark::State& state)
{
    if (pgUrl().isEmpty()) {
        state.SkipWithError("OA_TEST_PG_URL is not set");
        return;
    }
    rerunUpgrade(state, Engine::PostgreSQL);
}
}  // namespace

BENCHMARK(BM_UpgradeRerun_SQLite)->Arg(0)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UpgradeRerun_PostgreSQL)->Arg(0)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3);
