#include "app/StartupSettings.h"
#include "audio/FilePlayerProcessor.h"
#include "editor/Timeline.h"
#include "show/SetPlayer.h"
#include "show/ShowTestSupport.h"
#include "support/DbFixture.h"

#include <gtest/gtest.h>

/** The show player on a real database, with both real file players (no device
    needed: the songs are loaded but never started here). */
class SetTimelineTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        backing = std::make_unique<FilePlayerProcessor>();
        click = std::make_unique<FilePlayerProcessor>();
        filePlayer = backing.get();
        filePlayerB = click.get();

        player = std::make_unique<SetPlayer>();
        player->setVisible (true);
        timeline = player->timeline;
        timeline->setSize (400, 808);
    }

    void TearDown() override
    {
        player.reset();
        filePlayer = filePlayerB = nullptr;
        backing.reset();
        click.reset();
        DbTest::TearDown();
    }

    int loadShow (const std::vector<SongSpec>& specs)
    {
        const int setId = shows.makeShow (specs);
        timeline->loadSet (setId, false);
        return setId;
    }

    std::vector<int> lightShowOrder() const
    {
        std::vector<int> ids;
        for (auto& song : timeline->songs)
            ids.push_back (song->lightShowId);
        return ids;
    }

    void select (std::initializer_list<int> indices)
    {
        for (auto& song : timeline->songs)
            song->selected = false;
        for (auto i : indices)
            timeline->songs[(size_t) i]->selected = true;
    }

    std::unique_ptr<FilePlayerProcessor> backing, click;
    std::unique_ptr<SetPlayer> player;
    SetTimeline* timeline = nullptr;
    ShowBuilder shows;
};

TEST_F (SetTimelineTest, LoadingAShowPreloadsEveryTrackAndMakesTheFirstSongCurrent)
{
    auto withClick = SongSpec { 30.0 };
    const int setId = shows.makeShow ({ withClick, SongSpec { 40.0 }, SongSpec { 50.0 } });

    // The first song gets a click track (a track row pointing at it).
    const int firstTrack = ShowBuilder::trackOf (SetModel (setId).getSetElements()[0].getIntField ("LightShowID"));
    auto clickFile = juce::File (mediaFolder + "Album/click.wav");
    ASSERT_TRUE (writeSineWav (clickFile, 0.2, 48000.0, 880.0));
    db().execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path, MainAudioFileID) VALUES('c','Album/click.wav',%d)",
                               { firstTrack }));

    timeline->loadSet (setId, false);

    EXPECT_EQ (dialogs.count(), 0) << "loading a show asks nothing and reports no SQL error";
    ASSERT_EQ (timeline->songs.size(), 3u);
    EXPECT_EQ (backing->getNumPreloaded(), 3);
    EXPECT_EQ (click->getNumPreloaded(), 1); // songs without a click track pass an empty path
    EXPECT_EQ (timeline->currentIndex, 0);
    EXPECT_TRUE (timeline->songs[0]->selected && timeline->songs[0]->current);
    EXPECT_EQ (backing->currentFile, timeline->songs[0]->audioPath);
    EXPECT_EQ (click->currentFile, clickFile.getFullPathName());
    EXPECT_TRUE (click->hasTransport());
    EXPECT_DOUBLE_EQ (timeline->totalLength, 120.0);
    EXPECT_EQ (timeline->songs[1]->title, "Song 2");
    EXPECT_EQ (timeline->songs[1]->folder, "Album");
    EXPECT_EQ (player->vertPanel->memoPanel->memoText, "Album\nSong 1");
    EXPECT_EQ (player->getCurrentSetId(), setId);
}

TEST_F (SetTimelineTest, ALongShowOpensOnItsFirstThirtyMinutesAShortOneWhole)
{
    struct Case
    {
        std::vector<double> lengths;
        double viewEnd, total;
    };
    const Case cases[] = {
        { { 700.0, 700.0, 700.0 }, 1800.0, 2100.0 }, // 35 minutes
        { { 600.0, 600.0 }, 1200.0, 1200.0 },        // 20 minutes
        { {}, 30.0, 30.0 },                          // empty show
    };

    for (auto& c : cases)
    {
        std::vector<SongSpec> specs;
        for (auto length : c.lengths)
            specs.push_back ({ length });
        loadShow (specs);
        EXPECT_DOUBLE_EQ (timeline->viewStart, 0.0);
        EXPECT_DOUBLE_EQ (timeline->viewEnd, c.viewEnd);
        EXPECT_DOUBLE_EQ (timeline->totalLength, c.total);
        EXPECT_DOUBLE_EQ (timeline->ruler->getRangeEnd(), c.viewEnd);
    }
}

