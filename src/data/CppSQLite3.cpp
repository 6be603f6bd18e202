#include "data/CppSQLite3.h"

#include <sqlite3.h>

#include <cstring>

//==============================================================================
CppSQLite3Exception::CppSQLite3Exception (int errorCode, const juce::String& text)
    : code (errorCode),
      message (errorCodeAsString (errorCode) + "[" + juce::String (errorCode) + "]: " + text)
{
}

juce::String CppSQLite3Exception::errorCodeAsString (int code)
{
    static const char* const names[] = {
        "SQLITE_OK",       "SQLITE_ERROR",     "SQLITE_INTERNAL", "SQLITE_PERM",     "SQLITE_ABORT",
        "SQLITE_BUSY",     "SQLITE_LOCKED",    "SQLITE_NOMEM",    "SQLITE_READONLY", "SQLITE_INTERRUPT",
        "SQLITE_IOERR",    "SQLITE_CORRUPT",   "SQLITE_NOTFOUND", "SQLITE_FULL",     "SQLITE_CANTOPEN",
        "SQLITE_PROTOCOL", "SQLITE_EMPTY",     "SQLITE_SCHEMA",   "SQLITE_TOOBIG",   "SQLITE_CONSTRAINT",
        "SQLITE_MISMATCH", "SQLITE_MISUSE",    "SQLITE_NOLFS",    "SQLITE_AUTH",     "SQLITE_FORMAT",
        "SQLITE_RANGE",    "SQLITE_NOTADB",    "SQLITE_NOTICE",   "SQLITE_WARNING"
    };
    constexpr int numNames = (int) (sizeof (names) / sizeof (names[0]));

    if (code >= 0 && code < numNames)
        return names[code];
    if (code == SQLITE_ROW)
        return "SQLITE_ROW";
    if (code == SQLITE_DONE)
        return "SQLITE_DONE";
    if (code == CPPSQLITE_ERROR)
        return "CPPSQLITE_ERROR";

    // An extended result code carries its primary code in the low byte
    // (SQLITE_IOERR_READ is SQLITE_IOERR | 1 << 8).
    if (code > 255 && (code & 0xff) > 0 && (code & 0xff) < numNames)
        return names[code & 0xff];
    return "UNKNOWN_ERROR";
}

//==============================================================================
CppSQLite3Query::CppSQLite3Query (sqlite3* connection, sqlite3_stmt* statement, bool eof, bool owns,
                                  std::shared_ptr<detail::CachedStatement> entry,
                                  std::shared_ptr<std::mutex> lock)
    : db (connection),
      stmt (statement),
      atEnd (eof),
      columns (statement != nullptr ? sqlite3_column_count (statement) : 0),
      ownsStatement (owns),
      cacheEntry (std::move (entry)),
      cacheLock (std::move (lock))
{
}

CppSQLite3Query::CppSQLite3Query (CppSQLite3Query&& other) noexcept
{
    *this = std::move (other);
}

CppSQLite3Query& CppSQLite3Query::operator= (CppSQLite3Query&& other) noexcept
{
    if (this != &other)
    {
        release();
        db = std::exchange (other.db, nullptr);
        stmt = std::exchange (other.stmt, nullptr);
        atEnd = std::exchange (other.atEnd, true);
        columns = std::exchange (other.columns, 0);
        ownsStatement = std::exchange (other.ownsStatement, false);
        cacheEntry = std::move (other.cacheEntry);
        cacheLock = std::move (other.cacheLock);
    }
    return *this;
}

CppSQLite3Query::~CppSQLite3Query()
{
    release();
}

void CppSQLite3Query::release() noexcept
{
    if (stmt == nullptr)
        return;

    if (cacheEntry != nullptr)
    {
        // A shared statement goes back to the cache, reset so that it holds no read lock.
        std::lock_guard<std::mutex> guard (*cacheLock);
        if (cacheEntry->orphaned)
        {
            sqlite3_finalize (stmt);
            cacheEntry->stmt = nullptr;
        }
        else
        {
            sqlite3_reset (stmt);
            sqlite3_clear_bindings (stmt);
        }
        cacheEntry->inUse = false;
        cacheEntry.reset();
    }
    else if (ownsStatement)
    {
        sqlite3_finalize (stmt);
    }

    stmt = nullptr;
    atEnd = true;
}

void CppSQLite3Query::finalize()
{
    if (stmt == nullptr)
        return;

    if (cacheEntry != nullptr || ! ownsStatement)
    {
        release();
        return;
    }

    auto result = sqlite3_finalize (stmt);
    stmt = nullptr;
    atEnd = true;

    if (result != SQLITE_OK)
        throw CppSQLite3Exception (result, juce::String::fromUTF8 (sqlite3_errmsg (db)));
}

void CppSQLite3Query::checkStatement() const
{
    if (stmt == nullptr)
        throw CppSQLite3Exception (CPPSQLITE_ERROR, "Null Virtual Machine pointer");
}

