#include "data/RaDatabase.h"

#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "ui/UserDialogs.h"

#include <sqlite3.h>
#include <unistd.h>

//==============================================================================
void DbObservable::addObserver (DbObserver* observer)
{
    observers.push_back (observer);
}

void DbObservable::removeObserver (DbObserver* observer)
{
    auto found = std::find (observers.begin(), observers.end(), observer);
    if (found != observers.end())
        observers.erase (found);
}

void DbObservable::notifyObservers (const char* table, int id, DbChangeType)
{
    if (notificationsHeld)
    {
        notificationPending = true;
        juce::CharPointer_UTF8 (pendingTable).writeWithDestByteLimit (juce::CharPointer_UTF8 (table),
                                                                       sizeof (pendingTable));
        pendingId = id;
        pendingType = dbChangeAny;
        return;
    }

    // A copy, so that an observer may unregister itself while being told.
    auto current = observers;
    for (auto* observer : current)
        observer->dbChanged (table, id, dbChangeAny);

    notificationPending = false;
}

void DbObservable::holdNotifications()
{
    notificationsHeld = true;
}

void DbObservable::releaseNotifications()
{
    notificationsHeld = false;

    if (notificationPending)
    {
        notificationPending = false;
        auto current = observers;
        for (auto* observer : current)
            observer->dbChanged (pendingTable, pendingId, pendingType);
    }
}

//==============================================================================
JUCE_IMPLEMENT_SINGLETON (RaDatabase)

RaDatabase::RaDatabase()
{
    // Another program holding the file is waited for a few seconds at most, then
    // reported; a minute per statement would freeze the window.
    db.setBusyTimeout (3000);
}

RaDatabase::~RaDatabase()
{
    // Closes the connection without running any further statement.
    db.close();
    clearSingletonInstance();
}

namespace
{
bool isFileLevelFailure (int code)
{
    switch (code & 0xff)
    {
        case SQLITE_IOERR:
        case SQLITE_CORRUPT:
        case SQLITE_CANTOPEN:
        case SQLITE_NOTADB:
            return true;
        default:
            return false;
    }
}

void showBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    if (juce::MessageManager::getInstanceWithoutCreating() == nullptr
        || juce::MessageManager::getInstance()->isThisTheMessageThread())
    {
        userDialogs().showMessageBox (icon, title, text, {}, nullptr);
        return;
    }

    // Boxes are only shown on the message thread; a worker's error waits for it.
    juce::MessageManager::callAsync ([icon, title, text]
                                     { userDialogs().showMessageBox (icon, title, text, {}, nullptr); });
}

bool canWrite (const juce::File& file)
{
    // access() also answers for a read-only mount, where even root cannot write.
    return ::access (file.getFullPathName().toRawUTF8(), W_OK) == 0
           && ::access (file.getParentDirectory().getFullPathName().toRawUTF8(), W_OK) == 0;
}

constexpr const char* journalTables[] = { "AudioFiles", "VovirCues", "LightShows", "MidiEvents",
                                          "SetElements", "Sets", "ShowMemos" };
} // namespace

juce::String RaDatabase::describeWriteFailure (int code) const
{
    switch (code & 0xff)
    {
        case SQLITE_FULL: return "The library cannot be saved: the disk is full";
        case SQLITE_READONLY: return "The library cannot be saved: the data folder is read-only";
        case SQLITE_PERM: return "The library cannot be saved: the data folder may not be written to";
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return "The library cannot be saved: it is in use by another program";
        default: return {};
    }
}

