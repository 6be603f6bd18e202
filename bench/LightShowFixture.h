#pragma once

#include "data/DbModels.h"
#include "data/DbSchema.h"

/** A fresh database in a temporary folder holding one track whose lightshow has
    1000 cues (every 0.25 s, over 8 banks and 16 presets) and 200 memos with four
    count-in beats each, placed every memoSpacing seconds from memoStart. */
struct LightShowFixture
{
    LightShowFixture (double memoSpacing, double memoStart, float memoLength)
    {
        auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("rav-bench-db-" + juce::String (juce::Random::getSystemRandom().nextInt()));
        folder.createDirectory();
        file = folder.getChildFile ("Vodozav.db");
        bool created = false;
        createFreshDatabase (file, created);

        auto& db = *RaDatabase::getInstance();
        db.openDb (file.getFullPathName());
        checkAndUpgradeDbSchema (file.getFullPathName());

        db.execQuery ("INSERT INTO AudioFiles(Name, Path) VALUES('Song','Album/Song.wav')");
        lightShow.createLightShow (db.querySingleInt ("SELECT last_insert_rowid()"), "Show", "", "", 120.0f);

        db.startTransaction ("Fill");
        for (int i = 0; i < 1000; ++i)
            VovirCueModel().createCue (lightShow.id, (float) i * 0.25f, (float) (i % 4), 0.1f, 0.2f,
                                       "Bank " + juce::String (i % 8), "Preset " + juce::String (i % 16));
        for (int i = 0; i < 200; ++i)
            ShowMemoModel().createMemo (lightShow.id, (float) (i * memoSpacing + memoStart), "M" + juce::String (i),
                                        "Line " + juce::String (i) + " of the lyrics", 4, 0, 0, memoLength);
        db.endTransaction();
        db.clearUndoStack();
    }

    ~LightShowFixture()
    {
        RaDatabase::getInstance()->closeDb();
        file.getParentDirectory().deleteRecursively();
    }

    juce::File file;
    LightShowModel lightShow;
};
