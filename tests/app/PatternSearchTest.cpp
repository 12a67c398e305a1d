// File patterns: which files a search lists, and when it ends.

#include "app/TPatternSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PatternSearch, ListsNormalFilesMatchingAnyCaseAndEndsAfterTheLast)
{
    QTemporaryDir dir;
    QDir d(dir.path());
    for (const char* name : { "Clip1.AVI", "clip2.avi", "clip.avi.txt", ".hidden.avi", "[x].avi" }) {
        QFile f(d.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(d.mkdir(QStringLiteral("folder.avi")));

    TPatternSearch search;
    QStringList found;
    for (bool more = search.FindFirst(d.filePath(QStringLiteral("*.avi"))); more; more = search.FindNext())
        found << search.Name();
    found.sort();
    EXPECT_EQ(found,
        (QStringList {
            QStringLiteral("Clip1.AVI"), QStringLiteral("[x].avi"), QStringLiteral("clip2.avi") }));
    EXPECT_FALSE(search.IsOpen());
    EXPECT_FALSE(search.FindNext());

    // Brackets are characters, "?" one character.
    ASSERT_TRUE(search.FindFirst(d.filePath(QStringLiteral("[x].*"))));
    EXPECT_EQ(search.Name(), QStringLiteral("[x].avi"));
    ASSERT_TRUE(search.FindFirst(d.filePath(QStringLiteral("clip?.avi"))));
    EXPECT_TRUE(search.FindNext());
    EXPECT_FALSE(search.FindNext());

    // A plain name is that very file; a folder or a missing file is nothing.
    ASSERT_TRUE(search.FindFirst(d.filePath(QStringLiteral("clip2.avi"))));
    EXPECT_EQ(search.Name(), QStringLiteral("clip2.avi"));
    EXPECT_FALSE(search.FindFirst(d.filePath(QStringLiteral("folder.avi"))));
    EXPECT_FALSE(search.FindFirst(d.filePath(QStringLiteral("CLIP2.AVI.none"))));
    EXPECT_FALSE(search.FindFirst(d.filePath(QStringLiteral("nowhere/*.avi"))));
    EXPECT_EQ(TPatternSearch::FolderOf(QStringLiteral("/v/x/*.avi")), QStringLiteral("/v/x/"));
}