void RaDatabase::reportError (const CppSQLite3Exception& error)
{
    if (failed.load())
        return;

    ++errorCount;
    auto code = error.errorCode();

    if (schemaChecked && isFileLevelFailure (code))
    {
        if (! failed.exchange (true))
        {
            showBox (juce::MessageBoxIconType::WarningIcon, "Database error",
                     "The Raziviz Avodoru database file can no longer be read:\n" + openPath + "\n\n"
                         + error.errorMessage()
                         + "\n\nRaziviz Avodoru will close now. Please check the disk, then restart; "
                           "restore from a backup if the problem remains.");

            if (fatalErrorHandler != nullptr)
                fatalErrorHandler (error.errorMessage());
        }
        return;
    }

    // An undo or redo reports its first failure itself, once, after rolling back.
    if (replaying)
    {
        if (replayErrorCode == 0)
        {
            replayErrorCode = code;
            replayErrorMessage = error.errorMessage();
        }
        return;
    }

    if (transactionDepth > 0)
    {
        // The step will be rolled back whole when it ends. SQLite may already
        // have rolled it back (a full disk does); the rest of the step is then
        // kept in a transaction of its own so that none of it lands half-done.
        if (! db.inTransaction())
        {
            try
            {
                db.execDML ("BEGIN TRANSACTION");
            }
            catch (const CppSQLite3Exception&)
            {
            }
        }

        if (stepFailed)
            return; // the user has been told about this step
        stepFailed = true;
    }

    auto problem = describeWriteFailure (code);
    if (problem.isNotEmpty())
    {
        // One plain message per kind of failure; it is told again only after a
        // write has worked in between.
        if (toldWriteFailure == (code & 0xff))
            return;
        toldWriteFailure = code & 0xff;

        showBox (juce::MessageBoxIconType::WarningIcon, "Library not saved",
                 problem + ".\n\nYour last change was not kept. The library shows what is saved.\n\n"
                     + juce::File (openPath).getParentDirectory().getFullPathName());
        return;
    }

    showBox (juce::MessageBoxIconType::NoIcon, CppSQLite3Exception::errorCodeAsString (code), error.errorMessage());
}

void RaDatabase::setFatalErrorHandler (std::function<void (const juce::String&)> handler)
{
    fatalErrorHandler = std::move (handler);
}

//==============================================================================
bool RaDatabase::openDb (const juce::String& path)
{
    if (path.isEmpty())
        return false;

    auto file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    if (! file.existsAsFile())
        return false;

    closeDb();
    failed = false;
    schemaChecked = false;
    journalReady = false;
    stepFailed = false;
    toldWriteFailure = 0;
    saveProblem = {};
    openCheck = {};
    openPath = file.getFullPathName();

    const bool writable = canWrite (file);

    try
    {
        db.open (openPath.toRawUTF8(), ! writable);
        db.execQuery ("PRAGMA foreign_keys = ON;");

        // The program is the file's only user. Holding the lock for the whole
        // session spares every one-field read of the record models a lock, an
        // unlock and two journal look-ups on disk (a lightshow is read with
        // thousands of them), and keeps other programs from changing the file
        // under the undo journal.
        db.execQuery ("PRAGMA locking_mode = EXCLUSIVE;");
    }
    catch (const CppSQLite3Exception& error)
    {
        openCheck.kind = FileCheck::Kind::invalid;
        openCheck.detail = error.errorMessage();
        isOpen = true;
        return true;
    }

    isOpen = true;

    // Nothing is written into a file before it has shown that it is one of ours:
    // a damaged, foreign or newer file stays byte for byte as it was.
    openCheck = checkFile (true);
    if (openCheck.kind != FileCheck::Kind::usable)
        return true;

    setUpJournal (writable && ! db.isReadOnly());
    return true;
}

void RaDatabase::setUpJournal (bool writable)
{
    auto create = [this] (bool inMemory)
    {
        if (! inMemory)
        {
            if (db.tableExists ("UndoStack"))
                db.execDML ("DROP TABLE UndoStack");
            if (db.tableExists ("RedoStack"))
                db.execDML ("DROP TABLE RedoStack");
        }

        juce::String keyword (inMemory ? "CREATE TEMP TABLE " : "CREATE TABLE ");
        db.execDML ((keyword + "UndoStack (Desc varchar(50),Command varchar(1000));").toRawUTF8());
        db.execDML ((keyword + "RedoStack (Desc varchar(50),Command varchar(1000));").toRawUTF8());
    };

    try
    {
        if (! writable)
        {
            saveProblem = describeWriteFailure (SQLITE_READONLY);
            toldWriteFailure = SQLITE_READONLY;
            create (true);
        }
        else
        {
            try
            {
                create (false);
            }
            catch (const CppSQLite3Exception& error)
            {
                // The file cannot take the journal (a full disk): the journal is
                // kept in memory, and the user is told that edits cannot be saved.
                saveProblem = describeWriteFailure (error.errorCode());
                if (saveProblem.isEmpty())
                    throw;
                toldWriteFailure = error.errorCode() & 0xff;
                create (true);
            }
        }
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
    }

    for (auto* table : journalTables)
        addUndoTriggers (table);

    journalReady = true;
    knownUndoTop = 0;
}

