#pragma once

#include "data/CppSQLite3.h"
#include "data/SqlText.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <functional>
#include <vector>

class AudioFileModel;
class SetModel;
class MidiEventModel;

/** Kind of change carried by a notification; the program only ever sends 0. */
enum DbChangeType
{
    dbChangeAny = 0
};

/** Hears which table row changed, synchronously on the thread that changed it. */
class DbObserver
{
public:
    virtual ~DbObserver() = default;
    virtual void dbChanged (const char* table, int id, DbChangeType type) = 0;
};

/** Registered observers, and notifications that can be held back and released. */
class DbObservable
{
public:
    virtual ~DbObservable() = default;

    void addObserver (DbObserver* observer);
    /** Unregisters the first matching entry. */
    void removeObserver (DbObserver* observer);

    /** Delivers the change now, or remembers it (only the latest one) while held. */
    void notifyObservers (const char* table, int id, DbChangeType type);
    void holdNotifications();
    /** Resumes delivery and delivers the remembered change, if any, once. */
    void releaseNotifications();

protected:
    std::vector<DbObserver*> observers;
    bool notificationsHeld = false;
    bool notificationPending = false;
    char pendingTable[100] {};
    int pendingId = 0;
    DbChangeType pendingType = dbChangeAny;
};

/** The process-wide owner of the one database connection.

    Runs SQL text, shows SQL errors to the user in one box each and carries on
    with an empty result, counts nested transactions (each outermost one is one
    undoable step, kept by the journal's temporary triggers), and notifies
    observers of changed rows.

    When the file itself becomes unusable while open (unreadable, corrupt, gone),
    the first such error is reported once with a clear message, the fatal-error
    handler runs (the program ends in an orderly way), and every later statement
    quietly yields an empty result instead of flooding the user with boxes.
*/
class RaDatabase final : public DbObservable
{
public:
    RaDatabase();
    ~RaDatabase() override;

    JUCE_DECLARE_SINGLETON (RaDatabase, false)

    /** What a look at the file found, made without writing anything into it and
        without showing anything. */
    struct FileCheck
    {
        enum class Kind
        {
            usable,  // a database of this program, current or older
            invalid, // not a database, damaged, or without a readable version
            newer,   // written by a newer version of the program
            locked   // another program holds the file's lock
        };

        Kind kind = Kind::usable;
        int version = -1;
        juce::String detail; // SQLite's message, when reading failed
    };

    /** Opens an existing file and prepares the undo journal. False, silently,
        when there is no file at the path: the program never creates one.

        The file is looked at first (its integrity and schema version); one that
        this program cannot use is left exactly as it is — nothing is written into
        it — and the schema check refuses it. A file or folder that cannot be
        written is opened for reading only; its journal is then kept in memory
        and getSaveProblem() says why edits cannot be saved. */
    bool openDb (const juce::String& path);
    /** Clears the journal, compacts and closes. Errors while closing are not
        shown: everything the user did is already committed. */
    void closeDb();
    /** Closes a file that failed its checks without running any statement on it. */
    void closeWithoutWriting();

    /** Reads the open file's schema version (and with thorough, its integrity)
        without writing and without showing anything. */
    FileCheck checkFile (bool thorough);
    /** The check made when the file was opened. */
    const FileCheck& getOpenCheck() const noexcept { return openCheck; }

    /** Why edits cannot be saved in the open file, in plain words ("The library
        cannot be saved: the data folder is read-only"), or empty. */
    juce::String getSaveProblem() const { return saveProblem; }
    bool isDbOpen() const noexcept { return isOpen; }
    juce::String getOpenPath() const { return openPath; }

    /** Runs one statement and returns its first row; an SQL error is shown and
        yields an empty result. */
    CppSQLite3Query execQuery (const juce::String& sql);
    /** Runs one or more statements; an SQL error is shown. */
    void execDML (const juce::String& sql);

    /** Opens a (possibly nested) transaction; the outermost one starts an undo step
        named by the description, which must not contain a single quote. */
    void startTransaction (const juce::String& desc);
    /** Closes one nesting level; the outermost one commits and ends the undo step. */
    void endTransaction();
    int getTransactionDepth() const noexcept { return transactionDepth; }

