// File names for stored names: every unsafe kind of name, the limits of
// length, and numbering within a folder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "facts/FileNames.h"
#include "tests/common/AllocationProbe.h"

namespace {

using FileNames::FileName;

TEST(FileNames, UnsafeNamesAreEscaped) {
    struct Case {
        std::string name;
        std::string file;  // with ".wav"
    };
    const std::vector<Case> cases = {
        {"Bell", "Bell.wav"},
        {"Wind 01;x", "Wind 01;x.wav"},
        {"", "%.wav"},
        {".", "%2E.wav"},
        {"..", ".%2E.wav"},
        {"a\\b/c:d*e?f\"g<h>i|j", "a%5Cb%2Fc%3Ad%2Ae%3Ff%22g%3Ch%3Ei%7Cj.wav"},
        {"100%", "100%25.wav"},
        {"%2F", "%252F.wav"},
        {std::string("a\0b\x1F\x7F", 5), "a%00b%1F%7F.wav"},
        {"Bell.", "Bell%2E.wav"},
        {"Bell ", "Bell%20.wav"},
        {" Bell", " Bell.wav"},
        {"Bell. .", "Bell. %2E.wav"},
        {"CON", "CO%4E.wav"},
        {"con", "co%6E.wav"},
        {"Nul.txt", "Nu%6C.txt.wav"},
        {"aux .x", "au%78 .x.wav"},
        {"PRN ", "PR%4E%20.wav"},
        {"COM1", "COM%31.wav"},
        {"lpt9.a.b", "lpt%39.a.b.wav"},
        {"COM0", "COM%30.wav"},
        {"CONIN$", "CONIN%24.wav"},
        {"COM\xC2\xB9", "COM%C2%B9.wav"},
        {"COM10", "COM10.wav"},
        {"CONOUT$", "CONOUT%24.wav"},                                 // the longest device name: 7
        {"conout$ .txt", "conout%24 .txt.wav"},
        {"CONOUT$$", "CONOUT$$.wav"},                                 // 8 characters: no device
        {"CONIN$x", "CONIN$x.wav"},
        {"LPT\xC2\xB3 .a", "LPT%C2%B3 .a.wav"},                       // a superscript and blanks
        {"lpt\xC2\xB9\xC2\xB9", "lpt\xC2\xB9\xC2\xB9.wav"},
        {"COM\xC2\xB2\xC3\xA9", "COM\xC2\xB2\xC3\xA9.wav"},
        {"COM\xC2\xB4", "COM\xC2\xB4.wav"},                             // no superscript digit
        {"AU\xC3\x98", "AU\xC3\x98.wav"},
        {"LPT", "LPT.wav"},
        {"CO", "CO.wav"},
        {"NUL\xC2\xA0", "NUL\xC2\xA0.wav"},                             // a no-break space is no blank
        {"Bell\xC2\xA0", "Bell\xC2\xA0.wav"},
        {"~Bell", "~Bell.wav"},
        {"CONSOLE", "CONSOLE.wav"},
        {"xCON", "xCON.wav"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9.wav"},             // UTF-8 stays
        {"\xC2\x9B", "\xC2\x9B.wav"},                                 // a C1 control is a valid character
        {"\xFF\xC3(\xE2\x82", "%FF%C3(%E2%82.wav"},                   // not UTF-8
        {"\xC0\xAF\xED\xA0\x80", "%C0%AF%ED%A0%80.wav"},              // overlong, surrogate
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileName(c.name, 1, ".wav"), c.file) << c.name;
        EXPECT_EQ(FileNames::IsSafe(c.name, ".wav"), c.name + ".wav" == c.file) << c.name;
    }
    EXPECT_EQ(FileName("CON", 1, ""), "CO%4E");
    EXPECT_EQ(FileName("Bell", 12, ".wav"), "Bell (12).wav");
}

TEST(FileNames, LongNamesAreCutToFitWithNumberAndExtension) {
    struct Case {
        std::string name;
        unsigned number;
        std::string file;
    };
    const std::string a251(251, 'a');
    const std::vector<Case> cases = {
        {a251, 1, a251 + ".wav"},                                       // exactly 255
        {a251 + "b", 1, a251 + ".wav"},                                 // one over
        {a251, 2, std::string(247, 'a') + " (2).wav"},                  // room for the number
        {a251, 100, std::string(245, 'a') + " (100).wav"},
        {std::string(249, 'a') + "%", 1, std::string(249, 'a') + ".wav"},          // never half an escape
        {std::string(248, 'a') + "%", 1, std::string(248, 'a') + "%25.wav"},
        {std::string(249, 'a') + "\xC3\xA9", 1, std::string(249, 'a') + "\xC3\xA9.wav"},
        {std::string(250, 'a') + "\xC3\xA9", 1, std::string(250, 'a') + ".wav"},  // never half a character
        {std::string(250, 'a') + ".b", 1, std::string(248, 'a') + "%2E.wav"},     // a cut that ends in a dot
        {std::string(300, ' '), 1, std::string(248, ' ') + "%20.wav"},
    };
    for (const Case& c : cases) {
        const std::string file = FileName(c.name, c.number, ".wav");
        EXPECT_EQ(file, c.file) << c.name.size();
        EXPECT_LE(file.size(), FileNames::kMaxFileName);
    }
    EXPECT_EQ(FileName(std::string(300, 'x'), 1, ""), std::string(255, 'x'));
}

TEST(FileNames, EachNameOfAFolderGetsAFileOfItsOwn) {
    FileNames::FolderNames folder;
    const std::vector<std::pair<std::string, std::string>> taken = {
        {"Bell", "Bell.wav"},
        {"Bell", "Bell (2).wav"},
        {"BELL", "BELL (3).wav"},
        {"Bell (2)", "Bell (2) (2).wav"},
        {"Bell (4)", "Bell (4).wav"},
        {"bell", "bell (5).wav"},
        {"a/b", "a%2Fb.wav"},
        {"a%2Fb", "a%252Fb.wav"},
        {"A/B", "A%2FB (2).wav"},
        {"", "%.wav"},
        {"", "% (2).wav"},
        {"CON", "CO%4E.wav"},
        {"co%4e", "co%254e.wav"},
    };
    for (const auto& [name, file] : taken) EXPECT_EQ(folder.Take(name, ".wav"), file) << name;
    // Folders are named by the same rules, without an extension.
    FileNames::FolderNames root;
    EXPECT_EQ(root.Take("Ambient", ""), "Ambient");
    EXPECT_EQ(root.Take("ambient", ""), "ambient (2)");
    EXPECT_EQ(root.Take("Ambient.", ""), "Ambient%2E");
}

// The folder's names against the plainest rule there is -- every file name
// given kept, the lowest free number tried from where the name's last one
// stopped -- over names that meet by case, by number and by being cut to fit,
// with both extensions in one folder.
TEST(FileNames, NumberingMatchesKeepingEveryName) {
    struct Plain {
        std::unordered_set<std::string> taken;
        std::unordered_map<std::string, unsigned> next;
        std::string Take(const std::string& name, const std::string& extension) {
            std::string file = FileName(name, 1, extension);
            std::string key = FileNames::AsciiLower(file);
            unsigned& number = next.try_emplace(key, 2).first->second;
            if (taken.insert(key).second) return file;
            for (;;) {
                file = FileName(name, number++, extension);
                if (taken.insert(FileNames::AsciiLower(file)).second) return file;
            }
        }
    };
    const std::vector<std::string> stems = {"Bell", "bell", "Bell (2)", "Bell (3)", "Bell (9)", "bell (10)", "Bell (02)",
                                            "bell (19)", "Bell (90)",
                                            "Bell.wav", "Bell.wav (2)", "", " (2)", "x (2) (2)",
                                            std::string(251, 'L'), std::string(250, 'L'), std::string(249, 'l') + " (2)",
                                            std::string(300, 'M')};
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        FileNames::FolderNames folder;
        Plain plain;
        for (int n = 0; n < 400; ++n) {
            const std::string& name = stems[random() % stems.size()];
            const std::string extension = random() % 4 == 0 ? "" : random() % 2 ? ".wav" : ".WAV";
            ASSERT_EQ(folder.Take(name, extension), plain.Take(name, extension)) << round << " " << n;
        }
    }
}

// A million sounds of one name keep nothing per sound.
TEST(FileNames, OneNameNumberedOftenCostsOneEntry) {
    FileNames::FolderNames folder;
    TestSupport::AllocationProbe probe;
    std::string last;
    for (unsigned n = 1; n <= 100000; ++n) last = folder.Take("Empty", ".wav");
    EXPECT_EQ(last, "Empty (100000).wav");
    // A name that is one of the numbered ones is numbered in turn; one past
    // them is not.
    EXPECT_EQ(folder.Take("empty (99999)", ".wav"), "empty (99999) (2).wav");
    EXPECT_EQ(folder.Take("Empty (100001)", ".wav"), "Empty (100001).wav");
    EXPECT_EQ(folder.Take("Empty", ".wav"), "Empty (100002).wav");
    EXPECT_LT(probe.PeakHeld(), 4096u);
}

}  // namespace