RaDatabase::FileCheck RaDatabase::checkFile (bool thorough)
{
    return checkDatabaseFile (db, thorough);
}

RaDatabase::FileCheck checkDatabaseFile (CppSQLite3DB& connection, bool thorough)
{
    using FileCheck = RaDatabase::FileCheck;
    FileCheck check;
    try
    {
        if (thorough)
        {
            auto integrity = connection.execQuery ("PRAGMA quick_check(1)");
            auto verdict = integrity.eof() ? juce::String() : integrity.getStringField (0);
            if (verdict != "ok")
            {
                check.kind = FileCheck::Kind::invalid;
                check.detail = verdict;
                return check;
            }
        }

        juce::StringArray things;
        for (auto query = connection.execQuery ("SELECT ThingID,Value FROM Things WHERE Name='SchemaVersion'");
             ! query.eof(); query.nextRow())
            things.add (query.getStringField (0) + "|" + query.getStringField (1));
        check.version = parseSchemaVersion (things);
    }
    catch (const CppSQLite3Exception& error)
    {
        auto code = error.errorCode() & 0xff;
        check.kind = code == SQLITE_BUSY || code == SQLITE_LOCKED ? FileCheck::Kind::locked : FileCheck::Kind::invalid;
        check.detail = error.errorMessage();
        return check;
    }

    if (check.version < 1)
    {
        check.kind = FileCheck::Kind::invalid;
        check.detail = "no schema version";
    }
    else if (check.version > currentSchemaVersion)
    {
        check.kind = FileCheck::Kind::newer;
    }
    return check;
}

void RaDatabase::closeDb()
{
    if (isOpen && journalReady && ! failed.load() && ! db.isReadOnly() && saveProblem.isEmpty())
    {
        try
        {
            db.execDML ("DELETE FROM UndoStack");
            db.execDML ("DELETE FROM RedoStack");
            db.execQuery ("VACUUM");
        }
        catch (const CppSQLite3Exception&)
        {
            // Compacting is a nicety; a file that cannot take it keeps its data.
        }
    }

    db.close();
    isOpen = false;
    schemaChecked = false;
    journalReady = false;
}

void RaDatabase::closeWithoutWriting()
{
    journalReady = false;
    closeDb();
}

CppSQLite3Query RaDatabase::execQuery (const juce::String& sql)
{
    if (failed.load())
        return {};

    auto changesBefore = db.totalChanges();
    try
    {
        auto result = db.execQuery (sql.toRawUTF8());
        noteChanges (changesBefore);
        return result;
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
    }
    return {};
}

void RaDatabase::execDML (const juce::String& sql)
{
    if (failed.load())
        return;

    auto changesBefore = db.totalChanges();
    try
    {
        db.execDML (sql.toRawUTF8());
        noteChanges (changesBefore);
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
    }
}

void RaDatabase::noteChanges (long long totalChangesBefore)
{
    if (! journalReady || replaying || bookkeeping || db.totalChanges() == totalChangesBefore)
        return;

    // A write worked: a later failure of the same kind is worth telling again.
    if (transactionDepth == 0)
        toldWriteFailure = 0;

    // A new edit was recorded: the redo history no longer applies. This is
    // decided as the edit happens rather than later by comparing rowids, which
    // the new edit's rows may have taken over from the undone ones.
    const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
    auto newest = newestRowid ("UndoStack");
    if (newest != knownUndoTop)
    {
        knownUndoTop = newest;
        try
        {
            db.execDML ("DELETE FROM RedoStack");
        }
        catch (const CppSQLite3Exception& error)
        {
            reportError (error);
        }
    }
}

