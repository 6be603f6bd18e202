#pragma once

#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <vector>

/** One song of a show made for a test. */
struct SongSpec
{
    double lengthSecs = 60.0; ///< LengthSecs stored for the track (0: measured from the file)
    bool autoStart = false;
    bool loop = false;
    int colour = 0;
    bool writeFile = true;    ///< false: the track's file is missing
    double fileSeconds = 0.2; ///< length of the generated WAV file
    double frequency = 440.0;
};

/** Builds tracks, lightshows and shows in the open database, with real WAV files
    in the media folder (one folder "Album" with a file per song). */
struct ShowBuilder
{
    int songCounter = 0;

    /** A track with its default lightshow; returns the lightshow id. */
    int addSong (const SongSpec& spec, const juce::String& lightShowName = "Default lightshow")
    {
        const auto name = "Song " + juce::String (++songCounter);
        const auto path = "Album/" + name + ".wav";
        if (spec.writeFile)
        {
            auto file = juce::File (mediaFolder + path);
            file.getParentDirectory().createDirectory();
            EXPECT_TRUE (writeSineWav (file, spec.fileSeconds, 48000.0, spec.frequency));
        }

        auto& db = *RaDatabase::getInstance();
        db.execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path, LengthSecs) VALUES('%s','%s',%f)",
                                 { name, path, spec.lengthSecs }));
        const int trackId = db.querySingleInt ("SELECT last_insert_rowid()");
        LightShowModel lightShow;
        lightShow.createLightShow (trackId, lightShowName, "", "", 120.0f);
        return lightShow.id;
    }

    int makeShow (const std::vector<SongSpec>& specs, const juce::String& name = "Gig")
    {
        SetModel set;
        set.createSet (name, "");
        for (size_t i = 0; i < specs.size(); ++i)
            set.addSetElement (addSong (specs[i]), (int) i, specs[i].autoStart, specs[i].loop, specs[i].colour);
        return set.id;
    }

    static int trackOf (int lightShowId) { return LightShowModel (lightShowId).getIntField ("AudioFileID"); }

    /** The show's rows as (lightshow id, PlayOrder) in running order. */
    static std::vector<std::pair<int, int>> runningOrder (int setId)
    {
        std::vector<std::pair<int, int>> rows;
        for (auto& element : SetModel (setId).getSetElements())
            rows.push_back ({ element.getIntField ("LightShowID"), element.getIntField ("PlayOrder") });
        return rows;
    }
};

/** A fresh database file opened through the real data layer, with its own media folder. */
struct ShowDatabase
{
    ShowDatabase()
    {
        static int counter = 0;
        folder = TestHome::folder().getChildFile ("show-db-" + juce::String (++counter));
        folder.createDirectory();
        auto file = folder.getChildFile ("Vodozav.db");
        bool created = false;
        EXPECT_TRUE (createFreshDatabase (file, created).wasOk());
        auto& db = *RaDatabase::getInstance();
        opened = db.openDb (file.getFullPathName()) && checkAndUpgradeDbSchema (file.getFullPathName());
        mediaFolder = folder.getChildFile ("Media Files").getFullPathName() + "/";
    }

    ~ShowDatabase()
    {
        RaDatabase::getInstance()->closeDb();
        folder.deleteRecursively();
    }

    juce::File folder;
    bool opened = false;
};
