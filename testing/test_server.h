// The PostgreSQL server of the tests of the server engine: its libpq
// connection string from KEP_TEST_PG (scripts/test.sh starts one on
// loopback), and the removal of a test's schema.
#pragma once

#include <cstdlib>
#include <string>

#if KEP_WITH_POSTGRES
#include <libpq-fe.h>
#endif

namespace testing_support {

inline constexpr char kNoTestServer[] =
    "no PostgreSQL server: set KEP_TEST_PG to a libpq connection string";

// The connection string, or "" when the tests have no server (or the build
// has no server engine).
inline std::string TestServer() {
  if (!KEP_WITH_POSTGRES) return std::string();
  const char* server = std::getenv("KEP_TEST_PG");
  return server == nullptr ? std::string() : std::string(server);
}

// Drops the schema and the snapshots that write-backs took of it.
inline void DropSchema(const std::string& server, const std::string& schema) {
#if KEP_WITH_POSTGRES
  PGconn* conn = PQconnectdb(server.c_str());
  PQclear(PQexec(
      conn,
      ("SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + schema + " CASCADE").c_str()));
  PGresult* snapshots = PQexec(
      conn,
      ("SELECT nspname FROM pg_namespace WHERE nspname LIKE '" + schema + "\\_snap\\_%'").c_str());
  for (int i = 0; PQresultStatus(snapshots) == PGRES_TUPLES_OK && i < PQntuples(snapshots); ++i) {
    PQclear(PQexec(
        conn, ("DROP SCHEMA IF EXISTS \"" + std::string(PQgetvalue(snapshots, i, 0)) + "\" CASCADE")
                  .c_str()));
  }
  PQclear(snapshots);
  PQfinish(conn);
#else
  (void)server;
  (void)schema;
#endif
}

}  // namespace testing_support