void CppSQLite3Query::checkColumn (int column) const
{
    checkStatement();
    if (column < 0 || column >= columns)
        throw CppSQLite3Exception (CPPSQLITE_ERROR, "Invalid field index requested");
}

int CppSQLite3Query::fieldDataType (int column) const
{
    checkColumn (column);
    if (atEnd)
        return SQLITE_NULL;
    return sqlite3_column_type (stmt, column);
}

int CppSQLite3Query::getIntField (int column) const
{
    if (fieldIsNull (column))
        return 0;
    return sqlite3_column_int (stmt, column);
}

double CppSQLite3Query::getFloatField (int column) const
{
    if (fieldIsNull (column))
        return 0.0;
    return sqlite3_column_double (stmt, column);
}

juce::String CppSQLite3Query::getStringField (int column) const
{
    if (fieldIsNull (column))
        return {};
    auto* text = reinterpret_cast<const char*> (sqlite3_column_text (stmt, column));
    return juce::String::fromUTF8 (text, sqlite3_column_bytes (stmt, column));
}

void CppSQLite3Query::nextRow()
{
    checkStatement();

    auto result = sqlite3_step (stmt);
    if (result == SQLITE_ROW)
        return;

    if (result == SQLITE_DONE)
    {
        atEnd = true;
        return;
    }

    auto message = juce::String::fromUTF8 (sqlite3_errmsg (db));
    release();
    throw CppSQLite3Exception (result, message);
}

//==============================================================================
namespace
{
std::function<void (const juce::String&)>& statementTracer()
{
    static std::function<void (const juce::String&)> tracer;
    return tracer;
}

int traceStatement (unsigned, void*, void* statement, void* text)
{
    auto& tracer = statementTracer();
    if (tracer == nullptr || (text != nullptr && std::strncmp (static_cast<const char*> (text), "--", 2) == 0))
        return 0;

    if (auto* expanded = sqlite3_expanded_sql (static_cast<sqlite3_stmt*> (statement)))
    {
        tracer (juce::String::fromUTF8 (expanded));
        sqlite3_free (expanded);
    }
    return 0;
}
} // namespace

void CppSQLite3DB::setStatementTracer (std::function<void (const juce::String&)> tracer)
{
    statementTracer() = std::move (tracer);
}

void CppSQLite3DB::refreshTracing()
{
    if (db == nullptr)
        return;

    if (statementTracer() != nullptr)
        sqlite3_trace_v2 (db, SQLITE_TRACE_STMT, traceStatement, nullptr);
    else
        sqlite3_trace_v2 (db, 0, nullptr, nullptr);
}

//==============================================================================
CppSQLite3DB::~CppSQLite3DB()
{
    close();
}

void CppSQLite3DB::open (const char* path, bool readOnly)
{
    close();

    sqlite3* handle = nullptr;
    auto flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    auto result = sqlite3_open_v2 (path, &handle, flags, nullptr);
    if (result != SQLITE_OK)
    {
        auto message = juce::String::fromUTF8 (handle != nullptr ? sqlite3_errmsg (handle) : "");
        sqlite3_close (handle);
        throw CppSQLite3Exception (result, message);
    }

    db = handle;
    setBusyTimeout (busyTimeoutMs);
    refreshTracing();
}

void CppSQLite3DB::close()
{
    if (db == nullptr)
        return;

    clearCache();
    // close_v2 defers the real close while a result still holds a statement.
    sqlite3_close_v2 (db);
    db = nullptr;
}

void CppSQLite3DB::clearCache()
{
    std::lock_guard<std::mutex> guard (*cacheLock);
    for (auto& [key, entry] : cache)
    {
        if (entry->inUse)
            entry->orphaned = true;
        else if (entry->stmt != nullptr)
            sqlite3_finalize (entry->stmt);
    }
    cache.clear();
}

void CppSQLite3DB::setBusyTimeout (int milliseconds)
{
    busyTimeoutMs = milliseconds;
    if (db != nullptr)
        sqlite3_busy_timeout (db, milliseconds);
}

bool CppSQLite3DB::inTransaction() const
{
    return db != nullptr && sqlite3_get_autocommit (db) == 0;
}

bool CppSQLite3DB::isReadOnly() const
{
    return db != nullptr && sqlite3_db_readonly (db, "main") == 1;
}

long long CppSQLite3DB::totalChanges() const
{
    return db != nullptr ? (long long) sqlite3_total_changes64 (db) : 0;
}

void CppSQLite3DB::throwLastError() const
{
    throw CppSQLite3Exception (sqlite3_errcode (db), juce::String::fromUTF8 (sqlite3_errmsg (db)));
}

bool CppSQLite3DB::tableExists (const char* name)
{
    // Table names come from the program, never from the user.
    auto sql = "select count(*) from sqlite_master where type='table' and name='" + std::string (name) + "'";
    auto query = execQuery (sql.c_str());

    if (query.eof() || query.numFields() < 1)
        throw CppSQLite3Exception (CPPSQLITE_ERROR, "Invalid scalar query");

    return query.getIntField (0) >= 1;
}