TEST_F (SetTimelineTest, ListLayoutIsProportionalToTheSongsLengths)
{
    loadShow ({ SongSpec { 100.0 }, SongSpec { 200.0 }, SongSpec { 100.0 } });
    // 800 usable pixels for 400 s.
    const int rw = timeline->getRulerWidth();
    const int boxWidth = 400 - (400 - rw) / 15 - 16 - rw;
    EXPECT_EQ (timeline->songs[0]->getBounds(), juce::Rectangle<int> (rw + 8, 4, boxWidth, 200));
    EXPECT_EQ (timeline->songs[1]->getBounds(), juce::Rectangle<int> (rw + 8, 204, boxWidth, 400));
    EXPECT_EQ (timeline->songs[2]->getBounds(), juce::Rectangle<int> (rw + 8, 604, boxWidth, 200));

    // Zoomed to the second song: it fills the view, the others lie outside.
    timeline->viewStart = 100.0;
    timeline->viewEnd = 300.0;
    timeline->viewLength = 200.0;
    timeline->doRedraw (false);
    EXPECT_EQ (timeline->songs[1]->getBounds(), juce::Rectangle<int> (rw + 8, 4, boxWidth, 800));
    EXPECT_EQ (timeline->songs[0]->getBottom(), 4);
    EXPECT_EQ (timeline->songs[2]->getY(), 804);
}

TEST_F (SetTimelineTest, GridOfSevenSongsInAnEightHundredByFourHundredTimeline)
{
    loadShow (std::vector<SongSpec> (7, SongSpec { 60.0 }));
    timeline->setSize (808, 408);
    player->holder->gridButton->setToggleState (true, juce::sendNotification);

    ASSERT_TRUE (timeline->gridMode);
    EXPECT_FALSE (timeline->ruler->isVisible());
    EXPECT_EQ (timeline->songs[0]->getBounds(), juce::Rectangle<int> (8, 8, 192, 192));
    EXPECT_EQ (timeline->songs[3]->getBounds(), juce::Rectangle<int> (608, 8, 192, 192));
    EXPECT_EQ (timeline->songs[4]->getBounds(), juce::Rectangle<int> (8, 208, 192, 192));
    EXPECT_EQ (timeline->songs[6]->getBounds(), juce::Rectangle<int> (408, 208, 192, 192));
}

TEST_F (SetTimelineTest, GridModeButtonWritesTheShowTypeAndLoadingAShowSetsIt)
{
    const int listShow = loadShow ({ SongSpec {} });
    player->holder->gridButton->setToggleState (true, juce::sendNotification);
    EXPECT_EQ (SetModel (listShow).getIntField ("Type"), 1);

    const int otherShow = shows.makeShow ({ SongSpec {} }, "Other");
    timeline->loadSet (otherShow, false);
    EXPECT_FALSE (player->holder->gridButton->getToggleState());
    EXPECT_FALSE (timeline->gridMode);

    timeline->loadSet (listShow, false);
    EXPECT_TRUE (player->holder->gridButton->getToggleState());
    EXPECT_TRUE (timeline->gridMode);
}

TEST_F (SetTimelineTest, NextAndPreviousDefaultTargetsAndStepping)
{
    loadShow (std::vector<SongSpec> (4, SongSpec {}));

    select ({});
    timeline->highlightNextSong (false, false);
    EXPECT_TRUE (timeline->songs[3]->selected) << "Next without a selection highlights the last song";

    select ({});
    timeline->highlightPreviousSong (false, false);
    EXPECT_TRUE (timeline->songs[0]->selected) << "Previous without a selection highlights the first song";

    select ({ 1 });
    timeline->highlightNextSong (false, false);
    EXPECT_FALSE (timeline->songs[1]->selected);
    EXPECT_TRUE (timeline->songs[2]->selected);
    timeline->highlightPreviousSong (false, false);
    timeline->highlightPreviousSong (false, false);
    EXPECT_TRUE (timeline->songs[0]->selected);
    EXPECT_EQ (timeline->currentIndex, 0) << "highlighting alone switches no song";
    EXPECT_EQ (timeline->pendingIndex, -1);
}

