// The image list's order, sorting and filtering, in one table over a fixed set
// of entries whose expected orders are written out by hand.
#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QStringList>

#include "list/ui/image_list_filter.h"
#include "list/ui/image_list_model.h"

namespace vorel::ui {
namespace {

ImageListEntry MakeEntry(const char* title, const char* file, int type, int bits, int w, int h, int palettes,
                         std::int64_t offset, int imageNo) {
    ImageListEntry e;
    e.title = QString::fromUtf8(title);
    e.file = QString::fromUtf8(file);
    e.record.sourceType = type;
    e.record.bitCount = bits;
    e.record.width = w;
    e.record.height = h;
    e.record.paletteCount = palettes;
    e.record.fileOffset = offset;
    e.record.imageNo = imageNo;
    return e;
}

// Two searches: B.BIN first (found in this order), then A.BIN.
std::vector<ImageListEntry> Entries() {
    return {
        MakeEntry("B_002", "/d/B.BIN", kSourceTim, 8, 64, 32, 4, 0x200, 2),
        MakeEntry("B_010", "/d/B.BIN", kSourceTim, 16, 8, 8, 1, 0x900, 10),
        MakeEntry("B_1000", "/d/B.BIN", kSourceBmp, 24, 320, 240, 1, 0x40, 1000),
        MakeEntry("A_001", "/d/A.BIN", kSourceTim, 4, 16, 16, 2, 0x10, 1),
        MakeEntry("A_002", "/d/A.BIN", kSourceBmp, 1, 48, 4, 1, 0x5000, 2),
    };
}

struct Case {
    const char* what;
    int column;  // -1: the order found
    Qt::SortOrder order;
    const char* text;
    QStringList hiddenKinds;
    int minimumSize;
    QStringList expected;
};

TEST(ImageListModel, OrderSortingAndFilteringAsTheTableSays) {
    using M = CImageListModel;
    const Case cases[] = {
        {"as found", -1, Qt::AscendingOrder, "", {}, 0, {"B_002", "B_010", "B_1000", "A_001", "A_002"}},
        {"title: file, then number", M::kTitle, Qt::AscendingOrder, "", {}, 0,
         {"A_001", "A_002", "B_002", "B_010", "B_1000"}},
        {"title descending", M::kTitle, Qt::DescendingOrder, "", {}, 0,
         {"B_1000", "B_010", "B_002", "A_002", "A_001"}},
        {"kind: TIM before BMP, by depth", M::kKind, Qt::AscendingOrder, "", {}, 0,
         {"A_001", "B_002", "B_010", "A_002", "B_1000"}},
        {"width", M::kWidth, Qt::AscendingOrder, "", {}, 0, {"B_010", "A_001", "A_002", "B_002", "B_1000"}},
        {"height", M::kHeight, Qt::DescendingOrder, "", {}, 0, {"B_1000", "B_002", "A_001", "B_010", "A_002"}},
        {"palettes, ties as found", M::kPalettes, Qt::AscendingOrder, "", {}, 0,
         {"B_010", "B_1000", "A_002", "A_001", "B_002"}},
        {"offset", M::kOffset, Qt::AscendingOrder, "", {}, 0, {"A_001", "B_1000", "B_002", "B_010", "A_002"}},
        {"file, then offset", M::kFile, Qt::AscendingOrder, "", {}, 0,
         {"A_001", "A_002", "B_1000", "B_002", "B_010"}},
        {"text in the title", -1, Qt::AscendingOrder, "_00", {}, 0, {"B_002", "A_001", "A_002"}},
        {"text in the file, any case", -1, Qt::AscendingOrder, "a.bin", {}, 0, {"A_001", "A_002"}},
        {"kinds hidden", -1, Qt::AscendingOrder, "", {"TIM8", "BMP24", "TIM4"}, 0, {"B_010", "A_002"}},
        {"smaller than 16 x 16 hidden", -1, Qt::AscendingOrder, "", {}, 16, {"B_002", "B_1000", "A_001"}},
        {"all three, sorted", M::kWidth, Qt::DescendingOrder, "b_", {"TIM16"}, 9, {"B_1000", "B_002"}},
        {"nothing matches", -1, Qt::AscendingOrder, "zzz", {}, 0, {}},
    };
    for (const Case& c : cases) {
        CImageListModel model;
        model.Append(Entries());
        CImageListFilter filter(&model);
        filter.SetText(QString::fromUtf8(c.text));
        for (const QString& kind : c.hiddenKinds) filter.SetKindShown(kind, false);
        filter.SetMinimumSize(c.minimumSize);
        filter.sort(c.column, c.order);
        QStringList shown;
        for (int row = 0; row < filter.rowCount(); ++row) {
            const QModelIndex index = filter.index(row, CImageListModel::kTitle);
            shown << index.data().toString();
            // A screen reader names the entry after its title.
            EXPECT_EQ(index.data(Qt::AccessibleTextRole).toString(), shown.last());
        }
        EXPECT_EQ(shown, c.expected) << c.what;
    }
}

TEST(ImageListModel, ColumnsKindsRemovalAndClearing) {
    CImageListModel model;
    model.Append(Entries());
    model.Append({MakeEntry("C_001", "/d/C.BIN", kSourceTim, 24, 2, 2, 1, 0, 1)});
    ASSERT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.columnCount(), CImageListModel::kColumnCount);
    const auto text = [&](int row, int column) { return model.index(row, column).data().toString(); };
    EXPECT_EQ(text(0, CImageListModel::kKind), QStringLiteral("TIM8"));
    EXPECT_EQ(text(2, CImageListModel::kKind), QStringLiteral("BMP24"));
    EXPECT_EQ(text(4, CImageListModel::kKind), QStringLiteral("BMP1"));
    EXPECT_EQ(text(0, CImageListModel::kOffset), QStringLiteral("0x00000200"));
    EXPECT_EQ(text(3, CImageListModel::kFile), QStringLiteral("A.BIN"));
    EXPECT_EQ(text(5, CImageListModel::kTitle), QStringLiteral("C_001"));
    // Ids are unique and never reused.
    EXPECT_LT(model.Entry(0).id, model.Entry(5).id);

