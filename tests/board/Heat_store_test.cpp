#include "board/Heat_store.h"

#include "tests/board/Heat_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wk::test {
namespace {

std::vector<QString> Ids(const Store_changes& changes)
{
    std::vector<QString> ids;
    for (const Heat_version* v : changes.changed)
        ids.push_back(v->id);
    return ids;
}

TEST(HeatStore, ADamagedFileKeepsTheLastGoodVersionUntilAGoodOneComes)
{
    const QByteArray good = Heat_json({});
    struct Case {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"half-written", good.left(good.size() / 2)},
        {"empty", ""},
        {"not an object", "[1,2]"},
        {"another heat's id", Heat_json({.id = "H2"})},
        {"unknown state", Heat_json({.state = "final"})},
        {"no rows", QByteArray(good).replace("\"rows\"", "\"rowz\"")},
        {"negative revision", Heat_json({.revision = -1})},
        {"too large", QByteArray(int(Heat_store::max_file_bytes) + 1, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        Write_heat(folder.path(), "H1", good);
        Heat_store store({folder.path().toStdString()});
        ASSERT_EQ(Ids(store.Rescan()), std::vector<QString>{"H1"});

        Write_heat(folder.path(), "H1", c.bytes);
        const Store_changes damaged = store.Rescan();
        EXPECT_TRUE(damaged.Empty());
        EXPECT_EQ(damaged.problems.size(), 1u);
        ASSERT_NE(store.Find("H1"), nullptr);
        EXPECT_EQ(store.Find("H1")->json, good);
        EXPECT_TRUE(store.Rescan().problems.empty()) << "told once, not at every rescan";

        const QByteArray mended = Heat_json({.state = "official", .revision = 2, .time = "2:01,00"});
        Write_heat(folder.path(), "H1", mended);
        EXPECT_EQ(Ids(store.Rescan()), std::vector<QString>{"H1"});
        EXPECT_EQ(store.Find("H1")->json, mended);
    }
}

TEST(HeatStore, ListsNewestFirstAndForgetsRemovedHeats)
{
    QTemporaryDir a, b;
    Write_heat(a.path(), "H1", Heat_json({.id = "H1", .updated = "2026-12-09T20:00:00Z"}));
    Write_heat(a.path(), "H2", Heat_json({.id = "H2", .updated = "2026-12-09T21:00:00Z"}));
    Write_heat(b.path(), "M1", Heat_json({.id = "M1", .updated = "2026-12-09T20:30:00Z"}));
    // Names that are no heat id are never read, nor is a link that leads out of the folder.
    Write_heat(b.path(), "not a heat", Heat_json({.id = "not a heat"}));
    QTemporaryDir outside;
    Write_heat(outside.path(), "H3", Heat_json({.id = "H3"}));
    ASSERT_TRUE(QFile::link(outside.filePath("H3.json"), b.filePath("H3.json")));
    Heat_store store({a.path().toStdString() + "/", b.path().toStdString()});
    store.Rescan();
    const QByteArray list = store.Heat_list();
    const auto h2 = list.indexOf("\"H2\""), m1 = list.indexOf("\"M1\""), h1 = list.indexOf("\"H1\"");
    EXPECT_TRUE(h2 >= 0 && h2 < m1 && m1 < h1) << list.toStdString();
    EXPECT_FALSE(list.contains("not a heat"));
    EXPECT_FALSE(list.contains("H3"));

    ASSERT_TRUE(QFile::remove(a.filePath("H2.json")));
    const Store_changes changes = store.Rescan();
    EXPECT_EQ(changes.removed, std::vector<QString>{"H2"});
    EXPECT_EQ(store.Find("H2"), nullptr);
    EXPECT_FALSE(store.Heat_list().contains("H2"));
}

TEST(HeatStore, TheFirstFolderNamedServesAnIdTwoStationsShare)
{
    QTemporaryDir a, b;
    Write_heat(a.path(), "H1", Heat_json({.name = "From A"}));
    Write_heat(b.path(), "H1", Heat_json({.name = "From B"}));
    Heat_store store({a.path().toStdString(), b.path().toStdString()});
    store.Rescan();
    ASSERT_NE(store.Find("H1"), nullptr);
    EXPECT_TRUE(store.Find("H1")->json.contains("From A"));
    ASSERT_TRUE(QFile::remove(a.filePath("H1.json")));
    EXPECT_EQ(Ids(store.Rescan()), std::vector<QString>{"H1"});
    EXPECT_TRUE(store.Find("H1")->json.contains("From B"));
}

TEST(HeatStore, AFolderThatCannotBeListedKeepsItsHeats)
{
    QTemporaryDir top;
    const QString folder = top.filePath("results"), away = top.filePath("away");
    Heat_store store({folder.toStdString()});
    EXPECT_EQ(store.Rescan().problems.size(), 1u) << "a folder not made yet is told of";
    ASSERT_TRUE(QDir().mkpath(folder));
    Write_heat(folder, "H1", Heat_json({}));
    EXPECT_EQ(Ids(store.Rescan()), std::vector<QString>{"H1"});

    ASSERT_TRUE(QDir().rename(folder, away));
    const Store_changes gone = store.Rescan();
    EXPECT_TRUE(gone.removed.empty());
    EXPECT_EQ(gone.problems.size(), 1u);
    EXPECT_TRUE(store.Rescan().problems.empty()) << "told once";
    EXPECT_NE(store.Find("H1"), nullptr);

    ASSERT_TRUE(QDir().rename(away, folder));
    Write_heat(folder, "H1", Heat_json({.revision = 2}));
    EXPECT_EQ(Ids(store.Rescan()), std::vector<QString>{"H1"});
}

} // namespace
} // namespace wk::test