int RaDatabase::querySingleInt (const juce::String& sql)
{
    auto query = execQuery (sql);
    if (! query.hasStatement() || query.eof() || query.numFields() < 1)
        return 0;
    return query.getIntField (0);
}

int RaDatabase::newestRowid (const char* table)
{
    return querySingleInt (juce::String ("SELECT rowid FROM ") + table + " WHERE rowid = (SELECT MAX(rowid) FROM "
                           + table + ")");
}

//==============================================================================
void RaDatabase::startTransaction (const juce::String& desc)
{
    if (transactionDepth++ > 0)
        return;

    jassert (! desc.containsChar ('\''));

    holdNotifications();
    stepFailed = false;
    execQuery ("BEGIN TRANSACTION");
    transactionDesc = cleanedForDb (desc);

    const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
    execQuery ("INSERT INTO UndoStack(Desc,Command) VALUES('" + transactionDesc + "', '')");
    openerRowid = querySingleInt ("SELECT last_insert_rowid()");
    knownUndoTop = openerRowid;
}

void RaDatabase::rollBackQuietly()
{
    if (! db.inTransaction())
        return;

    try
    {
        db.execDML ("ROLLBACK");
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
    }
}

void RaDatabase::endTransaction()
{
    if (transactionDepth == 0)
        return;

    if (--transactionDepth > 0)
        return;

    bool committed = false;
    if (! stepFailed)
    {
        const auto errorsBefore = errorCount;
        execQuery ("COMMIT");
        committed = errorCount == errorsBefore && ! db.inTransaction();
    }

    // A step that failed anywhere, or whose commit was refused (a deferred
    // constraint, a full disk), is rolled back whole: nothing of it is kept, and
    // the connection never stays inside a transaction every later step would
    // nest into. The user has been told once.
    if (! committed)
        rollBackQuietly();

    {
        const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
        auto newest = newestRowid ("UndoStack");

        // A step in which nothing changed is dropped rather than left as a bare
        // opener, which the step-wise undo would otherwise run on into the step below.
        if (committed && newest != 0 && newest == openerRowid)
            execQuery (formatSql ("DELETE FROM UndoStack WHERE rowid = %d", { newest }));
        else if (committed && newest > openerRowid)
            execQuery ("UPDATE UndoStack SET Desc = '" + transactionDesc
                       + "' WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");

        knownUndoTop = newestRowid ("UndoStack");
    }

    if (committed)
        toldWriteFailure = 0;

    stepFailed = false;
    transactionDesc = {};
    openerRowid = 0;
    releaseNotifications();
}

//==============================================================================
void RaDatabase::addUndoTriggers (const juce::String& table)
{
    juce::StringArray columns;
    forEachRow ("PRAGMA table_info('" + table + "')", [&] (auto& row) { columns.add (row.getStringField (1)); });

    // An older file may not have the table yet (the upgrade adds it and opens
    // the file again); there is nothing to journal then, and nothing to report.
    if (columns.isEmpty())
        return;

    juce::StringArray updateList, valueList;
    for (auto& c : columns)
    {
        updateList.add (c + "='||quote(old." + c + ")||'");
        valueList.add ("||quote(old." + c + ")||");
    }

    execDML ("CREATE TEMP TRIGGER _" + table + "_it AFTER INSERT ON " + table + " BEGIN "
             + "INSERT INTO UndoStack VALUES(NULL, 'DELETE FROM " + table + " WHERE rowid='||new.rowid); "
             + "END;");

    execDML ("CREATE TEMP TRIGGER _" + table + "_ut AFTER UPDATE ON " + table + " BEGIN "
             + "INSERT INTO UndoStack VALUES(NULL, 'UPDATE " + table + " " + "SET "
             + updateList.joinIntoString (",") + " WHERE rowid='||old.rowid); END;");

    execDML ("CREATE TEMP TRIGGER _" + table + "_dt BEFORE DELETE ON " + table + " BEGIN "
             + "INSERT INTO UndoStack VALUES(NULL, 'INSERT INTO " + table + "(rowid," + columns.joinIntoString (",")
             + ") VALUES('||old.rowid||','" + valueList.joinIntoString ("','") + "')'); END;");
}