TEST_F (SetTimelineTest, NextWithNoTrackInThePlayerLoadsTheSongAtOnce)
{
    // Nothing can fade out and no stopped event will come: waiting for one
    // would leave the show stuck on its song.
    loadShow (std::vector<SongSpec> (3, SongSpec {}));
    backing->loadFile ({}, 0, 0, false);
    ASSERT_FALSE (backing->hasTransport());

    timeline->highlightNextSong (true, false);
    EXPECT_EQ (timeline->currentIndex, 1);
    EXPECT_EQ (timeline->pendingIndex, -1);
    EXPECT_TRUE (backing->hasTransport());
}

TEST_F (SetTimelineTest, ViewDragsAndWheelKeepTheirLimits)
{
    loadShow ({ SongSpec { 600.0 }, SongSpec { 600.0 } });
    ASSERT_DOUBLE_EQ (timeline->viewEnd, 1200.0);
    const int zoneX = timeline->getWidth() - 5;

    // Top edge of the view dragged far down: at least 5 s stay visible.
    timeline->pressAt ({ zoneX, timeline->overviewTop }, false);
    EXPECT_EQ (timeline->dragMode, 1);
    timeline->dragTo ({ zoneX, 5000 });
    EXPECT_DOUBLE_EQ (timeline->viewStart, 1195.0);
    timeline->releaseMouse();

    // Bottom edge dragged far up: again 5 s.
    auto showView = [this] (double start, double end)
    {
        timeline->viewStart = start;
        timeline->viewEnd = end;
        timeline->viewLength = end - start;
        timeline->doRedraw (false);
    };
    showView (0.0, 1200.0);
    timeline->pressAt ({ zoneX, timeline->overviewTop + timeline->overviewHeight }, false);
    EXPECT_EQ (timeline->dragMode, 2);
    timeline->dragTo ({ zoneX, -3000 });
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 5.0);
    timeline->releaseMouse();

    // Wheel zoom never shows less than 10 s.
    timeline->wheelAt ({ 10, 400 }, 50.0f);
    EXPECT_DOUBLE_EQ (timeline->viewStart, 0.0);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 10.0);
    showView (500.0, 700.0);
    for (int i = 0; i < 5; ++i)
        timeline->wheelAt ({ 10, 400 }, 50.0f);
    EXPECT_GE (timeline->viewEnd - timeline->viewStart, 10.0 - 1e-9);

    // Wheel scrolling right of 90 % keeps the view inside the show.
    showView (0.0, 960.0);
    timeline->wheelAt ({ 399, 400 }, 100.0f);
    EXPECT_DOUBLE_EQ (timeline->viewStart, 240.0);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 1200.0);
    timeline->wheelAt ({ 399, 400 }, -100.0f);
    EXPECT_DOUBLE_EQ (timeline->viewStart, 0.0);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 960.0);
}

TEST_F (SetTimelineTest, DraggingSongsReordersAndSavesOnRelease)
{
    const int setId = loadShow ({ SongSpec { 100.0 }, SongSpec { 100.0 }, SongSpec { 100.0 }, SongSpec { 100.0 } });
    const auto original = lightShowOrder();
    auto centreOf = [this] (int i) { return timeline->songs[(size_t) i]->getBounds().getCentre(); };

    timeline->pressAt (centreOf (0), false);
    EXPECT_EQ (timeline->dragMode, 4);
    timeline->pressAt (centreOf (1), true); // Shift extends from the anchor
    EXPECT_EQ (timeline->firstSelected, 0);
    EXPECT_EQ (timeline->lastSelected, 1);

    timeline->dragTo (centreOf (3));
    EXPECT_EQ (lightShowOrder(), (std::vector<int> { original[2], original[3], original[0], original[1] }));
    EXPECT_EQ (timeline->currentIndex, 2) << "the current song follows its move";
    EXPECT_EQ (ShowBuilder::runningOrder (setId)[0].first, original[0]) << "nothing saved before release";

    timeline->releaseMouse();
    auto rows = ShowBuilder::runningOrder (setId);
    ASSERT_EQ (rows.size(), 4u);
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (rows[(size_t) i].first, lightShowOrder()[(size_t) i]);
        EXPECT_EQ (rows[(size_t) i].second, i);
    }
}

