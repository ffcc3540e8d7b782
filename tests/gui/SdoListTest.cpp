#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <map>
#include <utility>
#include <vector>

#include "AppConstants.h"
#include "CChildFrame.h"
#include "CPageView.h"
#include "CSdoList.h"
#include "EditListCtrl.h"
#include "GuiTestSupport.h"
#include "profile/Profile.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

// A page that asked the browser for an object.
class AskingPage final : public CPageView {
  public:
    using CPageView::CPageView;
    void ObjectChosen(ObjectKey key) override { chosen.push_back(key); }
    std::vector<ObjectKey> chosen;
};

int RowOf(const CSdoList& page, ObjectKey key) {
    for (int row = 0; row < page.List()->rowCount(); ++row) {
        if (page.RowKey(row) == key) {
            return row;
        }
    }
    return -1;
}

std::vector<ObjectKey> RowKeys(const CSdoList& page) {
    std::vector<ObjectKey> keys;
    for (int row = 0; row < page.List()->rowCount(); ++row) {
        keys.push_back(page.RowKey(row));
    }
    return keys;
}

std::vector<ObjectKey> DictionaryKeys(const ObjectDictionary& dictionary) {
    std::vector<ObjectKey> keys;
    DictionaryEntry entry;
    for (int i = 0; dictionary.GetAt(i, entry); ++i) {
        keys.push_back(entry.key);
    }
    return keys;
}

bool NamesAscending(const CSdoList& page) {
    const EditListCtrl* list = page.List();
    for (int row = 0; row + 1 < list->rowCount(); ++row) {
        if (QString::compare(list->Text(row, 2), list->Text(row + 1, 2)) > 0) {
            return false;
        }
    }
    return true;
}

QString Header(const DictionaryEntry& e) {
    return QString::asprintf("\r\n\r\nIndex: 0x%04X\r\nSub Index: 0x%02X\r\nName: ", e.index,
                             e.subIndex) +
           QString::fromStdString(e.name);
}

// The browser of a started program (English) whose dictionary has been loaded.
class SdoListPage : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(program.Context().Dictionary().WaitUntilLoaded(10s));
        ASSERT_GT(Dictionary().GetCount(), 100);
        program.Frame().OpenPage(cmd::kDataDictionary);
        page = qobject_cast<CSdoList*>(program.Frame().PageOf(slot::kDataDictionary));
        ASSERT_NE(page, nullptr);
        list = page->List();
    }
    ObjectDictionary& Dictionary() { return program.Context().Dictionary(); }
    CChildFrame* Window() { return program.Frame().Slot(slot::kDataDictionary); }
    // Presses the search button with the text; returns the row that is then current.
    int Search(const QString& text) {
        page->SearchEdit()->setText(text);
        page->SearchButton()->click();
        return list->FocusedSelectedRow();
    }
    std::vector<int> RowsNamed(const QString& part) const {
        std::vector<int> rows;
        for (int row = 0; row < list->rowCount(); ++row) {
            if (list->Text(row, 2).contains(part, Qt::CaseInsensitive)) {
                rows.push_back(row);
            }
        }
        return rows;
    }

    RunningProgram program;
    CSdoList* page = nullptr;
    EditListCtrl* list = nullptr;
};

TEST_F(SdoListPage, ListsEveryObjectInDictionaryOrderAndDescribesTheFirst) {
    ASSERT_EQ(list->rowCount(), Dictionary().GetCount());
    DictionaryEntry deviceType;
    ASSERT_TRUE(Dictionary().FindByKey(0x100000, deviceType));
    EXPECT_EQ(list->Text(0, 0), "1000");
    EXPECT_EQ(list->Text(0, 1), "00");
    EXPECT_EQ(list->Text(0, 2), QString::fromStdString(deviceType.name));
    EXPECT_EQ(RowKeys(*page), DictionaryKeys(Dictionary()));
    const int row = RowOf(*page, 0x1A0704);
    ASSERT_GE(row, 0);
    EXPECT_EQ(list->Text(row, 0), "1A07");  // upper-case hexadecimal
    EXPECT_EQ(list->Text(row, 1), "04");

    EXPECT_EQ(page->DescribedRow(), 0);
    EXPECT_TRUE(page->DescriptionText().startsWith(Header(deviceType) + "\r\nData Type: U32"));
    const QString shown = page->DescriptionBox()->toPlainText();
    EXPECT_FALSE(shown.contains('\r'));
    EXPECT_EQ(shown, QString(page->DescriptionText()).replace("\r\n", "\n"));
}

