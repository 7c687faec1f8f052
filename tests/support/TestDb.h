#pragma once
#include "common/db/Session.h"

#include "QtPrinters.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace oa::test {

// The engines a database test runs on: SQLite always, PostgreSQL when OA_TEST_PG_URL names a server.
std::vector<Engine> testEngines();
std::string engineParamName(const ::testing::TestParamInfo<Engine>& info);
QString pgUrl();

// A fresh, empty database on one engine: a temporary SQLite file, or a schema of its own on PostgreSQL.
class TestDatabase {
public:
    explicit TestDatabase(Engine e);
    ~TestDatabase();
    ConnectionUrl url() const { return url_; }
    std::unique_ptr<Session> open() const;     // another connection to the same database
    Session& session() { return *session_; }

private:
    QTemporaryDir dir_;
    ConnectionUrl url_;
    std::unique_ptr<Session> session_;
};

// A school database: base tables and the upgrade scripts, as the Migrator makes it.
class SchoolDatabase : public TestDatabase {
public:
    explicit SchoolDatabase(Engine e, bool demo = false);
};

// Parameterised fixture base: TEST_P(MyTest, …) runs once per engine.
class EngineTest : public ::testing::TestWithParam<Engine> {};

#define OA_INSTANTIATE_ENGINES(Suite) \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::ValuesIn(::oa::test::testEngines()), ::oa::test::engineParamName)

QString fixture(const QString& relative);

}  // namespace oa::test