namespace
{
/** Splits "SELECT … = 123" into the text with the integer replaced by "?" and
    the integer; false when the statement has another shape. */
bool splitTrailingInteger (const char* sql, std::string& key, sqlite3_int64& value)
{
    auto length = std::strlen (sql);
    if (length < 8 || sqlite3_strnicmp (sql, "SELECT", 6) != 0)
        return false;

    auto end = length;
    auto digitsStart = end;
    while (digitsStart > 0 && sql[digitsStart - 1] >= '0' && sql[digitsStart - 1] <= '9')
        --digitsStart;

    auto digitCount = end - digitsStart;
    if (digitCount == 0 || digitCount > 15)
        return false;

    auto literalStart = digitsStart;
    bool negative = false;
    if (literalStart > 0 && sql[literalStart - 1] == '-')
    {
        negative = true;
        --literalStart;
    }

    auto before = literalStart;
    while (before > 0 && sql[before - 1] == ' ')
        --before;
    if (before == 0 || sql[before - 1] != '=')
        return false;

    value = 0;
    for (auto i = digitsStart; i < end; ++i)
        value = value * 10 + (sql[i] - '0');
    if (negative)
        value = -value;

    key.assign (sql, literalStart);
    key.push_back ('?');
    return true;
}

constexpr size_t maxCachedStatements = 256;
} // namespace

CppSQLite3Query CppSQLite3DB::stepNew (sqlite3_stmt* stmt)
{
    auto result = sqlite3_step (stmt);

    if (result == SQLITE_ROW || result == SQLITE_DONE)
        return CppSQLite3Query (db, stmt, result == SQLITE_DONE, true);

    auto message = juce::String::fromUTF8 (sqlite3_errmsg (db));
    sqlite3_finalize (stmt);
    throw CppSQLite3Exception (result, message);
}

CppSQLite3Query CppSQLite3DB::execQuery (const char* sql)
{
    if (db == nullptr)
        throw CppSQLite3Exception (CPPSQLITE_ERROR, "Database not open");

    std::string key;
    sqlite3_int64 value = 0;

    if (splitTrailingInteger (sql, key, value))
    {
        std::shared_ptr<detail::CachedStatement> entry;
        {
            std::lock_guard<std::mutex> guard (*cacheLock);
            auto found = cache.find (key);

            if (found != cache.end() && ! found->second->inUse)
            {
                entry = found->second;
                entry->inUse = true;
            }
            else if (found == cache.end() && cache.size() < maxCachedStatements)
            {
                sqlite3_stmt* stmt = nullptr;
                const char* tail = nullptr;
                if (sqlite3_prepare_v2 (db, key.c_str(), -1, &stmt, &tail) == SQLITE_OK && stmt != nullptr
                    && sqlite3_bind_parameter_count (stmt) == 1 && (tail == nullptr || *tail == 0))
                {
                    entry = std::make_shared<detail::CachedStatement>();
                    entry->stmt = stmt;
                    entry->inUse = true;
                    cache.emplace (key, entry);
                }
                else if (stmt != nullptr)
                {
                    sqlite3_finalize (stmt);
                }
            }
        }

        if (entry != nullptr)
        {
            sqlite3_bind_int64 (entry->stmt, 1, value);
            auto* stmt = entry->stmt;
            // The shared entry travels with the result, which hands the statement back.
            auto result = sqlite3_step (stmt);
            if (result == SQLITE_ROW || result == SQLITE_DONE)
                return CppSQLite3Query (db, stmt, result == SQLITE_DONE, false, entry, cacheLock);

            auto message = juce::String::fromUTF8 (sqlite3_errmsg (db));
            {
                std::lock_guard<std::mutex> guard (*cacheLock);
                sqlite3_reset (stmt);
                sqlite3_clear_bindings (stmt);
                entry->inUse = false;
            }
            throw CppSQLite3Exception (result, message);
        }
    }

    sqlite3_stmt* stmt = nullptr;
    auto prepared = sqlite3_prepare_v2 (db, sql, -1, &stmt, nullptr);
    if (prepared != SQLITE_OK)
    {
        auto message = juce::String::fromUTF8 (sqlite3_errmsg (db));
        sqlite3_finalize (stmt);
        throw CppSQLite3Exception (prepared, message);
    }

    if (stmt == nullptr) // the text held no statement (only blanks or comments)
        return CppSQLite3Query (db, nullptr, true, false);

    return stepNew (stmt);
}

void CppSQLite3DB::execDML (const char* sql)
{
    if (db == nullptr)
        throw CppSQLite3Exception (CPPSQLITE_ERROR, "Database not open");

    char* error = nullptr;
    auto result = sqlite3_exec (db, sql, nullptr, nullptr, &error);
    if (result != SQLITE_OK)
    {
        auto message = juce::String::fromUTF8 (error != nullptr ? error : sqlite3_errmsg (db));
        sqlite3_free (error);
        throw CppSQLite3Exception (result, message);
    }
}