RaDatabase::ScopedChunkMessagesJournal::ScopedChunkMessagesJournal (RaDatabase& database, bool shouldJournal)
{
    if (! shouldJournal)
        return;

    db = &database;
    ++db->chunkMessageJournalScopes;
    db->updateChunkMessagesJournal();
}

RaDatabase::ScopedChunkMessagesJournal::~ScopedChunkMessagesJournal()
{
    if (db == nullptr)
        return;

    --db->chunkMessageJournalScopes;
    db->updateChunkMessagesJournal();
}

void RaDatabase::updateChunkMessagesJournal()
{
    // The triggers are made when a scope needs them on an open file whose
    // journal is ready, and dropped when the last scope ends. Whether they are
    // there is read from the file: a rolled-back transaction takes triggers
    // made inside it away again.
    if (! isOpen)
        return;

    const bool shouldJournal = chunkMessageJournalScopes > 0 && journalReady;
    const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);

    const bool journaled = querySingleInt ("SELECT COUNT(*) FROM sqlite_temp_master "
                                           "WHERE type='trigger' AND name='_MidiMessages_ut'") > 0;
    if (shouldJournal == journaled)
        return;

    if (shouldJournal)
    {
        addUndoTriggers ("MidiMessages");
    }
    else
    {
        execDML ("DROP TRIGGER IF EXISTS temp._MidiMessages_it");
        execDML ("DROP TRIGGER IF EXISTS temp._MidiMessages_ut");
        execDML ("DROP TRIGGER IF EXISTS temp._MidiMessages_dt");
    }
}

void RaDatabase::clearUndoStack()
{
    if (! isOpen)
        return;

    const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
    execDML ("DELETE FROM UndoStack");
    execDML ("DELETE FROM RedoStack");
    knownUndoTop = 0;
}