    model.RemoveRows({4, 1, 2, 4});
    QStringList left;
    for (int row = 0; row < model.rowCount(); ++row) left << text(row, CImageListModel::kTitle);
    EXPECT_EQ(left, (QStringList{"B_002", "A_001", "C_001"}));
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ImageListModel, TwoSearchedFilesOfOneNameShowTheirFolders) {
    CImageListModel model;
    const auto fileText = [&](int row) { return model.index(row, CImageListModel::kFile).data().toString(); };
    model.Append({MakeEntry("pics_001", "/home/u/a/pics.bin", kSourceTim, 8, 8, 8, 1, 0, 1),
                  MakeEntry("pics_002", "/home/u/a/pics.bin", kSourceTim, 8, 8, 8, 1, 0x100, 2),
                  MakeEntry("A_001", "/d/A.BIN", kSourceTim, 8, 8, 8, 1, 0, 1)});
    EXPECT_EQ(fileText(0), QStringLiteral("pics.bin"));
    // The same name searched in another folder: both files' entries say which is which.
    model.Append({MakeEntry("pics_001", "/home/u/b/pics.bin", kSourceTim, 8, 8, 8, 1, 0, 1)});
    EXPECT_EQ(fileText(0), QStringLiteral("pics.bin (/home/u/a)"));
    EXPECT_EQ(fileText(1), QStringLiteral("pics.bin (/home/u/a)"));
    EXPECT_EQ(fileText(2), QStringLiteral("A.BIN"));
    EXPECT_EQ(fileText(3), QStringLiteral("pics.bin (/home/u/b)"));
    // Once one of them has left the list the name is no longer shared.
    model.RemoveRows({3});
    EXPECT_EQ(fileText(0), QStringLiteral("pics.bin"));
}

TEST(ImageListModel, ASortedListTakesABatchInOnePassAndKeepsItsSelection) {
    const auto entry = [](const char* title, int imageNo) {
        return MakeEntry(title, "/d/A.BIN", kSourceTim, 8, 8, 8, 1, 0x100 * imageNo, imageNo);
    };
    CImageListModel model;
    model.Append({entry("A_001", 1), entry("A_003", 3), entry("A_005", 5)});
    CImageListFilter filter(&model);
    filter.sort(CImageListModel::kTitle, Qt::DescendingOrder);
    QItemSelectionModel selection(&filter);
    selection.select(filter.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);  // A_003
    int layouts = 0;
    int insertions = 0;
    QObject::connect(&filter, &QAbstractItemModel::layoutChanged, [&] { ++layouts; });
    QObject::connect(&filter, &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    const auto shown = [&] {
        QStringList titles;
        for (int row = 0; row < filter.rowCount(); ++row) titles << filter.index(row, 0).data().toString();
        return titles;
    };
    const auto selected = [&] {
        QStringList titles;
        for (const QModelIndex& index : selection.selectedRows()) titles << index.data().toString();
        return titles;
    };
    // A second search's entries fall among the first's: one change of order, not one per gap.
    model.Append({entry("A_004", 4), entry("A_002", 2), entry("A_006", 6)});
    EXPECT_EQ(shown(), (QStringList{"A_006", "A_005", "A_004", "A_003", "A_002", "A_001"}));
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(insertions, 0);
    EXPECT_EQ(selected(), QStringList{"A_003"});
    // Entries that all come after those shown are one insertion at the end.
    model.Append({MakeEntry("0_001", "/d/0.BIN", kSourceTim, 8, 8, 8, 1, 0, 1)});
    EXPECT_EQ(shown().last(), QStringLiteral("0_001"));
    EXPECT_EQ(layouts, 1);
    EXPECT_EQ(insertions, 1);
    // Removal and filtering keep the selection on its entry.
    model.RemoveRows({0, 4});  // A_001, A_002
    EXPECT_EQ(shown(), (QStringList{"A_006", "A_005", "A_004", "A_003", "0_001"}));
    EXPECT_EQ(selected(), QStringList{"A_003"});
    filter.SetText(QStringLiteral("A_00"));
    EXPECT_EQ(shown(), (QStringList{"A_006", "A_005", "A_004", "A_003"}));
    EXPECT_EQ(selected(), QStringList{"A_003"});
    EXPECT_EQ(filter.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("ﾀｲﾄﾙ"));
}

}  // namespace
}  // namespace vorel::ui
