#pragma once

#include "data/RaDatabase.h"

#include <vector>

/** One row of one table, read and written column by column. Holds no column
    values: every read is a fresh SELECT, every write compares and updates, so a
    model is always current. Cheap to copy. */
class DbModel
{
public:
    DbModel (const juce::String& tableName, const juce::String& idColumnName, int rowId)
        : id (rowId), table (tableName), idColumn (idColumnName)
    {
    }
    virtual ~DbModel() = default;

    DbModel (const DbModel&) = default;
    DbModel& operator= (const DbModel&) = default;

    /** Column reads; NULL, a vanished row or an unreadable database read as 0,
        0.0 or the empty text. */
    int getIntField (const juce::String& field) const;
    float getFloatField (const juce::String& field) const;
    juce::String getStringField (const juce::String& field) const;

    /** Column writes: nothing happens when the stored value already equals the
        new one; otherwise the row is updated and observers are told. */
    void setIntField (const juce::String& field, int value, DbChangeType type = dbChangeAny);
    void setFloatField (const juce::String& field, float value, DbChangeType type = dbChangeAny);
    void setStringField (const juce::String& field, const juce::String& value, DbChangeType type = dbChangeAny);
    /** Always writes NULL and notifies. */
    void setFieldNull (const juce::String& field, DbChangeType type = dbChangeAny);

    int id;
    juce::String table;
    juce::String idColumn;

protected:
    juce::String selectFieldSql (const juce::String& field) const;
    void notify();
    /** Takes the id of the row just inserted. */
    void takeNewId();
};

class LightShowModel;
class VovirCueModel;
class ShowMemoModel;
class SetElementModel;
class MidiMessageModel;

//==============================================================================
class AudioFileModel final : public DbModel
{
public:
    explicit AudioFileModel (int rowId = 0) : DbModel ("AudioFiles", "AudioFileID", rowId) {}

    /** The name, with " | CLICK" when the track has a click track. */
    juce::String getDesc() const;
    /** The id of this track's click track, 0 when it has none. */
    int getClickTrackID() const;
    std::vector<LightShowModel> getLightShows() const;
    /** The Path up to its last "/". */
    juce::String getFolder() const;

    // Files in the media folder.
    static bool copyFileToMediaFolder (juce::String path);
    void addNewFromPath (juce::String path);
    /** The row and default lightshow of a file already copied into the media folder. */
    void addRowForMediaCopy (juce::String path);
    juce::String getFullPath() const;
    bool fileExists() const;
    bool checkFileExists();
    float calcLengthSecs();
    void deleteAudioFile();
    void deleteClickTrack();
};

class LightShowModel final : public DbModel
{
public:
    explicit LightShowModel (int rowId = 0) : DbModel ("LightShows", "LightShowID", rowId) {}

    void createLightShow (int audioFileId, juce::String name, juce::String vovirShowName, juce::String note,
                          float tempo);
    std::vector<VovirCueModel> getCues() const;
    std::vector<ShowMemoModel> getMemos() const;
    void addMemo (juce::String shortName, juce::String memo, float memoTime, int countIn, int startMidiEventId,
                  int endMidiEventId, float memoLength);
    /** The number of show entries that play this lightshow. */
    int getNumDependentSets() const;
    LightShowModel copyLightShow (const juce::String& name, const juce::String& note);
    void deleteLightShow();
};

class VovirCueModel final : public DbModel
{
public:
    explicit VovirCueModel (int rowId = 0) : DbModel ("VovirCues", "VovirCueID", rowId) {}

    void createCue (int lightShowId, float cueTime, float cueDuration, float fadeIn, float fadeOut,
                    juce::String bankName, juce::String presetName);
    void deleteCue();
};

class ShowMemoModel final : public DbModel
{
public:
    explicit ShowMemoModel (int rowId = 0) : DbModel ("ShowMemos", "ShowMemoID", rowId) {}

    void createMemo (int lightShowId, float memoTime, juce::String shortName, juce::String memo, int countIn,
                     int startMidiEventId, int endMidiEventId, float memoLength);
    void deleteMemo();
};

class SetModel final : public DbModel
{
public:
    explicit SetModel (int rowId = 0) : DbModel ("Sets", "SetID", rowId) {}

    void createSet (juce::String name, juce::String folder);
    std::vector<SetElementModel> getSetElements() const;
    void addSetElement (int lightShowId, int playOrder, bool autoStart, bool loop, int colour);
    void removeAllElements();
    void deleteSet();
};

class SetElementModel final : public DbModel
{
public:
    explicit SetElementModel (int rowId = 0) : DbModel ("SetElements", "SetElementID", rowId) {}

    void deleteElement();
};

class MidiEventModel final : public DbModel
{
public:
    explicit MidiEventModel (int rowId = 0) : DbModel ("MidiEvents", "MidiEventID", rowId) {}

    static bool doesEventExist (juce::String category, juce::String name);
    void createMidiEvent (juce::String category, juce::String name);
    /** Takes the id when such a chunk exists. */
    bool getMidiEvent (int eventId);
    /** "Category: Name". */
    juce::String getFullName() const;
    std::vector<MidiMessageModel> getMidiMessages() const;
    void addMidiMessage (float time, juce::String outDevice, int channel, int message, int data1, int data2);
    int getNumDependentMemos() const;
    void removeAllMessages();
    void deleteMidiEvent();
    /** Sends the chunk's messages to their MIDI outputs, one timed block per device. */
    void transmit();
};

class MidiMessageModel final : public DbModel
{
public:
    explicit MidiMessageModel (int rowId = 0) : DbModel ("MidiMessages", "MidiMessageID", rowId) {}

    void deleteMessage();
};