TEST_F(SdoListPage, DescribesTheSelectedRowWithItsAccessText) {
    // The first object of each access kind: (writable, read cyclically).
    std::map<std::pair<bool, bool>, DictionaryEntry> kinds;
    DictionaryEntry entry;
    for (int i = 0; Dictionary().GetAt(i, entry); ++i) {
        kinds.try_emplace({entry.IsWritable(), entry.IsCyclic()}, entry);
    }
    const std::map<std::pair<bool, bool>, QString> access = {
        {{true, true}, "writeable  real-update"},
        {{true, false}, "writeable  "},
        {{false, true}, "real-update"},
        {{false, false}, "only readable"},
    };
    for (const auto& [kind, text] : access) {
        SCOPED_TRACE(text.toStdString());
        ASSERT_EQ(kinds.count(kind), 1u);
        const DictionaryEntry& e = kinds[kind];
        const QString help = QString::fromStdString(e.help);
        ASSERT_FALSE(help.contains('\n') || help.contains(QStringLiteral("。")));
        const int row = RowOf(*page, e.key);
        ASSERT_GE(row, 0);
        list->selectRow(row);
        EXPECT_EQ(page->DescribedRow(), row);
        EXPECT_EQ(page->DescriptionText(),
                  Header(e) + "\r\nData Type: " + QString::fromStdString(e.dataType) +
                      "\r\nAttribute: " + text + "\r\nOperator Help:\r\n" + help);
    }

    // A subindex other than 0 and hexadecimal letters.
    list->selectRow(RowOf(*page, 0x1A0704));
    EXPECT_TRUE(page->DescriptionText().startsWith("\r\n\r\nIndex: 0x1A07\r\nSub Index: 0x04\r\n"));
    list->selectRow(RowOf(*page, 0x604100));
    EXPECT_TRUE(page->DescriptionText().startsWith("\r\n\r\nIndex: 0x6041\r\nSub Index: 0x00\r\n"));
}

TEST_F(SdoListPage, SortsByNameAndBackByIndex) {
    std::vector<ObjectKey> inIndexOrder = DictionaryKeys(Dictionary());
    std::sort(inIndexOrder.begin(), inIndexOrder.end());
    ASSERT_NE(RowKeys(*page), inIndexOrder);  // the dictionary is not in index order

    // Choosing the entry already shown sorts the rows still in dictionary order.
    emit page->SortCombo()->activated(0);
    EXPECT_EQ(RowKeys(*page), inIndexOrder);

    page->SortCombo()->setCurrentIndex(1);
    EXPECT_TRUE(NamesAscending(*page));
    std::vector<ObjectKey> keys = RowKeys(*page);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, inIndexOrder);
    // Whole rows moved: every name still belongs to its index and subindex.
    DictionaryEntry entry;
    for (int row = 0; row < list->rowCount(); ++row) {
        ASSERT_TRUE(Dictionary().FindByKey(page->RowKey(row), entry));
        ASSERT_EQ(list->Text(row, 2), QString::fromStdString(entry.name)) << row;
    }

    page->SortCombo()->setCurrentIndex(0);
    EXPECT_EQ(RowKeys(*page), inIndexOrder);
    EXPECT_EQ(list->Text(0, 0) + list->Text(0, 1), "100000");
}

TEST_F(SdoListPage, SearchFindsEachMatchInTurnAndWrapsAround) {
    // A text only the first row has, in other letter case.
    ASSERT_EQ(RowsNamed("device type"), std::vector<int>{0});
    EXPECT_EQ(Search("DEVICE TYPE"), 0);
    EXPECT_EQ(list->SelectedRowList(), std::vector<int>{0});
    EXPECT_EQ(Search("DEVICE TYPE"), 0);  // the only match again

    const std::vector<int> matches = RowsNamed("velocity");
    ASSERT_GE(matches.size(), 3u);
    for (int match : matches) {
        EXPECT_EQ(Search("Velocity"), match);
        EXPECT_EQ(page->DescribedRow(), match);
    }
    const QRect last = list->visualRect(list->model()->index(matches.back(), 0));
    EXPECT_TRUE(list->viewport()->rect().contains(last.center()));
    EXPECT_EQ(Search("Velocity"), matches[0]);
    EXPECT_EQ(Search("Velocity"), matches[1]);
    // Another text starts at the top.
    EXPECT_EQ(Search("device"), 0);
    EXPECT_TRUE(program.messages.empty());

    EXPECT_EQ(Search("no object is named so"), 0);
    EXPECT_EQ(program.messages, std::vector<QString>{"Not Found!!"});

    // An empty text does nothing but forget the text: the same text starts at the top again.
    EXPECT_EQ(Search("Velocity"), matches[0]);
    EXPECT_EQ(Search("Velocity"), matches[1]);
    EXPECT_EQ(Search(""), matches[1]);
    EXPECT_EQ(program.messages.size(), 1u);
    EXPECT_EQ(Search("Velocity"), matches[0]);
}

