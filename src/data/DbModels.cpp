#include "data/DbModels.h"

namespace
{
RaDatabase& database()
{
    return *RaDatabase::getInstance();
}

/** Runs a query and gives its first row's column 0 through the read rule; an
    empty result (an error the user was already shown) reads as neutral instead
    of raising to callers that cannot handle it. */
template <typename Read>
auto readFirstColumn (const juce::String& sql, Read read) -> decltype (read (std::declval<const CppSQLite3Query&>()))
{
    auto query = database().execQuery (sql);
    if (! query.hasStatement() || query.numFields() < 1)
        return {};
    return read (query);
}

template <typename Model>
std::vector<Model> listModels (const juce::String& sql)
{
    std::vector<Model> result;
    database().forEachRow (sql, [&] (auto& row) { result.emplace_back (row.getIntField (0)); });
    return result;
}
} // namespace

//==============================================================================
juce::String DbModel::selectFieldSql (const juce::String& field) const
{
    // "SELECT <field> FROM <table> WHERE <id column> = <id>", the shape the
    // connection recognises and serves from a prepared statement.
    juce::String sql;
    sql.preallocateBytes ((size_t) (field.getNumBytesAsUTF8() + table.getNumBytesAsUTF8()
                                    + idColumn.getNumBytesAsUTF8() + 40));
    sql << "SELECT " << field << " FROM " << table << " WHERE " << idColumn << " = " << id;
    return sql;
}

int DbModel::getIntField (const juce::String& field) const
{
    return readFirstColumn (selectFieldSql (field), [] (auto& q) { return q.getIntField (0); });
}

float DbModel::getFloatField (const juce::String& field) const
{
    return readFirstColumn (selectFieldSql (field), [] (auto& q) { return (float) q.getFloatField (0); });
}

juce::String DbModel::getStringField (const juce::String& field) const
{
    return readFirstColumn (selectFieldSql (field), [] (auto& q) { return q.getStringField (0); });
}

namespace
{
/** A write of a chunk's message is journaled like every other edit. */
RaDatabase::ScopedChunkMessagesJournal journalFor (const DbModel& model)
{
    return RaDatabase::ScopedChunkMessagesJournal (database(), model.table == "MidiMessages");
}
} // namespace

void DbModel::setIntField (const juce::String& field, int value, DbChangeType)
{
    if (getIntField (field) == value)
        return;

    const auto journal = journalFor (*this);
    database().execQuery (formatSql ("UPDATE %s SET %s=%d WHERE %s=%d", { table, field, value, idColumn, id }));
    notify();
}

void DbModel::setFloatField (const juce::String& field, float value, DbChangeType)
{
    if (std::equal_to<float>() (getFloatField (field), value))
        return;

    const auto journal = journalFor (*this);
    database().execQuery (formatSql ("UPDATE %s SET %s=%f WHERE %s=%d", { table, field, value, idColumn, id }));
    notify();
}

void DbModel::setStringField (const juce::String& field, const juce::String& value, DbChangeType)
{
    if (getStringField (field) == value)
        return;

    const auto journal = journalFor (*this);
    database().execQuery ("UPDATE " + table + " SET " + field + "='" + cleanedForDb (value) + "' WHERE " + idColumn
                          + "=" + juce::String (id));
    notify();
}

void DbModel::setFieldNull (const juce::String& field, DbChangeType)
{
    const auto journal = journalFor (*this);
    database().execQuery (formatSql ("UPDATE %s SET %s=NULL WHERE %s=%d", { table, field, idColumn, id }));
    notify();
}

void DbModel::notify()
{
    database().notifyObservers (table.toRawUTF8(), id, dbChangeAny);
}

void DbModel::takeNewId()
{
    id = database().querySingleInt ("SELECT last_insert_rowid()");
}

//==============================================================================
juce::String AudioFileModel::getDesc() const
{
    auto name = getStringField ("Name");
    if (getClickTrackID() > 0)
        name << " | CLICK";
    return name;
}

int AudioFileModel::getClickTrackID() const
{
    return database().querySingleInt (formatSql ("SELECT AudioFileID FROM AudioFiles WHERE MainAudioFileID=%d", { id }));
}

