#include "ui/EmbeddedImages.h"

#include <gtest/gtest.h>

TEST (EmbeddedImages, ResourceNamesReplaceEveryDot)
{
    EXPECT_EQ (EmbeddedImages::resourceNameFor ("ok_48.png"), "ok_48_png");
    EXPECT_EQ (EmbeddedImages::resourceNameFor ("midi-green.png"), "midi-green_png");
    EXPECT_EQ (EmbeddedImages::resourceNameFor ("a.b.c"), "a_b_c");
    EXPECT_EQ (EmbeddedImages::resourceNameFor ("looping_png"), "looping_png");
}

TEST (EmbeddedImages, EveryImageIsThereAtItsSize)
{
    struct Case
    {
        const char* name;
        int width, height;
    };
    const Case cases[] = {
        { "ok_48.png", 48, 48 },      { "add_48x.png", 48, 48 },    { "copy_48x.png", 48, 48 },
        { "edit_48x.png", 48, 48 },   { "play_48x.png", 48, 48 },   { "pause_48x.png", 48, 48 },
        { "close_48x.png", 48, 48 },  { "first_48x.png", 48, 48 },  { "reload_48x.png", 48, 48 },
        { "refresh_48.png", 48, 48 }, { "next_48.png", 48, 48 },    { "zoom_48.png", 48, 48 },
        { "midi-green.png", 48, 48 }, { "paste_48.png", 48, 48 },
        { "looping_png", 240, 240 },      // asked for by resource name
        { "rascreenlogo_png", 276, 70 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto image = EmbeddedImages::getImage (c.name);
        ASSERT_TRUE (image.isValid());
        EXPECT_EQ (image.getWidth(), c.width);
        EXPECT_EQ (image.getHeight(), c.height);
        EXPECT_TRUE (image.hasAlphaChannel());

        // Something is drawn, and not everywhere: the pictures sit on transparency.
        int opaque = 0, clear = 0;
        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto alpha = image.getPixelAt (x, y).getAlpha();
                opaque += alpha > 0xc0 ? 1 : 0;
                clear += alpha < 0x10 ? 1 : 0;
            }
        }
        EXPECT_GT (opaque, 0);
        EXPECT_GT (clear, 0);

        EXPECT_NE (EmbeddedImages::getDrawable (c.name), nullptr);
    }
}

TEST (EmbeddedImages, UnknownNamesYieldNothing)
{
    for (const char* name : { "glue_48.png", "glue_48_png", "", "ok_48", "OK_48.png", "looping.png.png" })
    {
        SCOPED_TRACE (name);
        int size = -1;
        EXPECT_EQ (EmbeddedImages::getNamedResource (name, size), nullptr);
        EXPECT_EQ (size, 0);
        EXPECT_FALSE (EmbeddedImages::getImage (name).isValid());
        EXPECT_EQ (EmbeddedImages::getDrawable (name), nullptr);
    }
}

TEST (EmbeddedImages, FileAndResourceNamesFindTheSameBytes)
{
    int byFile = 0, byResource = 0;
    const auto* a = EmbeddedImages::getNamedResource ("looping.png", byFile);
    const auto* b = EmbeddedImages::getNamedResource ("looping_png", byResource);
    ASSERT_NE (a, nullptr);
    EXPECT_EQ (a, b);
    EXPECT_EQ (byFile, byResource);

    // PNG signature.
    EXPECT_EQ (juce::MemoryBlock (a, 8), juce::MemoryBlock ("\x89PNG\r\n\x1a\n", 8));
}
