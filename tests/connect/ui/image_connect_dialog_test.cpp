// The connection dialog driven through its controls, with the message and
// file dialogs scripted: its states, the candidates, the directions a pair
// allows, the previews, and the joined file read back by Pillow.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <random>

#include "connect/ui/image_connect_dialog.h"
#include "connect/ui/preview_frame.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"
#include "ui/file_dialog_service.h"
#include "ui/message_service.h"

namespace vorel {

inline void PrintTo(const PreviewRect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

// A document holding a DIB of a seeded pattern and colour table.
std::unique_ptr<CVorelDoc> MakeDoc(const char* title, int width, int height, int bits, unsigned seed) {
    auto doc = std::make_unique<CVorelDoc>();
    doc->SetTitle(QString::fromUtf8(title));
    if (bits == 0) return doc;  // File > New: no image
    doc->m_hDIB = Dib::Create(width, height, bits);
    std::mt19937 rng(seed);
    for (std::size_t i = 40; i < doc->m_hDIB.AllocatedSize(); ++i)
        doc->m_hDIB.Data()[i] = static_cast<std::uint8_t>(rng());
    doc->m_nBitCount = bits;
    doc->m_nImageWidth = width;
    doc->m_nImageHeight = height;
    return doc;
}

class ConnectDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageService(&messages);
        SetFileDialogService(&files);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        SetMessageService(nullptr);
        SetFileDialogService(nullptr);
    }
    CVorelDoc* Add(std::unique_ptr<CVorelDoc> doc) {
        docs.push_back(std::move(doc));
        return docs.back().get();
    }
    std::unique_ptr<CImageConnectDlg> Open() {
        auto dialog = std::make_unique<CImageConnectDlg>([this] {
            QList<CVorelDoc*> list;
            for (const auto& d : docs) list << d.get();
            return list;
        });
        QObject::connect(dialog.get(), &QDialog::accepted, [this] { ++accepted; });
        return dialog;
    }
    static void ChooseFirst(CImageConnectDlg& d, int index) {
        d.FirstList()->setCurrentIndex(index);
        emit d.FirstList()->activated(index);
    }
    static void ChooseSecond(CImageConnectDlg& d, int index) {
        d.SecondList()->setCurrentIndex(index);
        emit d.SecondList()->activated(index);
    }
    static void Click(QAbstractButton* button) { button->click(); }
    QStringList Shown() const {
        QStringList texts;
        for (const auto& m : messages.shown) texts << m.text;
        return texts;
    }
    QStringList FilesInDir() const { return QDir(dir.path()).entryList(QDir::Files); }
    QString PathIn(const QString& name) const { return QDir(dir.path()).filePath(name); }

