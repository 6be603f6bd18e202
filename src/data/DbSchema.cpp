#include "data/DbSchema.h"

#include "app/Vendor.h"
#include "archive/DbSnapshots.h"
#include "data/DataPaths.h"
#include "data/RaDatabase.h"
#include "ui/UserDialogs.h"

juce::StringArray freshDatabaseStatements()
{
    // Foreign keys are checked at commit (deferred): an undo step re-inserts a
    // deleted track's rows newest first, children before their parents, and only
    // the whole step has to be consistent. Deletions still cascade at once.
    return {
        "CREATE TABLE AudioFiles ( AudioFileID integer PRIMARY KEY NOT NULL, Name varchar(100), "
        "Path varchar(1000), LengthSecs float(50), MainAudioFileID integer NOT NULL DEFAULT 0 );",

        "CREATE TABLE LightShows ( LightShowID integer PRIMARY KEY NOT NULL, AudioFileID integer "
        "REFERENCES AudioFiles(AudioFileID) ON DELETE CASCADE ON UPDATE CASCADE DEFERRABLE INITIALLY DEFERRED, "
        "Name varchar(100), VovirShowName varchar(100), Note varchar(1000), Tempo float(50), "
        "TrimStart float(50) DEFAULT 0, TrimEnd float(50) DEFAULT 0, AudioVolume float(50) DEFAULT 0 );",

        "CREATE TABLE VovirCues ( VovirCueID integer PRIMARY KEY NOT NULL, LightShowID integer "
        "REFERENCES LightShows(LightShowID) ON DELETE CASCADE ON UPDATE CASCADE DEFERRABLE INITIALLY DEFERRED, "
        "CueTime float(50), CueDuration float(50), FadeInTime float(50), FadeOutTime float(50), "
        "BankName varchar(100), PresetName varchar(100) );",

        "CREATE TABLE MidiEvents ( MidiEventID  integer PRIMARY KEY AUTOINCREMENT NOT NULL, Name         "
        "varchar(50), Category     varchar(50)) ;",

        "CREATE TABLE MidiMessages ( MidiMessageID  integer PRIMARY KEY NOT NULL, MidiEventID    integer, Time "
        "        float(50) NOT NULL DEFAULT 0, OutDevice      varchar(50), Channel        integer NOT NULL "
        "DEFAULT 0, Message        integer NOT NULL DEFAULT 192, Data1          integer NOT NULL DEFAULT 0, "
        "Data2          integer NOT NULL DEFAULT 0, FOREIGN KEY (MidiEventID) REFERENCES MidiEvents(MidiEventID) "
        "ON DELETE CASCADE ON UPDATE CASCADE );",

        "CREATE TABLE ShowMemos ( ShowMemoID integer PRIMARY KEY NOT NULL, LightShowID integer "
        "REFERENCES LightShows(LightShowID) ON DELETE CASCADE ON UPDATE CASCADE DEFERRABLE INITIALLY DEFERRED, "
        "MemoTime float(50), MemoLength float(50), ShortName varchar(100), Memo varchar(10000), CountIn integer, "
        "StartMidiEventID integer REFERENCES MidiEvents(MidiEventID) ON DELETE SET NULL ON UPDATE CASCADE "
        "DEFERRABLE INITIALLY DEFERRED, "
        "EndMidiEventID integer REFERENCES MidiEvents(MidiEventID) ON DELETE SET NULL ON UPDATE CASCADE "
        "DEFERRABLE INITIALLY DEFERRED );",

        "CREATE TABLE Sets ( SetID integer PRIMARY KEY NOT NULL, Name varchar(100), Folder varchar(1000), "
        "Type integer NOT NULL DEFAULT 0 );",

        "CREATE TABLE SetElements ( SetElementID integer PRIMARY KEY NOT NULL, SetID integer "
        "REFERENCES Sets(SetID) ON DELETE CASCADE ON UPDATE CASCADE DEFERRABLE INITIALLY DEFERRED, "
        "LightShowID integer REFERENCES LightShows(LightShowID) ON DELETE CASCADE ON UPDATE CASCADE "
        "DEFERRABLE INITIALLY DEFERRED, PlayOrder integer, AutoStart integer, "
        "Loop integer NOT NULL DEFAULT 0, Colour integer NOT NULL DEFAULT 0 );",

        "CREATE TABLE Things ( ThingID integer PRIMARY KEY NOT NULL, Name varchar(50), Value integer );",

        "INSERT INTO Things(Name, Value) VALUES('SchemaVersion', 7);",
    };
}