TEST_F (SetTimelineTest, OptionArrowsMoveTheSelectionUnlessItTouchesTheEnd)
{
    const int setId = loadShow (std::vector<SongSpec> (4, SongSpec {}));
    const auto original = lightShowOrder();
    const juce::KeyPress altUp (juce::KeyPress::upKey, juce::ModifierKeys::altModifier, 0);
    const juce::KeyPress altDown (juce::KeyPress::downKey, juce::ModifierKeys::altModifier, 0);

    select ({ 0, 2 });
    EXPECT_TRUE (timeline->keyPressed (altUp, timeline));
    EXPECT_EQ (lightShowOrder(), original) << "the first song is selected: nothing moves";

    select ({ 1, 3 });
    timeline->keyPressed (altDown, timeline);
    EXPECT_EQ (lightShowOrder(), original) << "the last song is selected: nothing moves";

    select ({ 1, 2 });
    timeline->keyPressed (altDown, timeline);
    EXPECT_EQ (lightShowOrder(), (std::vector<int> { original[0], original[3], original[1], original[2] }));
    timeline->keyPressed (altUp, timeline);
    timeline->keyPressed (altUp, timeline);
    EXPECT_EQ (lightShowOrder(), (std::vector<int> { original[1], original[2], original[0], original[3] }));
    EXPECT_EQ (timeline->currentIndex, 2);
    EXPECT_EQ (ShowBuilder::runningOrder (setId)[0].first, original[1]) << "each move is saved";

    // Plain arrows only move the highlight.
    timeline->keyPressed (juce::KeyPress (juce::KeyPress::downKey), timeline);
    EXPECT_TRUE (timeline->songs[2]->selected);
    EXPECT_FALSE (timeline->songs[0]->selected);
}

TEST_F (SetTimelineTest, DroppedTracksGoInAtTheDropPointInTheirOrder)
{
    const int setId = loadShow ({ SongSpec { 100.0 }, SongSpec { 100.0 } });
    const auto original = lightShowOrder();

    const int a = shows.addSong ({});
    const int b = shows.addSong ({});
    const int withTwo = shows.addSong ({});
    LightShowModel second;
    second.createLightShow (ShowBuilder::trackOf (withTwo), "Encore", "", "", 120.0f);
    const int noLightShowTrack = ShowBuilder::trackOf (shows.addSong ({}));
    db().execQuery (formatSql ("DELETE FROM LightShows WHERE AudioFileID=%d", { noLightShowTrack }));

    juce::Array<int> dragged { ShowBuilder::trackOf (a), ShowBuilder::trackOf (b), ShowBuilder::trackOf (withTwo),
                               noLightShowTrack };
    timeline->selectedTracksProvider = [&] { return dragged; };
    juce::StringArray menuItems;
    timeline->runPopupMenu = [&] (juce::PopupMenu& menu)
    {
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            menuItems.add (it.getItem().text + (it.getItem().isEnabled ? "" : " (disabled)"));
        return 3; // the second lightshow
    };

    // Over the lower half of the second song: insert after it, at index 2.
    juce::DragAndDropTarget::SourceDetails details ("Song", nullptr, timeline->songs[1]->getBounds().getCentre() + juce::Point<int> (0, 10));
    ASSERT_TRUE (timeline->isInterestedInDragSource (details));
    EXPECT_FALSE (timeline->isInterestedInDragSource ({ "Other", nullptr, {} }));
    timeline->itemDragEnter (details);
    EXPECT_TRUE (timeline->dragHover);
    EXPECT_EQ (timeline->insertIndex, 2);
    EXPECT_EQ (timeline->dropY, timeline->songs[1]->getBottom());
    timeline->itemDropped (details);

    EXPECT_FALSE (timeline->dragHover);
    EXPECT_EQ (menuItems, juce::StringArray ({ "Choose a light show... (disabled)", "Default lightshow", "Encore" }));
    EXPECT_EQ (lightShowOrder(), (std::vector<int> { original[0], original[1], a, b, second.id }));
    EXPECT_EQ (timeline->currentIndex, 0);

    // Dropped above the current song, it stays current.
    dragged = { ShowBuilder::trackOf (a) };
    timeline->loadSong (1, false, false, false);
    timeline->insertIndex = 0;
    timeline->addTracks (dragged);
    EXPECT_EQ (timeline->songs[0]->lightShowId, a);
    EXPECT_EQ (timeline->currentIndex, 2);
    EXPECT_EQ (timeline->songs[2]->lightShowId, original[1]);
    EXPECT_EQ (backing->currentFile, timeline->songs[2]->audioPath);
    auto rows = ShowBuilder::runningOrder (setId);
    for (int i = 0; i < (int) rows.size(); ++i)
        EXPECT_EQ (rows[(size_t) i].second, i);

    // A dismissed menu adds nothing; neither does a drop without a show.
    timeline->runPopupMenu = [] (juce::PopupMenu&) { return 0; };
    dragged = { ShowBuilder::trackOf (withTwo) };
    timeline->itemDropped (details);
    EXPECT_EQ (timeline->songs.size(), 6u);

    timeline->loadSet (-1, false);
    dialogs.clear();
    timeline->itemDropped (details);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "No show loaded");
    EXPECT_EQ (dialogs.shown()[0].text, "Select a show in the 'Show Library' first.");
    EXPECT_EQ (rowCount ("SetElements"), 6);
}