TEST_F(SdoListPage, ChoosingHandsTheObjectToTheAskingPageAndHidesTheBrowser) {
    AskingPage asking(program.Context());
    program.Context().objectRequester = &asking;
    CChildFrame* window = Window();
    ASSERT_TRUE(window->isVisible());
    page->ChooseRow(RowOf(*page, 0x604100));
    EXPECT_EQ(asking.chosen, std::vector<ObjectKey>{0x604100});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Window(), window);  // only hidden

    // The same browser opens again; a double-click on a row chooses as well.
    program.Frame().OpenPage(cmd::kDataDictionary);
    ASSERT_TRUE(window->isVisible());
    const QRect cell = list->visualRect(list->model()->index(1, 2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());  // press first
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(asking.chosen.back(), page->RowKey(1));
    EXPECT_EQ(asking.chosen.size(), 2u);
    EXPECT_FALSE(window->isVisible());

    // Nobody asked (or a window that is no page): the browser just closes.
    QWidget notAPage;
    for (QWidget* requester : {static_cast<QWidget*>(nullptr), &notAPage}) {
        program.Context().objectRequester = requester;
        program.Frame().OpenPage(cmd::kDataDictionary);
        page->ChooseRow(0);
        EXPECT_FALSE(window->isVisible());
    }
    EXPECT_EQ(asking.chosen.size(), 2u);
}

TEST(SdoListDescription, BreaksHelpLinesAndAfterEachFullStop) {
    DictionaryEntry entry;
    entry.index = 0x60ff;
    entry.subIndex = 0x1a;
    entry.name = "目标速度";
    entry.dataType = "I32";
    entry.attribute = "RL";
    entry.help = "第一句。第二句\n第三行。";
    EXPECT_EQ(DescribeEntry(entry),
              QStringLiteral("\r\n\r\nIndex: 0x60FF\r\nSub Index: 0x1A\r\nName: 目标速度\r\n"
                             "Data Type: I32\r\nAttribute: real-update\r\nOperator Help:\r\n"
                             "第一句。\r\n第二句\r\n第三行。\r\n"));
}

TEST(SdoListChinese, ShowsTheDictionaryLanguage) {
    RunningProgram program(true);
    ASSERT_TRUE(program.Context().Dictionary().WaitUntilLoaded(10s));
    CSdoList page(program.Context());
    DictionaryEntry deviceType;
    ASSERT_TRUE(program.Context().Dictionary().FindByKey(0x100000, deviceType));
    EXPECT_EQ(page.List()->Text(0, 2), QString::fromStdString(deviceType.name));
    const QString help = QString::fromStdString(deviceType.help);
    ASSERT_GE(help.count(QStringLiteral("。")), 2);
    const QString text = page.DescriptionText();
    EXPECT_TRUE(text.contains(Header(deviceType)));
    EXPECT_EQ(text.count(QStringLiteral("。\r\n")), help.count(QStringLiteral("。")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("。\r\n")));

    page.SearchEdit()->setText(QString::fromStdString(deviceType.name));
    page.Search();
    EXPECT_EQ(page.List()->FocusedSelectedRow(), 0);
}

TEST(SdoListLoading, RowsFollowADictionaryThatWasStillLoading) {
    // Language 3 (being chosen) holds the dictionary load until it is settled.
    RunningProgram program(
        true, [](WorkingFolder& f) { Profile::WriteString(f.SysIni(), "sys", "lang", "3"); });
    AppContext& context = program.Context();
    ObjectDictionary& dictionary = context.Dictionary();
    ASSERT_FALSE(dictionary.IsLoaded());
    CSdoList hidden(context);
    EXPECT_EQ(hidden.List()->rowCount(), 0);
    EXPECT_TRUE(hidden.DescriptionText().isEmpty());
    program.Frame().OpenPage(cmd::kDataDictionary);
    auto* open = qobject_cast<CSdoList*>(program.Frame().PageOf(slot::kDataDictionary));
    ASSERT_NE(open, nullptr);
    open->SortCombo()->setCurrentIndex(1);

    context.language = kLanguageChinese;
    ASSERT_TRUE(dictionary.WaitUntilLoaded(10s));
    const int count = dictionary.GetCount();
    ASSERT_GT(count, 100);
    // Shown again: the page fills the rest.
    hidden.PageNotify(notify::kShown);
    EXPECT_EQ(hidden.List()->rowCount(), count);
    EXPECT_TRUE(hidden.DescriptionText().startsWith("\r\n\r\nIndex: 0x1000\r\n"));
    // Left open: the page fills itself, in the order chosen meanwhile.
    ASSERT_TRUE(WaitUntil([&] { return open->List()->rowCount() == count; }));
    EXPECT_TRUE(NamesAscending(*open));
}

}  // namespace
}  // namespace morlo::gui::test
