// The plug-in's window with no display: the size a host is told through the record, and the
// window's image the project's tool paints.
#include "VstHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace
{
std::string home() { return std::getenv ("HOME"); }

void storeWindowSize (const std::string& width, const std::string& height)
{
    ASSERT_EQ (std::system (("mkdir -p '" + home() + "/Mordwick'").c_str()), 0);
    std::ofstream (home() + "/Mordwick/Varlune.prefs")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
        << "  <VALUE name=\"LastWidth\" val=\"" << width << "\"/>\n"
        << "  <VALUE name=\"LastHeight\" val=\"" << height << "\"/>\n</PROPERTIES>\n";
}

// Every folder and file under the home folder, with the files' contents.
std::map<std::string, std::string> homeContents()
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator (home()))
    {
        std::ifstream in (entry.path(), std::ios::binary);
        contents[entry.path()] = entry.is_directory() ? "folder" : std::string ((std::istreambuf_iterator<char> (in)), {});
    }
    return contents;
}

std::pair<int, int> measuredSize (VstHost& host)
{
    EditorRect* rect = nullptr;
    EXPECT_EQ (host.dispatch (EffectOpcode::EditorGetRect, 0, 0, &rect), 1);
    return rect == nullptr ? std::pair (0, 0) : std::pair (rect->right - rect->left, rect->bottom - rect->top);
}
} // namespace

TEST (PluginWindow, TheRecordReportsTheSizeTheWindowOpensAt)
{
    {
        VstHost host (VARLUNE_PLUGIN_PATH);
        ASSERT_TRUE (host.isLoaded()) << host.getError();
        EXPECT_NE (host.getEffect()->flags & EffectFlag::HasEditor, 0);
        EXPECT_EQ (measuredSize (host), std::pair (1000, 700));
    }

    struct Case { const char* width; const char* height; int expectedWidth, expectedHeight; };
    const Case cases[] = {
        { "1200.9", "840.9", 1200, 840 },
        { "800", "500", 800, 500 },
        { "50000", "40000", 2000, 1400 },  // a rectangle's 16-bit sides could not hold it
    };

    for (const auto& c : cases)
    {
        storeWindowSize (c.width, c.height);
        VstHost host (VARLUNE_PLUGIN_PATH);
        EXPECT_EQ (measuredSize (host), std::pair (c.expectedWidth, c.expectedHeight)) << c.width << " x " << c.height;
    }
}

TEST (PluginWindow, TheLibraryAnswersNoPrivateRequestAndWritesNothing)
{
    VstHost host (VARLUNE_PLUGIN_PATH);
    ASSERT_TRUE (host.isLoaded()) << host.getError();

    // Earlier builds wrote the window's image on this request, from whatever thread asked.
    constexpr std::int32_t writeWindowImage = fourCharCode ("VlEi");
    std::string path = home() + "/window.png";
    EXPECT_EQ (host.dispatch (EffectOpcode::VendorSpecific, writeWindowImage, 0, path.data()), 0);
    EXPECT_FALSE (std::ifstream (path).good());
}

TEST (PluginWindow, TheImageToolPaintsTheNewUsersWindowAndLeavesTheHomeFolderAlone)
{
    storeWindowSize ("800", "500");
    const auto before = homeContents();

    const std::string path = home() + "/window.png";
    ASSERT_EQ (std::system (("env -u DISPLAY '" VARLUNE_EDITOR_PNG_PATH "' '" + path + "'").c_str()), 0);

    std::ifstream in (path, std::ios::binary);
    const std::vector<unsigned char> png ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
    ASSERT_GT (png.size(), 33u);
    EXPECT_EQ (std::string (png.begin() + 1, png.begin() + 4), "PNG");
    const auto be32 = [&png] (size_t at) { return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3]; };
    EXPECT_EQ (be32 (16), 1000);
    EXPECT_EQ (be32 (20), 700);

    std::filesystem::remove (path);
    EXPECT_EQ (homeContents(), before);
}