juce::Result createFreshDatabase (const juce::File& file, bool& created)
{
    created = false;

    if (file.exists())
        return juce::Result::ok();

    if (! file.getParentDirectory().createDirectory())
        return juce::Result::fail ("Could not create the folder " + file.getParentDirectory().getFullPathName());

    // Built under a temporary name and moved into place, so that an interrupted
    // install never leaves a half-made database where the program looks for one.
    auto temporary = file.getSiblingFile (file.getFileName() + ".new");
    temporary.deleteFile();

    try
    {
        CppSQLite3DB db;
        db.open (temporary.getFullPathName().toRawUTF8());
        db.execDML ("BEGIN TRANSACTION;");
        for (auto& statement : freshDatabaseStatements())
            db.execDML (statement.toRawUTF8());
        db.execDML ("COMMIT;");
        db.close();
    }
    catch (const CppSQLite3Exception& error)
    {
        temporary.deleteFile();
        return juce::Result::fail (error.errorMessage());
    }

    if (! temporary.moveFileTo (file))
    {
        temporary.deleteFile();
        return juce::Result::fail ("Could not move the new database to " + file.getFullPathName());
    }

    created = true;
    return juce::Result::ok();
}

int parseSchemaVersion (const juce::StringArray& things)
{
    if (things.size() != 1)
        return -1;

    auto parts = juce::StringArray::fromTokens (things[0], "|", {});
    if (parts.size() != 2 || ! parts[0].trim().containsOnly ("-0123456789") || parts[0].isEmpty()
        || parts[1].isEmpty() || ! parts[1].trim().containsOnly ("-0123456789"))
        return -1;

    return parts[1].trim().getIntValue();
}

juce::Result installDatabase (const juce::File& file, juce::String& outcome)
{
    const auto path = file.getFullPathName();

    if (file.exists())
    {
        RaDatabase::FileCheck check;
        {
            CppSQLite3DB connection;
            connection.setBusyTimeout (3000);
            try
            {
                connection.open (path.toRawUTF8(), true);
                check = checkDatabaseFile (connection, true);
            }
            catch (const CppSQLite3Exception& error)
            {
                check.kind = RaDatabase::FileCheck::Kind::invalid;
                check.detail = error.errorMessage();
            }
        }

        switch (check.kind)
        {
            case RaDatabase::FileCheck::Kind::usable:
                outcome = "database " + path + " kept as it was";
                return juce::Result::ok();

            case RaDatabase::FileCheck::Kind::newer:
                outcome = "database " + path + " is from a newer version of Raziviz Avodoru (schema version "
                          + juce::String (check.version) + "); kept as it was";
                return juce::Result::ok();

            case RaDatabase::FileCheck::Kind::locked:
                return juce::Result::fail ("the library " + path
                                           + " is in use by another program; close that program, then run the "
                                             "install step again");

            case RaDatabase::FileCheck::Kind::invalid:
                break;
        }

        // Not a usable database of ours: kept beside, under a name of its own.
        auto stamp = juce::Time::getCurrentTime().formatted ("%Y%m%d-%H%M%S");
        auto aside = file.getSiblingFile (file.getFileName() + ".damaged-" + stamp);
        for (int n = 2; aside.exists(); ++n)
            aside = file.getSiblingFile (file.getFileName() + ".damaged-" + stamp + "-" + juce::String (n));

        auto journal = file.getSiblingFile (file.getFileName() + "-journal");
        if (! file.moveFileTo (aside))
            return juce::Result::fail ("could not move the unusable database " + path + " aside to "
                                       + aside.getFileName());
        if (journal.exists())
            journal.moveFileTo (aside.getSiblingFile (aside.getFileName() + "-journal"));

        bool created = false;
        auto result = createFreshDatabase (file, created);
        if (result.failed())
            return result;

        outcome = "database " + path + " was not a usable Raziviz Avodoru database (" + check.detail
                  + "); moved it aside to " + aside.getFileName() + " and created a fresh one";
        return juce::Result::ok();
    }

    bool created = false;
    auto result = createFreshDatabase (file, created);
    if (result.wasOk())
        outcome = "database " + path + " created";
    return result;
}

namespace
{
void showInvalidFile (const juce::String& path)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Invalid database file",
                                  path + "\n\nThere is a problem with the Raziviz Avodoru database file. Please restore "
                                         "from a backup, or contact "
                                      + vendor::supportEmail + " for assistance.",
                                  "OK", dialogOwner());
}

void showFileInUse (const juce::String& path)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Library in use",
                                  path + "\n\nThe Raziviz Avodoru library is in use by another program. Close that "
                                         "program (or the other Raziviz Avodoru window), then start Raziviz Avodoru "
                                         "again.",
                                  "OK", dialogOwner());
}