TEST_F (SetTimelineTest, DeletingSongsRenumbersTheRestInOneUndoableStep)
{
    const int setId = loadShow (std::vector<SongSpec> (4, SongSpec {}));
    const auto original = lightShowOrder();
    db().clearUndoStack();

    select ({ 1, 2 });
    dialogs.answerButton (0); // "No"
    timeline->deleteSetElement();
    EXPECT_EQ (rowCount ("SetElements"), 4);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Delete...");
    EXPECT_EQ (dialogs.shown()[0].text, "Do you want to delete the selected songs from this show?");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "Yes", "No" }));
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::NoIcon);

    select ({ 1, 2 });
    timeline->deleteSetElement(); // "Yes"
    EXPECT_EQ (lightShowOrder(), (std::vector<int> { original[0], original[3] }));
    EXPECT_EQ (ShowBuilder::runningOrder (setId),
               (std::vector<std::pair<int, int>> { { original[0], 0 }, { original[3], 1 } }));

    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (rowCount ("SetElements"), 4) << "the deletion and the renumbering are one step";
}

TEST_F (SetTimelineTest, ChangeColourCyclesFromTheLastSelectedSong)
{
    struct Case
    {
        std::vector<int> colours; // of the selected songs, in running order
        int expected;
    };
    const Case cases[] = { { { 2, 4 }, 0 }, { { 0 }, 1 }, { { 3, 1 }, 2 }, { { 1, 3 }, 4 } };

    for (auto& c : cases)
    {
        std::vector<SongSpec> specs;
        for (auto colour : c.colours)
            specs.push_back ({ 60.0, false, false, colour });
        specs.push_back ({ 60.0, false, false, 3 }); // not selected
        loadShow (specs);
        for (auto& song : timeline->songs)
            song->selected = song.get() != timeline->songs.back().get();

        player->holder->buttonClicked (player->holder->colourButton);

        for (size_t i = 0; i + 1 < timeline->songs.size(); ++i)
        {
            EXPECT_EQ (timeline->songs[i]->colour, c.expected);
            EXPECT_EQ (SetElementModel (timeline->songs[i]->elementId).getIntField ("Colour"), c.expected);
        }
        EXPECT_EQ (timeline->songs.back()->colour, 3);
    }
}

TEST_F (SetTimelineTest, DoubleClickOnAnIconTogglesOnlyThatColumn)
{
    loadShow ({ SongSpec { 300.0 }, SongSpec { 300.0 } });
    auto& box = *timeline->songs[1];
    select ({ 0 });
    const auto b = box.getBounds();

    timeline->doubleClickAt (b.getBottomLeft() + juce::Point<int> (10, -10));
    EXPECT_TRUE (box.autoStart);
    EXPECT_EQ (SetElementModel (box.elementId).getIntField ("AutoStart"), 1);
    timeline->doubleClickAt (b.getBottomRight() + juce::Point<int> (-10, -10));
    EXPECT_TRUE (box.loop);
    EXPECT_EQ (SetElementModel (box.elementId).getIntField ("Loop"), 1);
    EXPECT_TRUE (timeline->songs[0]->selected);
    EXPECT_FALSE (box.selected);
    EXPECT_EQ (timeline->currentIndex, 0);
}