std::vector<LightShowModel> AudioFileModel::getLightShows() const
{
    return listModels<LightShowModel> (formatSql ("SELECT LightShowID FROM LightShows WHERE AudioFileID=%d", { id }));
}

juce::String AudioFileModel::getFolder() const
{
    auto path = getStringField ("Path");
    auto slash = path.lastIndexOfChar ('/');
    return slash < 0 ? juce::String() : path.substring (0, slash);
}

//==============================================================================
void LightShowModel::createLightShow (int audioFileId, juce::String name, juce::String vovirShowName,
                                      juce::String note, float tempo)
{
    cleanStringForDb (name);
    cleanStringForDb (vovirShowName);
    cleanStringForDb (note);

    database().execQuery (formatSql ("INSERT INTO LightShows(AudioFileID, Name, VovirShowName, Note, Tempo) "
                                     "VALUES(%d,'%s','%s','%s',%f)",
                                     { audioFileId, name, vovirShowName, note, tempo }));
    takeNewId();
    notify();
}

std::vector<VovirCueModel> LightShowModel::getCues() const
{
    return listModels<VovirCueModel> (
        formatSql ("SELECT VovirCueID FROM VovirCues WHERE LightShowID=%d ORDER BY CueTime,CueDuration", { id }));
}

std::vector<ShowMemoModel> LightShowModel::getMemos() const
{
    return listModels<ShowMemoModel> (
        formatSql ("SELECT ShowMemoID FROM ShowMemos WHERE LightShowID=%d ORDER BY MemoTime", { id }));
}

void LightShowModel::addMemo (juce::String shortName, juce::String memo, float memoTime, int countIn,
                              int startMidiEventId, int endMidiEventId, float memoLength)
{
    auto& db = database();
    db.startTransaction ("Add Memo");

    cleanStringForDb (memo);
    cleanStringForDb (shortName);
    db.execQuery (formatSql ("INSERT INTO ShowMemos(LightShowID,ShortName,Memo,MemoTime,MemoLength,CountIn) "
                             "VALUES(%d,'%s','%s',%f,%f,%d)",
                             { id, shortName, memo, memoTime, memoLength, countIn }));

    ShowMemoModel newMemo (db.querySingleInt ("SELECT last_insert_rowid()"));

    if (startMidiEventId == -1)
        newMemo.setFieldNull ("StartMidiEventID");
    else
        newMemo.setIntField ("StartMidiEventID", startMidiEventId);

    if (endMidiEventId == -1)
        newMemo.setFieldNull ("EndMidiEventID");
    else
        newMemo.setIntField ("EndMidiEventID", endMidiEventId);

    db.endTransaction();
}

int LightShowModel::getNumDependentSets() const
{
    return database().querySingleInt (
        formatSql ("SELECT COUNT(SetElementID) FROM SetElements WHERE LightShowID=%d", { id }));
}

LightShowModel LightShowModel::copyLightShow (const juce::String& name, const juce::String& note)
{
    auto& db = database();
    db.startTransaction ("Copy Lightshow");

    LightShowModel copy;
    copy.createLightShow (getIntField ("AudioFileID"), name, getStringField ("VovirShowName"), note,
                          getFloatField ("Tempo"));

    for (auto& cue : getCues())
    {
        VovirCueModel newCue;
        newCue.createCue (copy.id, cue.getFloatField ("CueTime"), cue.getFloatField ("CueDuration"),
                          cue.getFloatField ("FadeInTime"), cue.getFloatField ("FadeOutTime"),
                          cue.getStringField ("BankName"), cue.getStringField ("PresetName"));
    }

    for (auto& memo : getMemos())
    {
        ShowMemoModel newMemo;
        newMemo.createMemo (copy.id, memo.getFloatField ("MemoTime"), memo.getStringField ("ShortName"),
                            memo.getStringField ("Memo"), memo.getIntField ("CountIn"),
                            memo.getIntField ("StartMidiEventID"), memo.getIntField ("EndMidiEventID"),
                            memo.getFloatField ("MemoLength"));
    }

    db.endTransaction();
    return copy;
}

