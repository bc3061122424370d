#include "storage/record_table_sql.h"

namespace storage {
namespace {

std::string Param(char mark, size_t number) { return mark + std::to_string(number); }

}  // namespace

std::string KeyColumn(int k) { return "k" + std::to_string(k); }

std::string KeyColumnsSql(const FileSpec& file_spec, const std::string& bytes) {
  std::string sql;
  for (size_t k = 0; k < file_spec.keys.size(); ++k)
    sql += ", " + KeyColumn(static_cast<int>(k)) + " " + bytes;
  return sql;
}

std::string KeyIndexesSql(const FileSpec& file_spec, const std::string& table,
                          const std::function<std::string(const std::string&)>& index_name) {
  std::string sql;
  for (size_t k = 0; k < file_spec.keys.size(); ++k) {
    const std::string kc = KeyColumn(static_cast<int>(k));
    const std::string index = index_name(kc);
    sql += file_spec.keys[k].duplicates
               ? "CREATE INDEX " + index + " ON " + table + "(" + kc + ", id);"
               : "CREATE UNIQUE INDEX " + index + " ON " + table + "(" + kc + ");";
  }
  return sql;
}

std::string ProbeSql(const std::string& table, size_t nkeys) {
  std::string sql = "SELECT id, data";
  for (size_t k = 0; k < nkeys; ++k) sql += ", " + KeyColumn(static_cast<int>(k));
  return sql + " FROM " + table + " LIMIT 0";
}

std::string InsertSql(const std::string& table, size_t nkeys, char mark) {
  std::string sql = "INSERT INTO " + table + "(data";
  for (size_t k = 0; k < nkeys; ++k) sql += ", " + KeyColumn(static_cast<int>(k));
  sql += ") VALUES(" + Param(mark, 1);
  for (size_t k = 0; k < nkeys; ++k) sql += ", " + Param(mark, k + 2);
  return sql + ")";
}

std::string UpdateSql(const std::string& table, size_t nkeys, char mark) {
  std::string sql = "UPDATE " + table + " SET data = " + Param(mark, 1);
  for (size_t k = 0; k < nkeys; ++k)
    sql += ", " + KeyColumn(static_cast<int>(k)) + " = " + Param(mark, k + 2);
  return sql + " WHERE id = " + Param(mark, nkeys + 2);
}

std::string KeyCondition(const std::string& kc, KeyComparison comparison, char mark,
                         const std::string& id_param) {
  const std::string key = Param(mark, 1);
  switch (comparison) {
    case KeyComparison::kEqual:
      return kc + " = " + key;
    case KeyComparison::kGreaterOrEqual:
      return kc + " >= " + key;
    case KeyComparison::kLessOrEqual:
      return kc + " <= " + key;
    case KeyComparison::kAfter:
    case KeyComparison::kBefore:
      break;
  }
  const char* past = comparison == KeyComparison::kAfter ? " > " : " < ";
  if (id_param.empty()) return kc + past + key;
  return "(" + kc + ", id)" + past + "(" + key + ", " + id_param + ")";
}

std::string SelectSql(const std::string& table, const std::string& kc, const std::string& where,
                      KeyComparison comparison, bool by_id, int limit) {
  const bool descending = Descends(comparison);
  return "SELECT id, data, " + kc + " FROM " + table + " WHERE " + where + " ORDER BY " + kc +
         (descending ? " DESC" : "") + (by_id ? (descending ? ", id DESC" : ", id") : "") +
         " LIMIT " + std::to_string(limit);
}

std::string ByIdSql(const std::string& table, const std::string& kc, const std::string& id_param) {
  return "SELECT id, data, " + kc + " FROM " + table + " WHERE id = " + id_param;
}

}  // namespace storage