TEST_F (SetTimelineTest, AToggleWhoseWriteFailsShowsWhatIsSaved)
{
    loadShow ({ SongSpec { 300.0 }, SongSpec { 300.0 } });
    auto& box = *timeline->songs[1];
    const auto b = box.getBounds();
    db().execDML ("CREATE TRIGGER refuse BEFORE UPDATE ON SetElements BEGIN SELECT RAISE(ABORT, 'refused'); END");
    dialogs.clear();

    timeline->doubleClickAt (b.getBottomLeft() + juce::Point<int> (10, -10));
    timeline->doubleClickAt (b.getBottomRight() + juce::Point<int> (-10, -10));
    EXPECT_FALSE (box.autoStart);
    EXPECT_FALSE (box.loop);
    EXPECT_EQ (dialogs.count(), 2); // each failed write is told
}

TEST_F (SetTimelineTest, MissingTrackFileIsLocatedAgainBeforeItLoads)
{
    const int setId = shows.makeShow ({ SongSpec { 10.0, false, false, 0, false }, SongSpec { 10.0 } });

    // Not found: the user cancels the chooser and nothing is loaded.
    timeline->loadSet (setId, false);
    EXPECT_EQ (timeline->currentIndex, -1);
    EXPECT_FALSE (timeline->songs[0]->fileExists);
    EXPECT_FALSE (backing->hasTransport());
    ASSERT_GE (dialogs.count(), 2);
    EXPECT_EQ (dialogs.shown()[0].title, "Audio file not found in Raziviz Avodoru media folder");

    // Found: the located file is copied, preloaded and loaded.
    auto located = TestHome::folder().getChildFile ("elsewhere/Album/Song 1.wav");
    located.getParentDirectory().createDirectory();
    ASSERT_TRUE (writeSineWav (located, 0.2, 48000.0));
    dialogs.answerFile (located);
    timeline->loadSong (0, true, false, false);
    EXPECT_EQ (timeline->currentIndex, 0);
    EXPECT_TRUE (timeline->songs[0]->fileExists);
    EXPECT_TRUE (backing->hasTransport()) << "the located track must be playable without reloading the show";
}

TEST (SetMemoPanelText, SummaryWithEstimatedFinishPastMidnight)
{
    EXPECT_EQ (SetMemoPanel::summaryText ("Gig", 12, 3600.0, 0.0, 23.5 * 3600.0),
               "Gig (12 songs)\nTotal time: 1:00:00\nEstimate finish: 24:30");
    EXPECT_EQ (SetMemoPanel::summaryText ("Late", 3, 3725.9, 125.0, 20 * 3600.0 + 59),
               "Late (3 songs)\nTotal time: 1:02:05\nEstimate finish: 21:00");
}

TEST_F (SetTimelineTest, MemoPanelSummaryLeftMarkerAndNoShow)
{
    auto& memo = *player->vertPanel->memoPanel;
    memo.timerCallback();
    EXPECT_EQ (memo.memoLabel.getText(), "- no show loaded -");
    EXPECT_TRUE (memo.summaryLabel.getText().isEmpty());

    loadShow ({ SongSpec { 1800.0 }, SongSpec { 1800.0 } });
    memo.timerCallback();
    EXPECT_TRUE (memo.summaryLabel.getText().startsWith ("Gig (2 songs)\nTotal time: 1:00:00\nEstimate finish: "));
    EXPECT_EQ (memo.memoText, "Album\nSong 1");

    player->setMemoLbl ("[LEFT]C       G\nLet it ring");
    EXPECT_EQ (memo.memoLabel.getText(), "C       G\nLet it ring");
    EXPECT_EQ (memo.memoLabel.getJustificationType(), juce::Justification (juce::Justification::centredLeft));
    EXPECT_EQ (memo.memoLabel.getFont().getTypefaceName(), juce::Font::getDefaultMonospacedFontName());

    ASSERT_EQ (playerMemoDisplay, &memo);
    playerMemoDisplay->setMemoLbl ("Chorus");
    EXPECT_EQ (memo.memoLabel.getText(), "Chorus");
    EXPECT_EQ (memo.memoLabel.getJustificationType(), juce::Justification (juce::Justification::centred));
    EXPECT_TRUE (memo.memoLabel.getFont().isBold());
}

