#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

/** Code of errors raised by the wrapper itself rather than by SQLite. */
constexpr int CPPSQLITE_ERROR = 1000;

/** The error thrown by the wrapper: a code (an SQLite result code, or
    CPPSQLITE_ERROR) and the text "NAME[CODE]: MESSAGE". */
class CppSQLite3Exception final : public std::exception
{
public:
    CppSQLite3Exception (int code, const juce::String& message);

    int errorCode() const noexcept { return code; }
    const juce::String& errorMessage() const noexcept { return message; }
    const char* what() const noexcept override { return message.toRawUTF8(); }

    /** SQLite's symbolic name of a result code (0–25, 100, 101), "CPPSQLITE_ERROR"
        for the wrapper's own code, "UNKNOWN_ERROR" otherwise. */
    static juce::String errorCodeAsString (int code);

private:
    int code;
    juce::String message;
};

namespace detail
{
/** A prepared SELECT kept for reuse; see CppSQLite3DB::execQuery. */
struct CachedStatement
{
    sqlite3_stmt* stmt = nullptr;
    bool inUse = false;
    bool orphaned = false; // the connection was closed while a result still used it
};
} // namespace detail

/** The result of one statement, positioned on its current row. Moved by value;
    the moved-from result gives up its statement. */
class CppSQLite3Query final
{
public:
    CppSQLite3Query() = default;
    CppSQLite3Query (sqlite3* db, sqlite3_stmt* stmt, bool eof, bool ownsStatement,
                     std::shared_ptr<detail::CachedStatement> cacheEntry = {},
                     std::shared_ptr<std::mutex> cacheLock = {});
    CppSQLite3Query (CppSQLite3Query&& other) noexcept;
    CppSQLite3Query& operator= (CppSQLite3Query&& other) noexcept;
    ~CppSQLite3Query();

    int numFields() const noexcept { return columns; }
    bool eof() const noexcept { return atEnd; }
    bool hasStatement() const noexcept { return stmt != nullptr; }

    /** The SQLite storage class of a column in the current row (5 is NULL). At the
        end of the rows every column reads as NULL. */
    int fieldDataType (int column) const;
    bool fieldIsNull (int column) const { return fieldDataType (column) == 5; }

    /** Reading a column: NULL (or no row) gives the neutral value, anything else
        is converted to the asked type. */
    int getIntField (int column) const;
    double getFloatField (int column) const;
    juce::String getStringField (int column) const;

    void nextRow();

    /** Releases the statement now; an error SQLite reports while finalizing is raised. */
    void finalize();

private:
    void checkStatement() const;
    void checkColumn (int column) const;
    void release() noexcept;

    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    bool atEnd = true;
    int columns = 0;
    bool ownsStatement = false;
    std::shared_ptr<detail::CachedStatement> cacheEntry;
    std::shared_ptr<std::mutex> cacheLock;

    JUCE_DECLARE_NON_COPYABLE (CppSQLite3Query)
};

/** The SQLite connection. Destroying it closes the connection.

    Statements arrive as text. SELECT statements that end in "= <integer>" (the
    shape of every single-field read of the record models) are prepared once with
    the integer replaced by a bound parameter and reused; each result hands its
    statement back when it is destroyed. Everything else is prepared afresh.
*/
class CppSQLite3DB final
{
public:
    CppSQLite3DB() = default;
    ~CppSQLite3DB();

    /** Opens the file read-write (creating flags as SQLite's open_v2 takes them),
        or only for reading, and installs the busy timeout. Throws on failure. */
    void open (const char* path, bool readOnly = false);
    void close();
    bool isOpen() const noexcept { return db != nullptr; }

    void setBusyTimeout (int milliseconds);

    bool tableExists (const char* name);

    /** Prepares the whole text as one statement and steps it once. Throws on failure. */
    CppSQLite3Query execQuery (const char* sql);

    /** Runs every statement of the text without a result. Throws on failure. */
    void execDML (const char* sql);

    sqlite3* handle() const noexcept { return db; }

    /** Whether a transaction is open on the connection. */
    bool inTransaction() const;

    /** Whether the main file was opened (or could only be opened) for reading. */
    bool isReadOnly() const;

    /** Rows inserted, changed or deleted since the connection was opened,
        those changed by triggers included. */
    long long totalChanges() const;

    /** Diagnostics: when set, every statement that connections run (those open
        now through refreshTracing, and every one opened later) is passed to it,
        with bound values filled in. Statements run by triggers are left out. */
    static void setStatementTracer (std::function<void (const juce::String&)> tracer);
    void refreshTracing();

private:
    [[noreturn]] void throwLastError() const;
    CppSQLite3Query stepNew (sqlite3_stmt* stmt);
    void clearCache();

    sqlite3* db = nullptr;
    int busyTimeoutMs = 60000;

    std::shared_ptr<std::mutex> cacheLock = std::make_shared<std::mutex>();
    std::unordered_map<std::string, std::shared_ptr<detail::CachedStatement>> cache;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CppSQLite3DB)
};