bool checkAndUpgrade (const juce::String& path, bool mayUpgrade)
{
    auto& db = *RaDatabase::getInstance();

    // What the file showed when it was opened (before anything was written into
    // it) decides first; otherwise the version is read again, quietly.
    auto check = db.getOpenCheck();
    if (check.kind == RaDatabase::FileCheck::Kind::usable)
        check = db.checkFile (false);

    if (check.kind == RaDatabase::FileCheck::Kind::locked)
    {
        showFileInUse (path);
        db.closeWithoutWriting();
        return false;
    }

    auto version = check.kind == RaDatabase::FileCheck::Kind::invalid ? -1 : check.version;

    // A version below 1 is not one this program ever wrote: the file is treated
    // as invalid rather than "upgraded" from a version that does not exist. An
    // upgrade that did not take (version still old after it) is refused the same
    // way instead of being tried again and again.
    if (version < 1 || (version < currentSchemaVersion && ! mayUpgrade))
    {
        showInvalidFile (path);
        db.closeWithoutWriting();
        return false;
    }

    if (version > currentSchemaVersion)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Incompatible database file",
                                      path + "\n\nPlease upgrade to the latest version of Raziviz Avodoru, or "
                                             "restore from a backup.",
                                      "OK", dialogOwner());
        db.closeWithoutWriting();
        return false;
    }

    if (version == currentSchemaVersion)
    {
        db.setSchemaChecked (true);
        return true;
    }

    juce::File file (path);
    dbsnapshots::take (file);
    file.copyFileTo (file.getSiblingFile (file.getFileName() + ".backup"));

    db.closeDb();
    try
    {
        db.connection().open (path.toRawUTF8());
    }
    catch (const CppSQLite3Exception& error)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon,
                                      CppSQLite3Exception::errorCodeAsString (error.errorCode()), error.errorMessage(),
                                      {}, nullptr);
        return false;
    }

    juce::StringArray steps;
    if (version <= 1)
        steps.addArray ({ "CREATE TABLE MidiEvents ( MidiEventID  integer PRIMARY KEY AUTOINCREMENT NOT NULL, Name "
                          "        varchar(50), Category     varchar(50)) ;",
                          "CREATE TABLE MidiMessages ( MidiMessageID  integer PRIMARY KEY NOT NULL, MidiEventID    "
                          "integer, Time         float(50) NOT NULL DEFAULT 0, OutDevice      varchar(50), Channel  "
                          "      integer NOT NULL DEFAULT 0, Message        integer NOT NULL DEFAULT 192, Data1      "
                          "    integer NOT NULL DEFAULT 0, Data2          integer NOT NULL DEFAULT 0, FOREIGN KEY "
                          "(MidiEventID) REFERENCES MidiEvents(MidiEventID) ON DELETE CASCADE ON UPDATE CASCADE );",
                          "ALTER TABLE ShowMemos ADD COLUMN StartMidiEventID integer REFERENCES "
                          "MidiEvents(MidiEventID) ON DELETE SET NULL ON UPDATE CASCADE",
                          "ALTER TABLE ShowMemos ADD COLUMN EndMidiEventID integer REFERENCES MidiEvents(MidiEventID) "
                          "ON DELETE SET NULL ON UPDATE CASCADE" });
    if (version <= 2)
        steps.addArray ({ "ALTER TABLE LightShows ADD COLUMN TrimStart float(50) DEFAULT 0",
                          "ALTER TABLE LightShows ADD COLUMN TrimEnd float(50) DEFAULT 0" });
    if (version <= 3)
        steps.add ("ALTER TABLE LightShows ADD COLUMN AudioVolume float(50) DEFAULT 0");
    if (version <= 4)
        steps.add ("ALTER TABLE SetElements ADD COLUMN Loop integer NOT NULL DEFAULT 0");
    if (version <= 5)
        steps.add ("ALTER TABLE AudioFiles ADD COLUMN MainAudioFileID integer NOT NULL DEFAULT 0");
    if (version <= 6)
        steps.addArray ({ "ALTER TABLE SetElements ADD COLUMN Colour integer NOT NULL DEFAULT 0",
                          "ALTER TABLE Sets ADD COLUMN Type integer NOT NULL DEFAULT 0" });

    for (auto& statement : steps)
        db.execDML (statement);

    db.execQuery (formatSql ("UPDATE Things SET Value=%d WHERE Name='SchemaVersion'", { currentSchemaVersion }));

    // Open again with the full preparation; the version is read once more.
    if (! db.openDb (path))
        return false;

    return checkAndUpgrade (path, false);
}
} // namespace

bool checkAndUpgradeDbSchema (const juce::String& path)
{
    return checkAndUpgrade (path, true);
}

bool doDbOpen()
{
    auto path = getDatabaseFile().getFullPathName();

    if (! RaDatabase::getInstance()->openDb (path))
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "[#1007] Raziviz Avodoru fatal error",
                                      "Could not open database. Please re-install Raziviz Avodoru", "OK",
                                      dialogOwner());
        userDialogs().endProcess (1);
        return false;
    }

    if (! checkAndUpgradeDbSchema (path))
        return false;

    dbsnapshots::take (juce::File (path));
    auto& db = *RaDatabase::getInstance();
    if (db.getSaveProblem().isNotEmpty())
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Edits cannot be saved",
                                      db.getSaveProblem() + ".\n\n" + juce::File (path).getParentDirectory().getFullPathName()
                                          + "\n\nYou can open and play your shows, but no change you make will be "
                                            "kept. Free some space or make the folder writable, then start Raziviz "
                                            "Avodoru again.",
                                      "OK", dialogOwner());
    return true;
}