    ScriptedMessageService messages;
    ScriptedFileDialogService files;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<CVorelDoc>> docs;
    int accepted = 0;
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

// Which of the controls besides the first list and Cancel are enabled, as a
// string: second list, 上, 下, 左, 右, ﾌﾟﾚﾋﾞｭｰ, 保存, second frame, joined frame.
std::string Enabled(const CImageConnectDlg& d) {
    const QWidget* controls[] = {d.SecondList(),
                                 d.DirectionButton(JoinDirection::Above),
                                 d.DirectionButton(JoinDirection::Below),
                                 d.DirectionButton(JoinDirection::Left),
                                 d.DirectionButton(JoinDirection::Right),
                                 d.PreviewButton(),
                                 d.SaveButton(),
                                 d.SecondFrame(),
                                 d.JoinedFrame()};
    std::string s;
    for (const QWidget* w : controls) s += w->isEnabled() ? '1' : '0';
    return s;
}

TEST_F(ConnectDialogTest, StatesFollowTheChoices) {
    Add(MakeDoc("P", 64, 32, 8, 1));
    Add(MakeDoc("Q", 64, 48, 8, 2));   // same width as P
    Add(MakeDoc("R", 16, 32, 8, 3));   // same height as P
    Add(MakeDoc("S", 64, 32, 4, 4));   // P's size, another depth
    Add(MakeDoc("T", 20, 20, 8, 5));   // neither edge
    Add(MakeDoc("Vorel1", 0, 0, 0, 0));  // no image
    auto d = Open();
    EXPECT_EQ(Items(d->FirstList()), (QStringList{"P", "Q", "R", "S", "T", "Vorel1"}));
    EXPECT_EQ(d->FirstList()->currentIndex(), -1);
    EXPECT_EQ(Enabled(*d), "000000000") << "nothing chosen";

    struct Step {
        const char* what;
        std::function<void(CImageConnectDlg&)> act;
        std::string enabled;
        QStringList candidates;
        QStringList messages;  // shown by this step
    };
    const Step steps[] = {
        {"first P", [](auto& d) { ChooseFirst(d, 0); }, "100000010", {"Q", "R"}, {}},
        {"second Q", [](auto& d) { ChooseSecond(d, 0); }, "111001011", {"Q", "R"}, {}},
        {"preview without direction", [](auto& d) { d.PreviewButton()->click(); }, "111001011", {"Q", "R"},
         {"連結方向を選択して下さい"}},
        {"上", [](auto& d) { Click(d.DirectionButton(JoinDirection::Above)); }, "111001011", {"Q", "R"}, {}},
        {"preview 上", [](auto& d) { d.PreviewButton()->click(); }, "111001111", {"Q", "R"}, {}},
        {"下 after the preview", [](auto& d) { Click(d.DirectionButton(JoinDirection::Below)); }, "111001011",
         {"Q", "R"}, {}},
        {"preview 下", [](auto& d) { d.PreviewButton()->click(); }, "111001111", {"Q", "R"}, {}},
        {"second R takes 下 back", [](auto& d) { ChooseSecond(d, 1); }, "100111011", {"Q", "R"}, {}},
        {"preview asks for a direction", [](auto& d) { d.PreviewButton()->click(); }, "100111011", {"Q", "R"},
         {"連結方向を選択して下さい"}},
        {"左 and preview",
         [](auto& d) {
             Click(d.DirectionButton(JoinDirection::Left));
             d.PreviewButton()->click();
         },
         "100111111", {"Q", "R"}, {}},
        {"first S: no candidate", [](auto& d) { ChooseFirst(d, 3); }, "000000000", {}, {}},
        {"first T: no candidate", [](auto& d) { ChooseFirst(d, 4); }, "000000000", {}, {}},
        {"first Q", [](auto& d) { ChooseFirst(d, 1); }, "100000010", {"P"}, {}},
        {"first without image", [](auto& d) { ChooseFirst(d, 5); }, "000000000", {}, {"ﾒﾓﾘｴﾗｰ"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::size_t before = messages.shown.size();
        step.act(*d);
        EXPECT_EQ(Enabled(*d), step.enabled);
        EXPECT_EQ(Items(d->SecondList()), step.candidates);
        QStringList shown;
        for (std::size_t i = before; i < messages.shown.size(); ++i) shown << messages.shown[i].text;
        EXPECT_EQ(shown, step.messages);
        EXPECT_EQ(d->SecondList()->isEnabled() ? 1 : 0, step.candidates.isEmpty() ? 0 : 1);
    }
    EXPECT_TRUE(files.saveRequests.empty());
    EXPECT_EQ(accepted, 0);
}

TEST_F(ConnectDialogTest, CandidatesAreDocumentIndexesAndNeverTheFirstItself) {
    Add(MakeDoc("A", 8, 8, 24, 1));
    Add(MakeDoc("B", 8, 8, 8, 2));
    Add(MakeDoc("C", 8, 3, 24, 3));
    Add(MakeDoc("D", 8, 8, 24, 4));
    auto d = Open();
    ChooseFirst(*d, 3);
    EXPECT_EQ(Items(d->SecondList()), (QStringList{"A", "C"}));
    EXPECT_EQ(d->CandidateDocuments(), (std::vector<int>{0, 2}));
    EXPECT_EQ(d->m_nFirstWidth, 8);
    EXPECT_EQ(d->m_nFirstHeight, 8);
}

TEST_F(ConnectDialogTest, AnImageThatCannotBeDrawnIsReportedAndNotOffered) {
    Add(MakeDoc("P", 8, 8, 8, 1));
    CVorelDoc* broken = Add(MakeDoc("Q", 8, 8, 8, 2));
    broken->m_hDIB.Assign(std::vector<std::uint8_t>(broken->m_hDIB.Bytes().begin(), broken->m_hDIB.Bytes().end() - 9));
    auto d = Open();
    ChooseFirst(*d, 0);
    ChooseSecond(*d, 0);
    EXPECT_EQ(Shown(), QStringList{QString::fromUtf8("ﾒﾓﾘﾛｯｸｴﾗｰ")});
    EXPECT_EQ(Enabled(*d), "100000010") << "no direction for a pair that cannot be drawn";
    ChooseFirst(*d, 1);
    EXPECT_EQ(Shown().size(), 2);
    EXPECT_EQ(Shown().last(), QString::fromUtf8("ﾒﾓﾘﾛｯｸｴﾗｰ"));
    EXPECT_EQ(Enabled(*d), "000000000");
    EXPECT_TRUE(d->FirstFrame()->IsEmpty());
}

TEST_F(ConnectDialogTest, PreviewsAreFittedIntoTheirFrames) {
    Add(MakeDoc("P", 100, 50, 24, 1));
    Add(MakeDoc("Q", 60, 50, 24, 2));
    auto d = Open();
    ASSERT_EQ(d->FirstFrame()->size(), QSize(141, 101));
    ChooseFirst(*d, 0);
    EXPECT_EQ(d->FirstFrame()->ImageRect(), (PreviewRect{0, 15, 140, 70}));
    ChooseSecond(*d, 0);
    EXPECT_EQ(d->SecondFrame()->ImageRect(), FitPreview(141, 101, 60, 50));
    Click(d->DirectionButton(JoinDirection::Left));
    d->PreviewButton()->click();
    // 左: the second image Q on the left, P on the right; 160 x 50 in the joined frame.
    const JoinedPreview expected = LayOutJoinedPreview(289, 201, 60, 50, 100, 50, true);
    EXPECT_EQ(d->JoinedFrame()->ImageRect(), expected.topLeft);
    EXPECT_EQ(d->JoinedFrame()->BottomRightRect(), expected.bottomRight);

    // The frames show the pictures on black: the first frame's corner is black,
    // its middle is the middle pixel of P.
    const QImage shot = d->FirstFrame()->grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(0, 0, 0));
    const QImage p = ui::DibToQImage(docs[0]->m_hDIB);
    EXPECT_EQ(shot.pixel(70, 50), p.pixel(50, 25));
}

TEST_F(ConnectDialogTest, RepaintPreviewsTheCheckedDirectionAgain) {
    Add(MakeDoc("P", 10, 10, 8, 1));
    Add(MakeDoc("Q", 10, 4, 8, 2));
    auto d = Open();
    ChooseFirst(*d, 0);
    ChooseSecond(*d, 0);
    Click(d->DirectionButton(JoinDirection::Below));
    EXPECT_FALSE(d->SaveButton()->isEnabled());
    d->Repaint();
    EXPECT_TRUE(d->SaveButton()->isEnabled());
    EXPECT_EQ(d->JoinedFrame()->ImageRect(), LayOutJoinedPreview(289, 201, 10, 10, 10, 4, false).topLeft);
    EXPECT_TRUE(messages.shown.empty());
}

// After the message for a missing direction the dialog is activated only once
// the next click has arrived; a direction so clicked is not previewed.
TEST_F(ConnectDialogTest, DirectionClickThatActivatesTheDialogDoesNotPreview) {
    Add(MakeDoc("P", 10, 10, 8, 1));
    Add(MakeDoc("Q", 10, 4, 8, 2));
    auto d = Open();
    ChooseFirst(*d, 0);
    ChooseSecond(*d, 0);
    d->PreviewButton()->click();
    Click(d->DirectionButton(JoinDirection::Below));
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(d.get(), &activate);
    EXPECT_FALSE(d->SaveButton()->isEnabled());
    EXPECT_TRUE(d->JoinedFrame()->IsEmpty());
    EXPECT_EQ(Shown(), QStringList{QString::fromUtf8("連結方向を選択して下さい")});
}

TEST_F(ConnectDialogTest, CancelWritesNothingAndChangesNoDocument) {
    Add(MakeDoc("P", 9, 5, 4, 1));
    Add(MakeDoc("Q", 3, 5, 4, 2));
    const Dib p = DuplicateDib(docs[0]->m_hDIB), q = DuplicateDib(docs[1]->m_hDIB);
    auto d = Open();
    ChooseFirst(*d, 0);
    ChooseSecond(*d, 0);
    Click(d->DirectionButton(JoinDirection::Right));
    d->PreviewButton()->click();
    d->CancelButton()->click();
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_TRUE(files.saveRequests.empty());
    EXPECT_TRUE(FilesInDir().isEmpty());
    EXPECT_EQ(docs[0]->m_hDIB, p);
    EXPECT_EQ(docs[1]->m_hDIB, q);
}

TEST_F(ConnectDialogTest, OnlyBmpTifAndPngAreAccepted) {
    Add(MakeDoc("P", 4, 4, 24, 1));
    Add(MakeDoc("Q", 4, 4, 24, 2));
    struct Case {
        const char* name;
        const char* message;  // empty: saved
    };
    const Case cases[] = {
        {"joined", "拡張子「.」には対応していません。"},
        {"joined.", "拡張子「.」には対応していません。"},
        {"joined.jpg", "拡張子「.JPG」には対応していません。"},
        {"joined.tiff", "拡張子「.TIFF」には対応していません。"},
        {"joined.bmp.txt", "拡張子「.TXT」には対応していません。"},
        {"lower.bmp", ""},
        {"UPPER.TIF", ""},
        {"mixed.Png", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = Open();
        ChooseFirst(*d, 0);
        ChooseSecond(*d, 0);
        Click(d->DirectionButton(JoinDirection::Right));
        d->PreviewButton()->click();
        messages.shown.clear();
        accepted = 0;
        files.answers = {PathIn(QString::fromUtf8(c.name))};
        d->SaveButton()->click();
        ASSERT_EQ(messages.shown.size(), 1u);
        const bool refused = *c.message != '\0';
        EXPECT_EQ(messages.shown[0].text, refused ? QString::fromUtf8(c.message) : QString::fromUtf8("正常に保存しました"));
        EXPECT_EQ(accepted, refused ? 0 : 1);
        EXPECT_EQ(QFileInfo::exists(PathIn(QString::fromUtf8(c.name))), !refused);
    }
    // The save dialog proposes no name and adds no extension.
    ASSERT_FALSE(files.saveRequests.empty());
    EXPECT_TRUE(files.saveRequests[0].proposedPath.isEmpty());
    EXPECT_TRUE(files.saveRequests[0].defaultSuffix.isEmpty());
    EXPECT_TRUE(files.saveRequests[0].confirmOverwrite);
}

TEST_F(ConnectDialogTest, FailedSaveKeepsTheDialogOpenAndCancelledSaveSaysNothing) {
    Add(MakeDoc("P", 4, 4, 8, 1));
    Add(MakeDoc("Q", 4, 2, 8, 2));
    auto d = Open();
    ChooseFirst(*d, 0);
    ChooseSecond(*d, 0);
    Click(d->DirectionButton(JoinDirection::Above));
    d->PreviewButton()->click();
    files.answers = {std::nullopt};
    d->SaveButton()->click();
    EXPECT_TRUE(messages.shown.empty());
    for (const char* name : {"missing/joined.bmp", "missing/joined.tif", "missing/joined.png"}) {
        messages.shown.clear();
        files.answers = {PathIn(QString::fromUtf8(name))};
        d->SaveButton()->click();
        ASSERT_EQ(messages.shown.size(), 1u) << name;
        EXPECT_EQ(messages.shown[0].text, QString::fromUtf8("ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ")) << name;
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_TRUE(FilesInDir().isEmpty());
}

// The joined picture as Qt composes it: each source decoded on its own, B's
// indexes shown through A's colour table (1 and 4 bits), drawn side by side or
// one above the other.
QImage ComposeExpected(const Dib& a, const Dib& b, bool sideBySide) {
    const QImage ai = ui::DibToQImage(a);
    QImage bi = ui::DibToQImage(b);
    if (b.BitCount() == 1 || b.BitCount() == 4) bi.setColorTable(ai.colorTable());
    const QSize size = sideBySide ? QSize(ai.width() + bi.width(), ai.height())
                                  : QSize(ai.width(), ai.height() + bi.height());
    QImage out(size, QImage::Format_RGB32);
    QPainter painter(&out);
    painter.drawImage(0, 0, ai);
    painter.drawImage(sideBySide ? ai.width() : 0, sideBySide ? 0 : ai.height(), bi);
    return out;
}

TEST_F(ConnectDialogTest, SavedFilesReadBackByPillowShowTheJoinedPicture) {
    if (std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs python3-pil";
    struct Case {
        const char* file;
        int bits;
        int fw, fh, sw, sh;
        JoinDirection direction;
    };
    const Case cases[] = {
        {"r24.bmp", 24, 5, 3, 7, 3, JoinDirection::Right},
        {"l4.tif", 4, 3, 4, 5, 4, JoinDirection::Left},
        {"b1.png", 1, 13, 2, 13, 3, JoinDirection::Below},
        {"a8.bmp", 8, 6, 2, 6, 5, JoinDirection::Above},
        {"r4.bmp", 4, 3, 2, 5, 2, JoinDirection::Right},
        {"l1.tif", 1, 5, 3, 3, 3, JoinDirection::Left},
    };
    unsigned seed = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        docs.clear();
        Add(MakeDoc("F", c.fw, c.fh, c.bits, ++seed));
        Add(MakeDoc("S", c.sw, c.sh, c.bits, ++seed));
        if (c.bits == 1) {  // a 1-bit TIFF is black and white: so is the top-left table
            for (int i = 0; i < 2; ++i) {
                for (CVorelDoc* doc : {docs[0].get(), docs[1].get()})
                    std::memset(doc->m_hDIB.ColorEntry(i), i == 0 ? 0 : 255, 3);
            }
        }
        if (c.bits == 8) {  // the same table for both, so that no colour moves
            for (int i = 0; i < 256; ++i) {
                std::uint8_t* e = docs[0]->m_hDIB.ColorEntry(i);
                e[0] = static_cast<std::uint8_t>(i);
                e[1] = static_cast<std::uint8_t>(3 * i);
                e[2] = static_cast<std::uint8_t>(255 - i);
            }
            std::memcpy(docs[1]->m_hDIB.ColorEntry(0), docs[0]->m_hDIB.ColorEntry(0), 1024);
        }
        auto d = Open();
        ChooseFirst(*d, 0);
        ChooseSecond(*d, 0);
        Click(d->DirectionButton(c.direction));
        d->PreviewButton()->click();
        const QString path = PathIn(QString::fromUtf8(c.file));
        files.answers = {path};
        d->SaveButton()->click();
        ASSERT_EQ(accepted, 1);
        accepted = 0;
        const bool secondFirst = SecondGoesFirst(c.direction);
        const QString expected = path + QStringLiteral(".expected.png");
        ASSERT_TRUE(ComposeExpected(docs[secondFirst ? 1 : 0]->m_hDIB, docs[secondFirst ? 0 : 1]->m_hDIB,
                                    SideBySide(c.direction))
                        .save(expected));
        const std::string command = std::string("/usr/bin/python3 ") + VOREL_TEST_DATA_DIR +
                                    "/../cli/same_pixels.py '" + path.toStdString() + "' '" +
                                    expected.toStdString() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
}

}  // namespace
}  // namespace vorel
