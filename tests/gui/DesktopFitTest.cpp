#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>

#include "CChildFrame.h"
#include "CDataInOut.h"
#include "CDriverOscillo.h"
#include "CDrvPanelF007.h"
#include "CMdiBackground.h"
#include "DriveProgram.h"
#include "PageTestSupport.h"
#include "ParameterPage.h"

// Every page on a 1366 x 768 screen (the screen of the offscreen platform in these tests), in
// both languages: it opens whole inside the main window, and no text in it is cut.
namespace morlo::gui::test {
namespace {

const char* LanguageName(bool chinese) {
    return chinese ? "zh" : "en";
}

// Runs events until the page has read what it reads when it opens.
bool WaitUntilFilled(CPageView* page) {
    if (auto* list = qobject_cast<ParameterPage*>(page)) {
        return WaitUntil([&] { return list->ReadCursor() == 0; });
    }
    if (auto* io = qobject_cast<CDataInOut*>(page)) {
        return WaitUntil([&] { return io->ReadStep() == 0; });
    }
    if (auto* log = qobject_cast<CDrvPanelF007*>(page)) {
        return WaitUntil([&] { return !log->Running(); });
    }
    if (auto* scope = qobject_cast<CDriverOscillo*>(page)) {
        // The recorder's settings read back: period, samples, channels and their units.
        return WaitUntil([&] { return scope->ReadBackClosings() > 0; });
    }
    return true;
}

QString Shown(const QString& text) {
    QString shown = text;
    return shown.remove('&');  // a mnemonic's marker is not drawn
}

// The text's width as it is laid out: with fractional advances.
double Advance(const QWidget& widget, const QString& text) {
    return QFontMetricsF(widget.font()).horizontalAdvance(text);
}

// Every text of the page that its place cannot show whole, measured with the font's metrics:
// list cells and headers against their columns (and lists that would scroll sideways), combo
// entries against the combo's text field, labels and buttons against their width.
QStringList CutTexts(const QWidget& page) {
    QStringList cut;
    for (const QTableWidget* table : page.findChildren<QTableWidget*>()) {
        if (!table->isVisibleTo(&page)) {
            continue;
        }
        // The delegate keeps the focus frame margin and a pixel free on each side; the grid
        // line takes the column's last pixel.
        const int margin =
            2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) +
            (table->showGrid() ? 1 : 0);
        int columns = 0;
        for (int column = 0; column < table->columnCount(); ++column) {
            const int width = table->columnWidth(column);
            if (table->isColumnHidden(column) || width == 0) {
                continue;
            }
            columns += width;
            if (table->horizontalHeader()->sectionSizeHint(column) > width) {
                cut << QString("header %1").arg(table->horizontalHeaderItem(column)->text());
            }
            for (int row = 0; row < table->rowCount(); ++row) {
                const QTableWidgetItem* cell = table->item(row, column);
                if (cell && Advance(*table, cell->text()) + margin > width) {
                    cut << QString("cell \"%1\" (%2 px column)").arg(cell->text()).arg(width);
                }
            }
        }
        if (columns > table->viewport()->width()) {
            cut << QString("list of %1 px in %2 px").arg(columns).arg(table->viewport()->width());
        }
    }
    for (const QComboBox* combo : page.findChildren<QComboBox*>()) {
        if (!combo->isVisibleTo(&page)) {
            continue;
        }
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.frame = combo->hasFrame();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i) {
            if (Advance(*combo, combo->itemText(i)) + 2 > field.width()) {
                cut << QString("combo entry \"%1\" (%2 px)")
                           .arg(combo->itemText(i))
                           .arg(field.width());
            }
        }
    }
    for (const QLabel* label : page.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&page) || label->wordWrap() || label->text().isEmpty() ||
            label->textFormat() == Qt::RichText) {
            continue;
        }
        if (Advance(*label, Shown(label->text())) > label->contentsRect().width()) {
            cut << QString("label \"%1\"").arg(label->text());
        }
    }
    for (const QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&page) || button->text().isEmpty()) {
            continue;
        }
        const bool indicator = qobject_cast<const QCheckBox*>(button) != nullptr ||
                               qobject_cast<const QRadioButton*>(button) != nullptr;
        const double needed = indicator
                                  ? button->sizeHint().width()
                                  : Advance(*button, Shown(button->text())) +
                                        (button->icon().isNull() ? 0 : button->iconSize().width());
        if (needed > button->width()) {
            cut << QString("button \"%1\" (%2 of %3 px)")
                       .arg(button->text())
                       .arg(needed)
                       .arg(button->width());
        }
    }
    return cut;
}

TEST(DesktopFit, EveryPageOpensWholeInsideTheMainWindowWithNoTextCut) {
    for (bool chinese : {false, true}) {
        SCOPED_TRACE(LanguageName(chinese));
        PageProgram p(chinese);
        CMainFrame& frame = p.program.Frame();
        // The first start covers the screen's available area.
        ASSERT_EQ(frame.frameGeometry(), frame.screen()->availableGeometry());
        ASSERT_EQ(frame.screen()->size(), QSize(1366, 768));
        p.OpenLink();
        const QRect area = frame.MdiArea()->viewport()->rect();
        for (const PageKind& kind : PageKinds()) {
            SCOPED_TRACE(kind.title);
            frame.OpenKind(kind);
            CChildFrame* child = frame.Slot(kind.slot);
            ASSERT_NE(child, nullptr);
            EXPECT_TRUE(area.contains(child->geometry()))
                << child->geometry().x() << "," << child->geometry().y() << " " << child->width()
                << "x" << child->height();
            ASSERT_TRUE(WaitUntilFilled(child->View()));
            QCoreApplication::processEvents();
            const QStringList cut = CutTexts(*child->View());
            EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
            if (kind.slot != slot::kLinkType) {
                child->close();  // hidden; the next page opens on an empty area
            }
        }
    }
}

TEST(Screenshots, At1366x768WithTheOscilloscopeTheIoPageAndTheDriverProperties) {
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    for (bool chinese : {false, true}) {
        PageProgram p(chinese);
        CMainFrame& frame = p.program.Frame();
        p.OpenLink();
        const std::pair<int, const char*> pages[] = {{cmd::kOscilloscope, "main-oscilloscope"},
                                                     {cmd::kDataInOut, "io-page"},
                                                     {cmd::kDriverProperty, "driver-property"}};
        for (const auto& [command, name] : pages) {
            frame.OpenPage(command);
            const PageKind* kind = PageKindOfCommand(command);
            CChildFrame* child = frame.Slot(kind->slot);
            ASSERT_NE(child, nullptr);
            ASSERT_TRUE(WaitUntilFilled(child->View()));
            QCoreApplication::processEvents();
            const QString file = QString("%1/%2-1366x768-%3.png")
                                     .arg(MORLO_SCREENSHOT_DIR, name, LanguageName(chinese));
            ASSERT_TRUE(frame.grab().save(file)) << file.toStdString();
            child->close();
        }
    }
}

}  // namespace
}  // namespace morlo::gui::test