bool RaDatabase::undoOneCommand (juce::String& desc)
{
    const auto errorsBefore = errorCount;
    juce::String cmd;
    {
        auto query = execQuery ("SELECT Desc,Command FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
        desc = query.hasStatement() ? query.getStringField (0) : juce::String();
        cmd = query.hasStatement() ? query.getStringField (1) : juce::String();
    }
    if (errorCount != errorsBefore)
        return false;

    bool pushed = false;
    if (cmd.isNotEmpty())
    {
        const auto rowBefore = newestRowid ("UndoStack");
        execQuery (cmd);

        // A reversal that failed leaves its row where it was: the caller rolls
        // the whole step back instead of taking the wrong rows off the journal.
        if (errorCount != errorsBefore)
            return false;

        const auto appended = querySingleInt (formatSql ("SELECT COUNT(*) FROM UndoStack WHERE rowid > %d", { rowBefore }));
        if (appended == 1)
        {
            {
                auto query = execQuery ("SELECT Command FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
                cmd = query.hasStatement() ? query.getStringField (0) : juce::String();
            }
            cleanStringForDb (cmd);
            execQuery ("DELETE FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
        }
        else if (appended > 1)
        {
            // The reversal changed more than one row (a deletion that cascaded):
            // all the rows it appended are its redo. They go to RedoStack oldest
            // first, so that redo runs them newest first; the oldest carries the
            // description, which redo then sets on the step's newest row last.
            juce::StringArray redoRows;
            forEachRow (formatSql ("SELECT Command FROM UndoStack WHERE rowid > %d ORDER BY rowid", { rowBefore }),
                        [&] (auto& row) { redoRows.add (row.getStringField (0)); });
            execQuery (formatSql ("DELETE FROM UndoStack WHERE rowid > %d", { rowBefore }));

            for (int i = 0; i < redoRows.size(); ++i)
                execQuery ("INSERT INTO RedoStack(Desc,Command) VALUES('" + (i == 0 ? cleanedForDb (desc) : juce::String())
                           + "','" + cleanedForDb (redoRows[i]) + "')");
            pushed = true;
        }
        else
        {
            // The reversal changed no row, so there is nothing to redo for it; a
            // step closer keeps a statement that changes nothing, so that its redo
            // still names the step.
            cmd = desc.isEmpty() ? juce::String() : juce::String ("SELECT 1");
        }
    }

    if (! pushed)
        execQuery ("INSERT INTO RedoStack(Desc,Command) VALUES('" + cleanedForDb (desc) + "','" + cmd + "')");
    execQuery ("DELETE FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
    lastUndoTopRowid = newestRowid ("UndoStack");
    return errorCount == errorsBefore;
}

bool RaDatabase::redoOneCommand (juce::String& desc)
{
    const auto errorsBefore = errorCount;
    juce::String cmd;
    {
        auto query = execQuery ("SELECT Desc,Command FROM RedoStack WHERE rowid = (SELECT MAX(rowid) FROM RedoStack)");
        desc = query.hasStatement() ? query.getStringField (0) : juce::String();
        cmd = query.hasStatement() ? query.getStringField (1) : juce::String();
    }
    if (errorCount != errorsBefore)
        return false;

    if (desc.isNotEmpty() && cmd.isEmpty())
        execQuery ("INSERT INTO UndoStack(Desc,Command) VALUES('" + cleanedForDb (desc) + "', '')");

    if (cmd.isNotEmpty())
    {
        execQuery (cmd);
        if (errorCount != errorsBefore)
            return false;

        if (desc.isNotEmpty())
            execQuery ("UPDATE UndoStack SET Desc = '" + cleanedForDb (desc)
                       + "' WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
    }

    execQuery ("DELETE FROM RedoStack WHERE rowid = (SELECT MAX(rowid) FROM RedoStack)");
    lastUndoTopRowid = newestRowid ("UndoStack");
    return errorCount == errorsBefore;
}

void RaDatabase::beginReplay()
{
    replaying = true;
    replayErrorCode = 0;
    replayErrorMessage = {};
    execQuery ("BEGIN TRANSACTION");

    // A deletion is undone newest row first, children before their parents; files
    // made by older versions check their references at once, so the checks wait
    // for the commit of the whole step (the stored schema is left as it is).
    execQuery ("PRAGMA defer_foreign_keys = ON");

    // A chunk that an undo or redo deletes or puts back takes its messages along,
    // and an edited message gets its old values back.
    ++chunkMessageJournalScopes;
    updateChunkMessagesJournal();
}

bool RaDatabase::endReplay (bool allTaken, bool isUndo, const juce::String& stepDesc)
{
    if (allTaken && replayErrorCode == 0)
        execQuery ("COMMIT");

    const bool ok = allTaken && replayErrorCode == 0 && ! db.inTransaction();
    if (! ok)
        rollBackQuietly();

    replaying = false;
    --chunkMessageJournalScopes;
    updateChunkMessagesJournal();
    {
        const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
        knownUndoTop = newestRowid ("UndoStack");
    }

    if (! ok && ! failed.load())
    {
        auto what = isUndo ? juce::String ("undone") : juce::String ("redone");
        auto step = stepDesc.isNotEmpty() ? "\"" + stepDesc + "\"" : juce::String ("The last change");
        auto problem = describeWriteFailure (replayErrorCode);
        showBox (juce::MessageBoxIconType::WarningIcon, isUndo ? "Undo failed" : "Redo failed",
                 (problem.isNotEmpty() ? problem + ".\n\n" : juce::String())
                     + (stepDesc.isNotEmpty() ? "The step " + step : step) + " could not be " + what
                     + ", so nothing of it was changed."
                     + (replayErrorMessage.isNotEmpty() ? "\n\n" + replayErrorMessage : juce::String()));
    }
    return ok;
}

bool RaDatabase::undoStep()
{
    if (querySingleInt ("SELECT COUNT(*) FROM UndoStack") == 0)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing to undo!", {}, "OK", dialogOwner());
        return false;
    }

    const auto savedTop = lastUndoTopRowid;
    userDialogs().showWaitCursor (true);
    beginReplay();

    juce::String d;
    bool ok = undoOneCommand (d);
    auto stepDesc = d;

    if (ok && d.isNotEmpty())
    {
        auto first = d;
        for (;;)
        {
            auto topBefore = newestRowid ("UndoStack");
            ok = undoOneCommand (d);

            if (! ok || querySingleInt ("SELECT COUNT(*) FROM UndoStack") == 0 || d == first)
                break;
            if (newestRowid ("UndoStack") == topBefore) // nothing was taken: stop rather than spin
                break;
        }
    }

    ok = endReplay (ok, true, stepDesc);
    if (! ok)
        lastUndoTopRowid = savedTop;
    userDialogs().showWaitCursor (false);
    return ok;
}

bool RaDatabase::redoStep()
{
    if (newestRowid ("UndoStack") != lastUndoTopRowid)
    {
        const juce::ScopedValueSetter<bool> ownStatements (bookkeeping, true);
        execQuery ("DELETE FROM RedoStack");
    }

    if (querySingleInt ("SELECT COUNT(*) FROM RedoStack") == 0)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing to redo!", {}, "OK", dialogOwner());
        return false;
    }

    const auto savedTop = lastUndoTopRowid;
    userDialogs().showWaitCursor (true);
    beginReplay();

    juce::String d;
    bool ok = redoOneCommand (d);
    auto stepDesc = d;

    if (ok && d.isNotEmpty())
    {
        auto first = d;
        for (;;)
        {
            auto countBefore = querySingleInt ("SELECT COUNT(*) FROM RedoStack");
            ok = redoOneCommand (d);

            auto countAfter = querySingleInt ("SELECT COUNT(*) FROM RedoStack");
            if (! ok || countAfter == 0 || d == first || countAfter == countBefore)
                break;
        }
    }

    ok = endReplay (ok, false, stepDesc);
    if (! ok)
        lastUndoTopRowid = savedTop;
    userDialogs().showWaitCursor (false);
    return ok;
}

//==============================================================================
std::vector<AudioFileModel> RaDatabase::getAudioFiles (juce::String filter)
{
    std::vector<AudioFileModel> result;
    if (! isOpen)
        return result;

    cleanStringForDb (filter);
    forEachRow ("SELECT AudioFileID FROM AudioFiles WHERE Name LIKE '%" + filter + "%' ORDER BY Name",
                [&] (auto& row) { result.emplace_back (row.getIntField (0)); });
    return result;
}

std::vector<SetModel> RaDatabase::getSets (juce::String filter)
{
    std::vector<SetModel> result;
    if (! isOpen)
        return result;

    cleanStringForDb (filter);
    forEachRow ("SELECT SetID FROM Sets WHERE Name LIKE '%" + filter + "%' ORDER BY Name",
                [&] (auto& row) { result.emplace_back (row.getIntField (0)); });
    return result;
}

std::vector<MidiEventModel> RaDatabase::getMidiEvents()
{
    std::vector<MidiEventModel> result;
    if (! isOpen)
        return result;

    forEachRow ("SELECT MidiEventID FROM MidiEvents ORDER BY Category,Name",
                [&] (auto& row) { result.emplace_back (row.getIntField (0)); });
    return result;
}

juce::StringArray RaDatabase::getThings (const juce::String& name)
{
    juce::StringArray result;
    if (! isOpen)
        return result;

    forEachRow (formatSql ("SELECT ThingID,Value FROM Things WHERE Name='%s'", { cleanedForDb (name) }),
                [&] (auto& row) { result.add (row.getStringField (0) + "|" + row.getStringField (1)); });
    return result;
}
