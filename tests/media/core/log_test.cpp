// The log file: creation, the stamped and indented line format, line ends,
// the dated name and the bounded printf form.
#include "media/core/log.hpp"

#include "log_folder.hpp"
#include "media/core/internal.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using media::core::log_state;
using Log = media_test::log_folder;

TEST_F(Log, OutputOffCreatesNothing)
{
    EXPECT_EQ(SetLogOutputEnabled(0), 0);
    EXPECT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(LogWrite("abc\n"), -1);
    EXPECT_EQ(LogPrintf("%d", 5), -1);
    EXPECT_FALSE(exists("Log.txt"));
}

TEST_F(Log, OpeningReplacesTheFileWithAnEmptyOne)
{
    dir_.file("Log.txt", "old text");
    EXPECT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(read(), "");
}

TEST_F(Log, NothingIsWrittenBeforeTheLogIsOpened)
{
    EXPECT_EQ(LogWrite("early\n"), -1);
    EXPECT_FALSE(exists("Log.txt"));
}

TEST_F(Log, LinesAreStampedOnceAndIndented)
{
    platform::headless::set_clock(1000);
    ASSERT_EQ(OpenLogFile(), 1);
    platform::headless::advance_clock(25);
    EXPECT_EQ(LogWrite("abc"), -1);
    platform::headless::advance_clock(5);
    EXPECT_EQ(LogWrite("def\n"), -1);
    EXPECT_EQ(read(), "25:abcdef\r\n");

    EXPECT_EQ(LogIndentIn(), 0);
    LogIndentIn();
    LogWrite("x\n");
    EXPECT_EQ(LogIndentOut(), 0);
    LogIndentOut();
    EXPECT_EQ(LogIndentOut(), 0);
    EXPECT_EQ(log_state.indent, 0);
    LogWrite("y\n");
    EXPECT_EQ(read(), "25:abcdef\r\n30:\t\tx\r\n30:y\r\n");
}

TEST_F(Log, TheStampCountsFromOpeningAndWraps)
{
    platform::headless::set_clock(0xFFFFFFF0u);
    ASSERT_EQ(OpenLogFile(), 1);
    platform::headless::advance_clock(0x20);  // the 32-bit clock wraps
    LogWrite("a\n");
    EXPECT_EQ(read(), "32:a\r\n");
}

TEST_F(Log, LineEndsBecomeCrLfUpToTheFirstOneThatIsAlready)
{
    const std::string long_text = std::string(200, 'x') + "\n" + std::string(200, 'y') + "\n";
    const std::string long_written = std::string(200, 'x') + "\r\n" + std::string(200, 'y') + "\r\n";
    const struct {
        const char* what;
        std::string text, written;
    } rows[] = {
        {"bare line feeds", "a\nb\n", "a\r\nb\r\n"},
        {"a first line feed", "\nb", "\r\nb"},
        {"after the first CR LF nothing changes", "a\r\nb\nc", "a\r\nb\nc"},
        {"two line feeds", "a\n\nb", "a\r\n\r\nb"},
        {"trail byte 0A", "\x81\x0A\x78\x0A", "\x81\x0A\x78\x0D\x0A"},
        {"lone lead byte at the end", "\n\x81", "\r\n\x81"},
        {"a CR alone", "a\rb", "a\rb"},
        {"longer than the local buffer", long_text, long_written},
    };
    log_state.stamp_off = 1;
    for (const auto& r : rows) {
        ASSERT_EQ(OpenLogFile(), 1);
        LogWrite(r.text.c_str());
        EXPECT_EQ(read(), r.written) << r.what;
    }
    EXPECT_EQ(media::core::alloc_state.count, 0);  // the long text's buffer went back
}

TEST_F(Log, WithoutMemoryForTheConversionTheTextGoesAsItStands)
{
    ASSERT_EQ(OpenLogFile(), 1);
    const std::string text = std::string(300, 'z') + "\n";
    // every request fails, the allocator's own failure dump included: it
    // does not dump again
    media::core::fail_next_heap_requests(1000);
    EXPECT_EQ(LogWrite(text.c_str()), -1);
    media::core::fail_next_heap_requests(0);
    const std::string log = read();
    EXPECT_NE(log.find("0:Alloc memory dump\r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - text.size() - 2), "0:" + text);
}

TEST_F(Log, DatedName)
{
    platform::headless::set_local_time({2010, 7, 11, 13, 5, 9});
    log_state.dated_name = 1;
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_TRUE(exists("Log2010_7_11_13_5_9.txt"));
    LogWrite("a\n");
    EXPECT_EQ(read("Log2010_7_11_13_5_9.txt"), "0:a\r\n");
    EXPECT_FALSE(exists("Log.txt"));
}

TEST_F(Log, PrintfAddsALineFeedAndCutsLongText)
{
    ASSERT_EQ(OpenLogFile(), 1);
    EXPECT_EQ(LogPrintf("%s=%d", "n", 42), -1);
    EXPECT_EQ(read(), "0:n=42\r\n");

    ASSERT_EQ(OpenLogFile(), 1);
    const std::string long_text(5000, 'q');
    LogPrintf("%s", long_text.c_str());
    EXPECT_EQ(read(), "0:" + std::string(1022, 'q') + "\r\n");
}

// The log folder is kept as the OS names it, so the log of any current
// folder lands in that folder and nowhere else: not in a sibling "caf?" that
// a code page copy of "café" would name, not in "x/y" for "x\y", and not
// beside a folder too long for a 260-byte field.
TEST_F(Log, TheLogLandsInTheCurrentFolderWhateverItsName)
{
    const struct {
        const char* what;
        std::string folder;  // under the test's folder, as bytes
    } rows[] = {
        {"a name outside code page 932", "caf\xC3\xA9"},
        {"Latin-1 bytes, not UTF-8", "caf\xE9"},
        {"a backslash", "x\\y"},
        {"a kanji whose second CP932 byte is a backslash", "\xE8\xA1\xA8"},
        {"longer than 260 bytes", std::string(150, 'a') + "/" + std::string(150, 'b')},
    };
    for (const char* decoy : {"caf?", "caf\xE3\x83\xBB", "x/y", "x"})
        dir_.folder(decoy);
    for (const auto& r : rows) {
        dir_.folder(r.folder);
        std::filesystem::current_path(dir_.at(r.folder));
        ASSERT_EQ(media::core::store_log_folder(), 0) << r.what;
        std::filesystem::current_path(dir_.path());  // the log does not follow the current folder
        ASSERT_EQ(OpenLogFile(), 1);
        LogWrite("a\n");
        EXPECT_EQ(read(r.folder + "/Log.txt"), "0:a\r\n") << r.what;
    }
    for (const char* decoy : {"caf?", "caf\xE3\x83\xBB", "x/y", "x", ""})
        EXPECT_FALSE(exists(std::string(decoy) + (*decoy ? "/" : "") + "Log.txt")) << decoy;
}

TEST_F(Log, NoCurrentFolderGivesNoLog)
{
    dir_.folder("doomed");
    std::filesystem::current_path(dir_.at("doomed"));
    std::filesystem::remove(dir_.at("doomed"));
    EXPECT_EQ(media::core::store_log_folder(), -1);
    std::filesystem::current_path(dir_.path());
    EXPECT_EQ(OpenLogFile(), 1);
    LogWrite("a\n");
    EXPECT_FALSE(exists("Log.txt"));
}

}  // namespace