void LightShowModel::deleteLightShow()
{
    auto& db = database();
    db.startTransaction ("Delete Lightshow");
    db.execQuery (formatSql ("DELETE FROM VovirCues WHERE lightShowID=%d", { id }));
    db.execQuery (formatSql ("DELETE FROM ShowMemos WHERE lightShowID=%d", { id }));
    db.execQuery (formatSql ("DELETE FROM LightShows WHERE lightShowID=%d", { id }));
    db.endTransaction();
}

//==============================================================================
void VovirCueModel::createCue (int lightShowId, float cueTime, float cueDuration, float fadeIn, float fadeOut,
                               juce::String bankName, juce::String presetName)
{
    cleanStringForDb (bankName);
    cleanStringForDb (presetName);

    database().execQuery (formatSql ("INSERT INTO VovirCues(LightShowID, CueTime, CueDuration, FadeInTime, "
                                     "FadeOutTime, BankName, PresetName) VALUES(%d, %f, %f, %f, %f, '%s', '%s')",
                                     { lightShowId, cueTime, cueDuration, fadeIn, fadeOut, bankName, presetName }));
    takeNewId();
    notify();
}

void VovirCueModel::deleteCue()
{
    database().execQuery (formatSql ("DELETE FROM VovirCues WHERE VovirCueID=%d", { id }));
}

//==============================================================================
void ShowMemoModel::createMemo (int lightShowId, float memoTime, juce::String shortName, juce::String memo,
                                int countIn, int startMidiEventId, int endMidiEventId, float memoLength)
{
    cleanStringForDb (shortName);
    cleanStringForDb (memo);

    auto sql = juce::String ("INSERT INTO ShowMemos(LightShowID, MemoTime, MemoLength, ShortName, Memo, CountIn) "
                             "VALUES($1, $2, $3, '$4', '$5', $6)");
    // Placeholders are replaced in order; the texts go in last so that a "$"
    // inside a memo can never be taken for a later placeholder.
    sql = sql.replace ("$1", juce::String (lightShowId))
              .replace ("$2", juce::String (memoTime))
              .replace ("$3", juce::String (memoLength))
              .replace ("$6", juce::String (countIn));
    sql = sql.replace ("'$4', '$5'", "'" + shortName + "', '" + memo + "'");

    database().execQuery (sql);
    takeNewId();

    if (startMidiEventId >= 1)
        setIntField ("StartMidiEventID", startMidiEventId);
    else
        setFieldNull ("StartMidiEventID");

    if (endMidiEventId >= 1)
        setIntField ("EndMidiEventID", endMidiEventId);
    else
        setFieldNull ("EndMidiEventID");

    notify();
}

void ShowMemoModel::deleteMemo()
{
    database().execQuery (formatSql ("DELETE FROM ShowMemos WHERE ShowMemoID=%d", { id }));
}

//==============================================================================
void SetModel::createSet (juce::String name, juce::String folder)
{
    cleanStringForDb (name);
    cleanStringForDb (folder);
    database().execQuery (formatSql ("INSERT INTO Sets(Name, Folder) VALUES('%s','%s')", { name, folder }));
    takeNewId();
    notify();
}

std::vector<SetElementModel> SetModel::getSetElements() const
{
    return listModels<SetElementModel> (
        formatSql ("SELECT SetElementID FROM SetElements WHERE SetID=%d ORDER BY PlayOrder,SetElementID", { id }));
}

void SetModel::addSetElement (int lightShowId, int playOrder, bool autoStart, bool loop, int colour)
{
    auto& db = database();
    db.startTransaction ("Add Song To Set");

    auto elements = getSetElements();
    for (size_t j = 0; j < elements.size(); ++j)
    {
        // Compared unsigned: a negative place lies above every index.
        auto index = (int) j;
        elements[j].setIntField ("PlayOrder", (unsigned int) j < (unsigned int) playOrder ? index : index + 1);
    }

    db.execQuery (formatSql ("INSERT INTO SetElements(SetID,LightShowID,PlayOrder,AutoStart, Loop, Colour) "
                             "VALUES(%d,%d,%d,%d,%d,%d)",
                             { id, lightShowId, playOrder, autoStart ? 1 : 0, loop ? 1 : 0, colour }));
    db.execQuery ("SELECT last_insert_rowid()");

    db.endTransaction();
}

