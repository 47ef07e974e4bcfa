#include "platform/file_names.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/temp_dir.h"

using namespace platform;

namespace {
void Touch(const std::string& path) { std::ofstream(path) << "x"; }
} // namespace

// A name that is not valid text is shown with replacement characters; given back that way it
// is found again in its folder, unless two names there look the same.
TEST(FileNames, NamesShownWithReplacementCharactersAreFoundAgain)
{
    TempDir dir;
    const std::string folder = dir.path().string();
    const std::string bad = folder + "/bad\xff\xfe.wav";
    Touch(bad);
    Touch(folder + "/same\xff.wav");
    Touch(folder + "/same\xfe.wav");
    Touch(folder + "/plain.wav");

    const QString shown = FileNameToQt(bad);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/bad\uFFFD\uFFFD.wav")));
    EXPECT_NE(FileNameFromQt(shown), bad); // Qt's own way back loses the bytes
    EXPECT_EQ(ResolveFileNameFromQt(shown), bad);
    EXPECT_EQ(UndecodableNames(folder), (std::vector<std::string>{"bad\xff\xfe.wav", "same\xfe.wav", "same\xff.wav"}));

    // Two files shown alike: neither is taken for the other.
    const QString same = QString::fromStdString(folder) + QStringLiteral("/same\uFFFD.wav");
    EXPECT_EQ(ResolveFileNameFromQt(same), FileNameFromQt(same));
    // Names that are text, and names that match nothing, go through unchanged.
    EXPECT_EQ(ResolveFileNameFromQt(QString::fromStdString(folder + "/plain.wav")), folder + "/plain.wav");
    const QString missing = QString::fromStdString(folder) + QStringLiteral("/gone\uFFFD.wav");
    EXPECT_EQ(ResolveFileNameFromQt(missing), FileNameFromQt(missing));
    const std::string text = folder + "/caf\xc3\xa9.wav";
    EXPECT_EQ(FileNameFromQt(FileNameToQt(text)), text);
}

TEST(FileNames, DroppedUrlsGiveTheirBytes)
{
    EXPECT_EQ(FileNameFromUrl(QUrl::fromEncoded("file:///music/bad%FF%FE.wav")), "/music/bad\xff\xfe.wav");
    EXPECT_EQ(FileNameFromUrl(QUrl::fromEncoded("file:///music/a%20b%C3%A9.wav")), "/music/a b\xc3\xa9.wav");
    EXPECT_EQ(FileNameFromUrl(QUrl::fromLocalFile(QStringLiteral("/music/plain.wav"))), "/music/plain.wav");
    EXPECT_EQ(FileNameFromUrl(QUrl(QStringLiteral("https://example.org/a.wav"))), "");
}
