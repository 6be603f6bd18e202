#include "data/RaDatabase.h"

#include "data/DbModels.h"
#include "ui/UserDialogs.h"

#include <sqlite3.h>

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
    db.setBusyTimeout (60000);
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
} // namespace

void RaDatabase::reportError (const CppSQLite3Exception& error)
{
    if (failed.load())
        return;

    if (schemaChecked && isFileLevelFailure (error.errorCode()))
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

    showBox (juce::MessageBoxIconType::NoIcon, CppSQLite3Exception::errorCodeAsString (error.errorCode()),
             error.errorMessage());
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

    try
    {
        closeDb();
        failed = false;
        schemaChecked = false;
        openPath = file.getFullPathName();

        db.open (openPath.toRawUTF8());
        db.execQuery ("PRAGMA foreign_keys = ON;");

        // The program is the file's only user. Holding the lock for the whole
        // session spares every one-field read of the record models a lock, an
        // unlock and two journal look-ups on disk (a lightshow is read with
        // thousands of them), and keeps other programs from changing the file
        // under the undo journal.
        db.execQuery ("PRAGMA locking_mode = EXCLUSIVE;");

        if (db.tableExists ("UndoStack"))
            execDML ("DROP TABLE UndoStack");
        if (db.tableExists ("RedoStack"))
            execDML ("DROP TABLE RedoStack");

        execDML ("CREATE TABLE UndoStack (Desc varchar(50),Command varchar(1000));");
        execDML ("CREATE TABLE RedoStack (Desc varchar(50),Command varchar(1000));");

        for (auto* table : { "AudioFiles", "VovirCues", "LightShows", "MidiEvents", "SetElements", "Sets",
                             "ShowMemos" })
            addUndoTriggers (table);
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
    }

    isOpen = true;
    return true;
}

void RaDatabase::closeDb()
{
    if (isOpen)
    {
        clearUndoStack();
        execQuery ("VACUUM");
    }

    db.close();
    isOpen = false;
    schemaChecked = false;
}