    // The undo journal.
    void addUndoTriggers (const juce::String& table);
    /** The messages of MIDI chunks are journaled only while they are written:
        while at least one of these scopes lives, MidiMessages has the three
        journal triggers like the journaled tables, so every added, edited or
        deleted message is undoable and a chunk deleted or put back by an undo
        takes its messages along. At rest the table has no triggers. Scopes nest. */
    class ScopedChunkMessagesJournal
    {
    public:
        ScopedChunkMessagesJournal (RaDatabase& database, bool shouldJournal = true);
        ~ScopedChunkMessagesJournal();
        ScopedChunkMessagesJournal (const ScopedChunkMessagesJournal&) = delete;
        ScopedChunkMessagesJournal& operator= (const ScopedChunkMessagesJournal&) = delete;

    private:
        RaDatabase* db = nullptr;
    };
    void clearUndoStack();
    /** Takes the newest UndoStack row and moves its redo to RedoStack. False when
        a statement failed; the journal row is then left where it was. */
    bool undoOneCommand (juce::String& desc);
    /** Takes the newest RedoStack row back to UndoStack. False when a statement
        failed; the row is then left where it was. */
    bool redoOneCommand (juce::String& desc);
    /** Undoes one whole step, or nothing of it: false (after telling the user
        once) when there is none or when any part of it failed, in which case the
        data and the journal are exactly as before. */
    bool undoStep();
    /** Redoes one whole step, or nothing of it; false as for undoStep. */
    bool redoStep();
    int getLastUndoTopRowid() const noexcept { return lastUndoTopRowid; }

    // List queries.
    std::vector<AudioFileModel> getAudioFiles (juce::String filter);
    std::vector<MidiEventModel> getMidiEvents();
    std::vector<SetModel> getSets (juce::String filter);
    juce::StringArray getThings (const juce::String& name);

    /** Direct access to the connection, for the schema upgrade. */
    CppSQLite3DB& connection() noexcept { return db; }

    /** Reads column 0 of the first row as an integer (0 for none). */
    int querySingleInt (const juce::String& sql);

    /** Runs a query and calls fn (const CppSQLite3Query&) on each row. An error
        while stepping is reported like any SQL error and ends the walk. */
    template <typename Fn>
    void forEachRow (const juce::String& sql, Fn&& fn)
    {
        try
        {
            for (auto query = execQuery (sql); query.hasStatement() && ! query.eof(); query.nextRow())
                fn (static_cast<const CppSQLite3Query&> (query));
        }
        catch (const CppSQLite3Exception& error)
        {
            reportError (error);
        }
    }

    /** Marks the open file as checked (schema current); from then on a file-level
        failure is treated as fatal. */
    void setSchemaChecked (bool isChecked) noexcept { schemaChecked = isChecked; }

    /** Called once when the open file turns out to be unusable; the program
        installs one that ends it in an orderly way. */
    void setFatalErrorHandler (std::function<void (const juce::String&)> handler);
    bool hasFailed() const noexcept { return failed.load(); }

private:
    void reportError (const CppSQLite3Exception& error);
    int newestRowid (const char* table);
    void setUpJournal (bool writable);
    void noteChanges (long long totalChangesBefore);
    void beginReplay();
    bool endReplay (bool allTaken, bool isUndo, const juce::String& stepDesc);
    void rollBackQuietly();
    juce::String describeWriteFailure (int code) const;

    juce::String transactionDesc;
    int lastUndoTopRowid = 0;
    CppSQLite3DB db;
    bool isOpen = false;
    int transactionDepth = 0;

    juce::String openPath;
    int openerRowid = 0;
    FileCheck openCheck;
    bool journalReady = false;  // the journal tables and triggers are set up for this file
    bool replaying = false;     // an undo or redo is running: its errors are collected, not shown
    bool bookkeeping = false;   // the journal's own statements are running
    bool stepFailed = false;    // a statement of the open outermost step failed
    int chunkMessageJournalScopes = 0; // live ScopedChunkMessagesJournal objects, and a running undo or redo
    void updateChunkMessagesJournal();
    int replayErrorCode = 0;
    juce::String replayErrorMessage;
    int knownUndoTop = 0;       // newest UndoStack rowid after the last look at it
    int errorCount = 0;         // errors met since start, to tell whether a statement failed
    int toldWriteFailure = 0;   // the kind of write failure the user was last told about
    juce::String saveProblem;
    bool schemaChecked = false;
    std::atomic<bool> failed { false };
    std::function<void (const juce::String&)> fatalErrorHandler;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RaDatabase)
};

/** Looks at an open connection's file (with thorough, its integrity too) and
    reads its schema version, writing and showing nothing. */
RaDatabase::FileCheck checkDatabaseFile (CppSQLite3DB& connection, bool thorough);