TEST_F (SetTimelineTest, TransportButtonsDoNothingWithoutSongs)
{
    timeline->loadSet (shows.makeShow ({}), false);
    dialogs.clear();
    for (auto* button : { player->holder->playButton, player->holder->nextButton, player->holder->previousButton })
        player->holder->buttonClicked (button);
    EXPECT_EQ (dialogs.count(), 0) << "Play must not even ask for an output device";
    EXPECT_EQ (player->holder->playButton->getButtonText(), "Play");
}

TEST_F (SetTimelineTest, ShowPlayerTakesTheWaveformEditorAndLoadsEachSongIntoIt)
{
    // As in the main window: the editor's container starts in another panel,
    // whose tree owns it.
    ColouredBox mainPanel ("ColouredBox", juce::Colours::black);
    mainPanel.addAndMakeVisible (new Timeline());
    ASSERT_NE (::timeline, nullptr);

    player->setVisible (false);
    player->setVisible (true);
    EXPECT_EQ (::timeline->getParentComponent(), player->vertPanel.get());
    EXPECT_TRUE (::timeline->editor->playerMode);
    player->vertPanel->setSize (600, 1000);
    EXPECT_GT (::timeline->getHeight(), 0);
    EXPECT_LT (player->vertPanel->memoPanel->getHeight(), 1000);

    const int setId = shows.makeShow ({ SongSpec { 20.0 }, SongSpec { 20.0 } });
    const auto second = SetModel (setId).getSetElements()[1].getIntField ("LightShowID");
    LightShowModel (second).setFloatField ("AudioVolume", -6.0f);
    timeline->loadSet (setId, false);
    timeline->loadSong (1, false, false, false);

    EXPECT_EQ (::timeline->lightShowId, second);
    EXPECT_NEAR (backing->volumeGain.load(), 0.501f, 1e-3f);

    // The show player's panel now owns the container and deletes it with itself.
    player.reset();
    EXPECT_EQ (::timeline, nullptr);
}

TEST_F (SetTimelineTest, ViewFollowsTheHighlightAndTheZoomAnimationConverges)
{
    loadShow ({ SongSpec { 700.0 }, SongSpec { 700.0 }, SongSpec { 700.0 } });
    ASSERT_DOUBLE_EQ (timeline->viewEnd, 1800.0);

    // Without auto-zoom the view scrolls just enough to show the target.
    timeline->highlightNextSong (false, false);
    timeline->highlightNextSong (false, false);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 2100.0);
    EXPECT_DOUBLE_EQ (timeline->viewStart, 300.0);
    timeline->highlightPreviousSong (false, false);
    timeline->highlightPreviousSong (false, false);
    EXPECT_DOUBLE_EQ (timeline->viewStart, 0.0);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 1800.0);

    // With auto-zoom the view glides, halving the distance on every tick, to
    // [s - 2d, s - 2d + 5d] limited to the show.
    timeline->autoZoom = true;
    timeline->highlightNextSong (false, false);
    EXPECT_TRUE (timeline->zooming);
    EXPECT_DOUBLE_EQ (timeline->zoomTargetStart, 0.0);
    EXPECT_DOUBLE_EQ (timeline->zoomTargetEnd, 2100.0);
    timeline->timerCallback();
    EXPECT_DOUBLE_EQ (timeline->viewStart, 0.0);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 1950.0);
    for (int i = 0; i < 30 && timeline->zooming; ++i)
        timeline->timerCallback();
    EXPECT_FALSE (timeline->zooming);
    EXPECT_DOUBLE_EQ (timeline->viewEnd, 2100.0);
    EXPECT_DOUBLE_EQ (timeline->viewLength, 2100.0);
}

TEST (SetTimeRulerSteps, LabelAndTickStepsFollowTheSecondsPer75Pixels)
{
    struct Case
    {
        double length;
        int labelStep, tickStep;
    };
    // 750 pixels high: f = length / 10.
    const Case cases[] = { { 6010.0, 600, 300 }, { 6000.0, 300, 60 }, { 3000.0, 60, 30 }, { 600.0, 30, 10 },
                           { 301.0, 30, 10 },    { 300.0, 10, 5 },   { 100.0, 5, 1 } };
    for (auto& c : cases)
    {
        int label = 0, tick = 0;
        SetTimeRuler::stepsFor (c.length, 750, label, tick);
        EXPECT_EQ (label, c.labelStep) << c.length;
        EXPECT_EQ (tick, c.tickStep) << c.length;
    }
}