CppSQLite3Query RaDatabase::execQuery (const juce::String& sql)
{
    if (failed.load())
        return {};

    try
    {
        return db.execQuery (sql.toRawUTF8());
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

    try
    {
        db.execDML (sql.toRawUTF8());
    }
    catch (const CppSQLite3Exception& error)
    {
        reportError (error);
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
    execQuery ("BEGIN TRANSACTION");
    transactionDesc = cleanedForDb (desc);

    execQuery ("INSERT INTO UndoStack(Desc,Command) VALUES('" + transactionDesc + "', '')");
    openerRowid = querySingleInt ("SELECT last_insert_rowid()");
}

void RaDatabase::endTransaction()
{
    if (transactionDepth == 0)
        return;

    if (--transactionDepth > 0)
        return;

    execQuery ("COMMIT");

    // A commit refused (a deferred constraint, a full disk) must not leave the
    // connection inside a transaction that every later step would nest into.
    if (db.inTransaction())
        execQuery ("ROLLBACK");

    // A step in which nothing changed is dropped rather than left as a bare
    // opener, which the step-wise undo would otherwise run on into the step below.
    auto newest = newestRowid ("UndoStack");
    if (newest != 0 && newest == openerRowid)
        execQuery (formatSql ("DELETE FROM UndoStack WHERE rowid = %d", { newest }));
    else if (newest > openerRowid)
        execQuery ("UPDATE UndoStack SET Desc = '" + transactionDesc
                   + "' WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");

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
             + "INSERT INTO UndoStack VALUES(NULL, 'UPDATE " + table + " " + "SET " + updateList.joinIntoString (",")
             + " WHERE rowid='||old.rowid); END;");

    execDML ("CREATE TEMP TRIGGER _" + table + "_dt BEFORE DELETE ON " + table + " BEGIN "
             + "INSERT INTO UndoStack VALUES(NULL, 'INSERT INTO " + table + "(rowid," + columns.joinIntoString (",")
             + ") VALUES('||old.rowid||','" + valueList.joinIntoString ("','") + "')'); END;");
}

void RaDatabase::clearUndoStack()
{
    if (! isOpen)
        return;

    execDML ("DELETE FROM UndoStack");
    execDML ("DELETE FROM RedoStack");
}

void RaDatabase::undoOneCommand (juce::String& desc)
{
    juce::String cmd;
    {
        auto query = execQuery ("SELECT Desc,Command FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
        desc = query.hasStatement() ? query.getStringField (0) : juce::String();
        cmd = query.hasStatement() ? query.getStringField (1) : juce::String();
    }

    if (cmd.isNotEmpty())
    {
        execQuery (cmd);
        {
            auto query = execQuery ("SELECT Command FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
            cmd = query.hasStatement() ? query.getStringField (0) : juce::String();
        }
        cleanStringForDb (cmd);
        execQuery ("DELETE FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
    }

    execQuery ("INSERT INTO RedoStack(Desc,Command) VALUES('" + cleanedForDb (desc) + "','" + cmd + "')");
    execQuery ("DELETE FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
    lastUndoTopRowid = newestRowid ("UndoStack");
}

void RaDatabase::redoOneCommand (juce::String& desc)
{
    juce::String cmd;
    {
        auto query = execQuery ("SELECT Desc,Command FROM RedoStack WHERE rowid = (SELECT MAX(rowid) FROM RedoStack)");
        desc = query.hasStatement() ? query.getStringField (0) : juce::String();
        cmd = query.hasStatement() ? query.getStringField (1) : juce::String();
    }

    if (desc.isNotEmpty() && cmd.isEmpty())
        execQuery ("INSERT INTO UndoStack(Desc,Command) VALUES('" + cleanedForDb (desc) + "', '')");

    if (cmd.isNotEmpty())
    {
        execQuery (cmd);
        if (desc.isNotEmpty())
            execQuery ("UPDATE UndoStack SET Desc = '" + cleanedForDb (desc)
                       + "' WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)");
    }

    execQuery ("DELETE FROM RedoStack WHERE rowid = (SELECT MAX(rowid) FROM RedoStack)");
    lastUndoTopRowid = newestRowid ("UndoStack");
}

namespace
{
/** Ends the SQLite transaction of a whole undo or redo, rolling back when the
    commit is refused so that the database is never left half undone. */
void commitOrRollBack (RaDatabase& database)
{
    database.execQuery ("COMMIT");
    if (database.connection().inTransaction())
        database.execQuery ("ROLLBACK");
}
} // namespace

bool RaDatabase::undoStep()
{
    if (querySingleInt ("SELECT COUNT(*) FROM UndoStack") == 0)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing to undo!", {}, "OK", dialogOwner());
        return false;
    }

    userDialogs().showWaitCursor (true);
    execQuery ("BEGIN TRANSACTION");

    juce::String d;
    undoOneCommand (d);

    if (d.isNotEmpty())
    {
        auto first = d;
        for (;;)
        {
            auto topBefore = newestRowid ("UndoStack");
            undoOneCommand (d);

            if (querySingleInt ("SELECT COUNT(*) FROM UndoStack") == 0 || d == first)
                break;
            if (newestRowid ("UndoStack") == topBefore) // nothing was taken: stop rather than spin
                break;
        }
    }

    commitOrRollBack (*this);
    userDialogs().showWaitCursor (false);
    return true;
}

bool RaDatabase::redoStep()
{
    if (newestRowid ("UndoStack") != lastUndoTopRowid)
        execQuery ("DELETE FROM RedoStack");

    if (querySingleInt ("SELECT COUNT(*) FROM RedoStack") == 0)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing to redo!", {}, "OK", dialogOwner());
        return false;
    }

    userDialogs().showWaitCursor (true);
    execQuery ("BEGIN TRANSACTION");

    juce::String d;
    redoOneCommand (d);

    if (d.isNotEmpty())
    {
        auto first = d;
        for (;;)
        {
            auto countBefore = querySingleInt ("SELECT COUNT(*) FROM RedoStack");
            redoOneCommand (d);

            auto countAfter = querySingleInt ("SELECT COUNT(*) FROM RedoStack");
            if (countAfter == 0 || d == first || countAfter == countBefore)
                break;
        }
    }

    commitOrRollBack (*this);
    userDialogs().showWaitCursor (false);
    return true;
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