void SetModel::removeAllElements()
{
    database().execQuery (formatSql ("DELETE FROM SetElements WHERE SetID=%d", { id }));
}

void SetModel::deleteSet()
{
    removeAllElements();
    database().execQuery (formatSql ("DELETE FROM Sets WHERE SetID=%d", { id }));
}

void SetElementModel::deleteElement()
{
    database().execQuery (formatSql ("DELETE FROM SetElements WHERE SetElementID=%d", { id }));
}

//==============================================================================
bool MidiEventModel::doesEventExist (juce::String category, juce::String name)
{
    cleanStringForDb (category);
    cleanStringForDb (name);
    auto query = database().execQuery (
        formatSql ("SELECT MidiEventID FROM MidiEvents WHERE Category='%s' AND Name='%s'", { category, name }));
    return query.hasStatement() && ! query.eof();
}

void MidiEventModel::createMidiEvent (juce::String category, juce::String name)
{
    cleanStringForDb (category);
    cleanStringForDb (name);
    database().execQuery (formatSql ("INSERT INTO MidiEvents(Name, Category) VALUES('%s','%s')", { name, category }));
    takeNewId();
    notify();
}

bool MidiEventModel::getMidiEvent (int eventId)
{
    auto query = database().execQuery (formatSql ("SELECT MidiEventID FROM MidiEvents WHERE MidiEventID=%d", { eventId }));
    if (! query.hasStatement() || query.eof())
        return false;

    id = query.getIntField (0);
    return true;
}

juce::String MidiEventModel::getFullName() const
{
    return getStringField ("Category") + ": " + getStringField ("Name");
}

std::vector<MidiMessageModel> MidiEventModel::getMidiMessages() const
{
    return listModels<MidiMessageModel> (
        formatSql ("SELECT MidiMessageID FROM MidiMessages WHERE MidiEventID=%d ORDER BY CASE OutDevice WHEN '' "
                   "THEN 1 ELSE 0 END, Time,OutDevice,Channel,Message",
                   { id }));
}

void MidiEventModel::addMidiMessage (float time, juce::String outDevice, int channel, int message, int data1,
                                     int data2)
{
    cleanStringForDb (outDevice);
    const RaDatabase::ScopedChunkMessagesJournal journal (database());
    database().execQuery (formatSql ("INSERT INTO MidiMessages(MidiEventID,Time,OutDevice,Channel,Message,Data1,Data2) "
                                     "VALUES(%d,%f,'%s',%d,%d,%d,%d)",
                                     { id, time, outDevice, channel, message, data1, data2 }));
    database().execQuery ("SELECT last_insert_rowid()");
}

int MidiEventModel::getNumDependentMemos() const
{
    return database().querySingleInt (formatSql (
        "SELECT COUNT(ShowMemoID) FROM ShowMemos WHERE StartMidiEventID=%d OR EndMidiEventID=%d", { id, id }));
}

void MidiEventModel::removeAllMessages()
{
    const RaDatabase::ScopedChunkMessagesJournal journal (database());
    database().execQuery (formatSql ("DELETE FROM MidiMessages WHERE MidiEventID=%d", { id }));
}

void MidiEventModel::deleteMidiEvent()
{
    auto& db = database();
    db.startTransaction ("Delete MIDI Chunk");
    // The messages go with the chunk; undoing the deletion brings them back.
    const RaDatabase::ScopedChunkMessagesJournal journal (db);
    removeAllMessages();
    db.execQuery (formatSql ("DELETE FROM MidiEvents WHERE MidiEventID=%d", { id }));
    db.endTransaction();
}

void MidiMessageModel::deleteMessage()
{
    const RaDatabase::ScopedChunkMessagesJournal journal (database());
    database().execQuery (formatSql ("DELETE FROM MidiMessages WHERE MidiMessageID=%d", { id }));
}
