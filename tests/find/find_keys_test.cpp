// The query form, locate, search and replace and the search options from
// the keyboard: each reads in its Tab order, and Tab leaves the query grid
// from its last cell.
#include <gtest/gtest.h>

#include <QTableWidget>
#include <QTemporaryDir>

#include "find/ui/mylocate.h"
#include "find/ui/tmysearch.h"
#include "find/ui/tsearchandreplace.h"
#include "find/ui/tsearchoptions.h"
#include "tests/support/book_samples.h"
#include "tests/support/fake_main_link.h"
#include "tests/support/form_checks.h"
#include "tests/support/key_driver.h"
#include "tests/support/scripted_prompter.h"

namespace {

namespace keys = testsupport;

class FindKeys : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("MASTER.DBF"));
        testsupport::writeSampleCollection(path, 3);
        link.collection().openWithSortTag(path);
    }
    template <typename W>
    static QWidget* shown(W& form, const char* first) {
        form.show();
        keys::activate(&form);
        return form.template findChild<QWidget*>(QLatin1String(first));
    }

    QTemporaryDir dir;
    testsupport::FakeMainLink link;
    testsupport::ScriptedPrompter prompter;
};

TEST_F(FindKeys, TheQueryGridIsLeftFromItsLastCellAndTheButtonsFollow) {
    findui::TMySearch form(link, link.dialogParent());
    QWidget* grid = shown(form, "SearchGrid");
    EXPECT_NO_FAULTS(keys::tabOrderFaults(
        grid, {"SearchGrid", "OkButton", "MoreButton", "ClearButton", "ExitButton", "HelpButton"}));
    // What was typed in the last cell's editor is kept when Tab leaves it.
    form.SearchGrid()->setCurrentCell(35, 2);
    keys::focusOn(form.SearchGrid());
    keys::type(&form, "Kept");
    keys::tab(&form);
    EXPECT_EQ(keys::focusName(&form), "OkButton");
    EXPECT_EQ(form.criterion(36), "Kept");
    keys::backTab(&form);
    EXPECT_EQ(keys::focusName(&form), "SearchGrid");
    EXPECT_EQ(form.SearchGrid()->currentRow(), 35);
}

// A date cell's mask is not complete until the whole date is typed; Tab,
// Enter or a button must still leave it, and the Ok check (not the editor)
// says what is wrong with half a date.
TEST_F(FindKeys, AnEmptyOrHalfTypedDateCellIsLeftAndCheckedOnOk) {
    findui::TMySearch form(link, link.dialogParent());
    shown(form, "SearchGrid");
    form.SearchGrid()->setCurrentCell(11, 2);  // the purchase date
    keys::focusOn(form.SearchGrid());
    keys::press(&form, Qt::Key_F2);
    keys::tab(&form);
    EXPECT_EQ(form.SearchGrid()->currentRow(), 12) << "Tab left the untouched date cell";
    form.SearchGrid()->setCurrentCell(11, 2);
    keys::type(&form, "0102");
    {
        testsupport::ScriptedPrompter p;
        p.expectError(QStringLiteral("Invalid search criteria entered.  Please correct."));
        keys::mnemonic(&form, 'o');
    }
    EXPECT_EQ(form.SearchGrid()->currentRow(), 11);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(FindKeys, LocateReadsTheSearchTypesBeforeTheBoxBesideThem) {
    findui::TMyLocateDlg form(link, {"Title", "Author"}, link.dialogParent());
    QWidget* first = shown(form, "FieldNameComboBox");
    // A radio group is one stop, at the checked button; the arrows move in it.
    EXPECT_NO_FAULTS(keys::tabOrderFaults(
        first, {"FieldNameComboBox", "PartialMatchStartBtn", "CaseSensitiveCheckBox", "SearchValue",
                "FirstButton", "NextButton", "BitBtn1"}));
}

TEST_F(FindKeys, ReplaceAndOptionsReadTopToBottom) {
    findui::TSearchAndReplace replace(link, link.dialogParent());
    EXPECT_NO_FAULTS(keys::tabOrderFaults(
        shown(replace, "FieldBox"),
        {"FieldBox", "SearchText", "ReplaceText", "ConfirmBox", "StartButton", "CancelButton"}));
    replace.hide();
    findui::TSearchOptions options(link, link.dialogParent());
    EXPECT_NO_FAULTS(
        keys::tabOrderFaults(shown(options, "ListBox1"), {"ListBox1", "OkButton", "CancelButton"}));
}

}  // namespace
