#include "TestDb.h"

#include "UpgradeEngine.h"
#include "tools/demo/DemoSchool.h"

#include <QCoreApplication>
#include <QRandomGenerator>

namespace oa::test {

QString pgUrl() { return qEnvironmentVariable("OA_TEST_PG_URL"); }

std::vector<Engine> testEngines()
{
    std::vector<Engine> e{Engine::SQLite};
    if (!pgUrl().isEmpty()) e.push_back(Engine::PostgreSQL);
    return e;
}

std::string engineParamName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::SQLite ? "SQLite" : info.param == Engine::PostgreSQL ? "PostgreSQL" : "SqlServer";
}

TestDatabase::TestDatabase(Engine e)
{
    if (e == Engine::SQLite) {
        url_.engine = Engine::SQLite;
        url_.path = dir_.filePath(QStringLiteral("school.db"));
    } else {
        auto u = ConnectionUrl::parse(pgUrl());
        if (!u) throw std::runtime_error("bad OA_TEST_PG_URL");
        url_ = *u;
        url_.schema = QStringLiteral("t_%1_%2").arg(QCoreApplication::applicationPid()).arg(QRandomGenerator::global()->generate());
    }
    session_ = Session::open(url_);
}

TestDatabase::~TestDatabase()
{
    if (url_.engine == Engine::PostgreSQL && session_) {
        try {
            session_->execRaw(QStringLiteral("DROP SCHEMA \"%1\" CASCADE").arg(url_.schema));
        } catch (...) {
        }
    }
}

std::unique_ptr<Session> TestDatabase::open() const { return Session::open(url_); }

SchoolDatabase::SchoolDatabase(Engine e, bool demo) : TestDatabase(e)
{
    UpgradeEngine::createSchool(session());
    if (demo) DemoSchool(session()).populate();
}

QString fixture(const QString& relative) { return QStringLiteral(OA_FIXTURES_DIR "/") + relative; }

}  // namespace oa::test
